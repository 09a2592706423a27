// The intensity view's settings: Speed (how many sweeps the waterfall holds) and Filter (the IF
// filter width of the sweep). Each click on a panel steps its setting and tells the owner.
#pragma once
#include <cstdint>
#include <functional>

#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/StdCtrls.h"

namespace intensity {
enum Speed : uint8_t { Fast = 0, NormalSpeed = 1, Slow = 2 };
enum Filter : uint8_t { Wide = 0, NormalFilter = 1, Narrow = 2 };
// Waterfall rows kept at a speed: 50, 100, 200.
int RowsForSpeed(uint8_t speed);
// The detail sweep's IF bandwidth after the normal type 3: 1 (wide), 4 (narrow), 0 for none.
int DetailBandwidth(uint8_t filter);
// The overview sweep's filter offset: 1 (wide), 2 (narrow), 0 for none.
uint8_t OverviewFilterOffset(uint8_t filter);
// General text items of the panel captions.
int SpeedTextItem(uint8_t speed);
int FilterTextItem(uint8_t filter);
}  // namespace intensity

class TIntensitySettingsFrame : public TFrame {
 public:
  explicit TIntensitySettingsFrame(TComponent* AOwner);

  void Enable() {}
  void Update() override;
  void DrawLayout();
  void OnPanelMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void OnPanelMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);

  uint8_t Speed = intensity::NormalSpeed;
  uint8_t Filter = intensity::NormalFilter;
  std::function<void()> OnChange;

  TImage* Image1 = nullptr;
  TLabel* Label1 = nullptr;  // "Speed"
  TLabel* Label2 = nullptr;  // "Filter"
  TPanel* Panel1 = nullptr;  // the Speed setting
  TPanel* Panel2 = nullptr;  // the Filter setting
};
