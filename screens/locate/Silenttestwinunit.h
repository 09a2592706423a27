// The silent-detect debug window: the intermediate signals of one analysis (recording, filtering,
// decimation, spectra) as small bitmap plots, and a list of the numbers found.
#pragma once
#include <array>
#include <string>
#include <vector>

#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"

class SilentAnalysis;
class TListBox;
class TPageControl;
class TScrollBox;

namespace silent_debug {

// A plot of up to three traces of doubles with a grid and a title, drawn into its own bitmap. The
// arrays keep the length of the first data given; a trace is drawn only when that length equals the
// plot's width in pixels (one point per column).
class Display : public TImage {
 public:
  explicit Display(TScrollBox* box);
  ~Display() override;

  void Resize();
  void ClearData();
  void Redraw();
  void SetTitle(const std::string& text, TColor colour);
  void SetGrid(bool on, int columns, int rows, TColor colour);
  // Copies min(count, data count) values into row 0..2; nothing for a null pointer.
  void SetData(int row, const float* data, unsigned count);
  // Pixel height of v in the y range; the bottom of the plot when the range is empty.
  int YToPixel(double v) const;

  int PointCount = 512;
  double YBottom = -100.0, YTop = 100.0;
  std::array<int, 3> Kinds{0, 0, 0};  // 0 line, 1 bars
  std::array<TColor, 3> Colours{0xFF0000, 0x008000, 0x0000FF};
  int DataCount() const { return dataCount_; }
  bool Present(int row) const { return present_[row]; }

 private:
  void DrawGrid();
  void DrawTraces();
  void DrawTrace(int row);
  void DrawTitle();

  TScrollBox* box_;
  bool gridOn_ = false;
  int columns_ = 10, rows_ = 5;
  TColor gridColour_ = 0x80000004;
  TColor background_ = 0xFFFFFF;
  std::string title_;
  TColor titleColour_ = 0xFF0000;
  std::array<std::vector<double>, 3> data_;
  std::array<bool, 3> present_{};
  int dataCount_ = 0;
};

}  // namespace silent_debug

class TSilentTestWin : public TForm {
 public:
  explicit TSilentTestWin(TComponent* AOwner);
  ~TSilentTestWin() override;

  void OnFormResize();
  // Fills the four plots and the list from one analysis: the two levels, then the difference score;
  // with allScores the three sums of differences ("dd0 = " ...) come before the score.
  void ShowAnalysis(const SilentAnalysis& analysis, const float* channelA, const float* channelB,
                    bool allScores = false);

  TPageControl* PC1 = nullptr;
  TListBox* lb = nullptr;
  std::array<TScrollBox*, 12> Boxes{};
  std::array<silent_debug::Display*, 12> Plots{};  // null for boxes 9 and 12
};
