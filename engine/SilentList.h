// The candidate list of the silent search and the owner-drawn list box that shows it.
//
// The scan thread fills the list inside HardwareLock; the GUI reads it after the thread has ended.
// The list box holds the list's item pointers without owning them: a frame empties the box
// (SetList(nullptr)) before the list is cleared for the next scan.
#pragma once
#include <array>
#include <cstdint>

#include "platform/rtl/Classes.h"
#include "platform/vcl/StdCtrls.h"

class TForm;

// One candidate carrier and the verdicts of its checks.
class SilentListItem : public TObject {
 public:
  enum State : int32_t { NotChecked = 0, NoMatch = 1, Match = 2, NotMeasurable = 3 };
  static constexpr int CheckCount = 6;

  SilentListItem() { Reset(); }
  void Reset();

  double Frequency;   // Hz
  double Level;       // scan level, 0..255
  uint8_t Alarm;      // 1: judged a transmitter
  uint8_t Highlight;  // 1: being checked
  std::array<int32_t, CheckCount> States;
};

// Owned candidates, strongest first after SortByLevel.
class SilentList : public TList {
 public:
  SilentList() = default;
  ~SilentList() override;

  void Clear() override;  // destroys the items
  int AddItem(SilentListItem* item);
  void Add(double frequency, double level);
  SilentListItem* Get(int index) const;  // null outside the list
  double GetFrequency(int index) const;  // -1.0 outside the list
  // Highest level first; equal levels keep their order.
  void SortByLevel();
  void ClearHighlight();
};

// Paints one candidate row into rect (the list box's item painter; a free function so that it can
// paint on any canvas). Nothing for a null item.
void PaintSilentRow(TCanvas* canvas, const TRect& rect, const SilentListItem* item);
// Width in pixels of the level bar of a row.
int SilentLevelBarWidth(double level);

// One 28-pixel row per candidate: frequency, level bar, six check boxes, "ALARM".
class TSilentListBox : public TCustomListBox {
 public:
  explicit TSilentListBox(TForm* owner);
  // Shows the items of list, in list order (nothing for null).
  void SetList(SilentList* list);
};
