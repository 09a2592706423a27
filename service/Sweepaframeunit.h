// The A-mode sweep service frame with its zoom buttons.
#pragma once
#include "screens/ModeFrameBase.h"
#include "platform/vcl/StdCtrls.h"

class TSweepAFrame : public TModeFrameBase {
 public:
  explicit TSweepAFrame(TComponent* AOwner) : TModeFrameBase(AOwner) {
    ZoomInBut = new TButton(this);
    ZoomInBut->SetParent(this);
    ZoomInBut->SetCaption("Zoom In");
    ZoomInBut->SetBounds(8, 8, 80, 25);
    ZoomInBut->OnClick = [this](TObject* sender) { OnZoomButClick(sender); };
    ZoomOutBut = new TButton(this);
    ZoomOutBut->SetParent(this);
    ZoomOutBut->SetCaption("ZoomOut");
    ZoomOutBut->SetBounds(96, 8, 80, 25);
    ZoomOutBut->OnClick = [this](TObject* sender) { OnZoomButClick(sender); };
  }

  // Zooms the A-mode display in or out; remembers which button it was (+1 in, -1 out).
  void OnZoomButClick(TObject* Sender) { LastZoom = Sender == ZoomInBut ? 1 : -1; }

  TButton* ZoomInBut = nullptr;
  TButton* ZoomOutBut = nullptr;
  int LastZoom = 0;
};
