// The control strip of the A-mode sweep test: the span of the IF sweep around 27.3 MHz (typed or
// zoomed), the IF-filter setting of both filter modules, and which module is measured.
#pragma once
#include <array>
#include <cstdint>
#include <functional>

#include "platform/vcl/StdCtrls.h"
#include "screens/ModeFrameBase.h"

class TSweepAFrame : public TModeFrameBase {
 public:
  static constexpr float MinSpanMHz = 1.0f;
  static constexpr float MaxSpanMHz = 18.0f;

  explicit TSweepAFrame(TComponent* AOwner);

  void OnSpanEditKeyDown(TObject* Sender, uint16_t& Key, TShiftState Shift);
  void OnZoomButClick(TObject* Sender);
  void OnCBFilterClick(TObject* Sender);
  void OnCBModulClick(TObject* Sender);

  // (module 0 sweep / 1 audio, span in Hz); set by the test frame.
  std::function<void(uint8_t module, float spanHz)> OnChange;
  int Module = 0;
  int LastZoom = 0;  // +1 after "Zoom In", -1 after "ZoomOut"

  TGroupBox* GroupBox1 = nullptr;
  TEdit* SpanEdit = nullptr;
  TButton* ZoomInBut = nullptr;
  TButton* ZoomOutBut = nullptr;
  TGroupBox* GroupBox2 = nullptr;
  std::array<TRadioButton*, 5> CBF{};  // "Filter-1" .. "Filter-5"
  TGroupBox* GroupBox3 = nullptr;
  TRadioButton* RBModWobbel = nullptr;
  TRadioButton* RBModAudio = nullptr;

 private:
  // The typed span in MHz, read as far as the text is a number (none: 0); false (after telling the
  // user) when it is not above 0.
  bool ReadSpan(float& span);
  void ShowSpan(float span);
  void Notify(float spanMHz);
};
