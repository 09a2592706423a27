#include "screens/locate/Umobilframev2unit.h"

#include "device/InOut.h"
#include "display/Display.h"
#include "engine/Buffers.h"
#include "engine/MobilThread.h"
#include "screens/locate/DetectFrameParts.h"
#include "shell/base/Globals.h"
#include "shell/base/Guard.h"
#include "shell/base/IniService.h"

TMobilFrameV2::TMobilFrameV2(TComponent* AOwner) : TModeFrameBase(AOwner) {
  Guarded("TMobilFrame::TMobilFrame", [&] {
    SetBounds(0, 0, 497, 240);
    Image = new TImage(this);
    Image->SetParent(this);
    Image->SetStretch(true);
    MouseTimer = new TTimer(this);
    MouseTimer->SetEnabled(false);
    MouseTimer->SetInterval(1000);
    MouseTimer->OnTimer = [this](TObject* sender) { OnMouseTimer(sender); };
    CreateBuffers();
    CreateDisplays();
    UpdateFromIni();
  });
}

TMobilFrameV2::~TMobilFrameV2() {
  Guarded("TMobilFrame::~TMobilFrame", [&] {
    thread_.Stop();
    KillDisplays();
  });
}

void TMobilFrameV2::CreateBuffers() {
  for (int b = 0; b < MobilBandCount; ++b) {
    buffers_[b] = std::make_shared<DigitalBuffer>(20);
    buffers_[b]->SetRange(float(MobilBandViews[b].startHz), float(MobilBandViews[b].stopHz), 0, 255);
  }
}

void TMobilFrameV2::CreateDisplays() {
  Guarded("TMobilFrame::CreateDisplays", [&] {
    for (int b = 0; b < MobilBandCount; ++b) {
      const MobilBandView& v = MobilBandViews[b];
      displays_[b] =
          MakeDisplay({v.title, v.left, v.top, v.right, v.bottom, 10, 8, buffers_[b].get(), 11, 0, 20});
      displays_[b]->MoveSymbols(v.symbolX, v.symbolY);
    }
  });
}

void TMobilFrameV2::KillDisplays() {
  if (DisplayListGlobal) DisplayListGlobal->Clear();
  for (StdDisplay*& d : displays_) {
    delete d;
    d = nullptr;
  }
}

void TMobilFrameV2::UpdateFromIni() {
  Guarded("TMobilFrame::UpdateFromIni", [&] {
    for (StdDisplay* d : displays_) ApplyIniDisplaySettings(d);
  });
}

void TMobilFrameV2::UpdateSkin() {
  Guarded("TMobilFrame::UpdateSkin", [&] { ApplySkinBackground(Image); });
}

void TMobilFrameV2::OnResize(TObject*) {
  Guarded("TMobilFrame::OnResize", [&] {
    if (!displays_[MobilBandCount - 1]) return;  // not before the constructor has made the view
    Image->SetBoundsRect(ClientRect());
    UpdateSkin();
    for (StdDisplay* d : displays_) d->PlaceTexts();
  });
}

void TMobilFrameV2::ClearBuffers() {
  for (auto& b : buffers_) b->Clear();
}

void TMobilFrameV2::StartWork() {
  Guarded("TMobilFrame::Enter", [&] {
    pressed_ = false;
    ClearBuffers();
    for (int b = 0; b < MobilBandCount; ++b) {
      const float level = GlobalIniService ? float(ReadAlarmLevel(*GlobalIniService, MobilBandViews[b]))
                                           : (MobilBandViews[b].iniBand ? 127.0f : NoAlarmLevel);
      buffers_[b]->SetValue(3, 0, level);
    }
    ShowDisplays({displays_[0], displays_[1], displays_[2], displays_[3], displays_[4], displays_[5]});
    StartMobilThread();
  });
}

void TMobilFrameV2::StopWork() {
  Guarded("TMobilFrame::Leave", [&] {
    for (StdDisplay* d : displays_) d->HideTexts();
    // A press still held when the view is left must not turn into editing after the next Enter.
    MouseTimer->SetEnabled(false);
    pressed_ = false;
    for (StdDisplay* d : displays_) d->MobilV2Mode = 0;
    thread_.Stop();
    if (DisplayListGlobal) DisplayListGlobal->Clear();
  });
}

void TMobilFrameV2::StartMobilThread() {
  Guarded("TMobilFrame::StartMobilThread", [&] {
    auto* thread = new MobilThreadV2();
    for (int b = 0; b < MobilBandCount; ++b) {
      thread->Buffers[b] = buffers_[b].get();
      thread->Hold(buffers_[b]);
    }
    thread_.Start(thread);
  });
}

void TMobilFrameV2::OnRenderWinMouseMove(TShiftState, int X, int Y) {
  Guarded("TMobilFrame::OnRenderWinMouseMove", [&] {
    if (!IsEntered()) return;
    for (int b = 0; b < MobilBandCount; ++b) {
      hovered_[b] = MobilPlotRect(MobilBandViews[b]).Contains(X, Y);
      displays_[b]->ShowFrame = hovered_[b] ? 1 : 0;
    }
    if (pressed_ && thread_.Running()) EditLevels(Y);
  });
}

void TMobilFrameV2::EditLevels(int y) {
  auto* thread = static_cast<MobilThreadV2*>(thread_.Thread());
  for (int b = 0; b < MobilBandCount; ++b) {
    const MobilBandView& band = MobilBandViews[b];
    if (!hovered_[b] || band.iniBand == 0) continue;
    const int level = MobilLevelAt(band, y);
    thread->PostAlarmLevel(b, uint8_t(level));
    if (GlobalIniService) WriteAlarmLevel(*GlobalIniService, band, level);
  }
}

void TMobilFrameV2::OnRenderWinMouseDown(TMouseButton, TShiftState, int, int) {
  Guarded("TMobilFrame::OnRenderWinMouseDown", [&] {
    if (!IsEntered()) return;
    for (int b = 0; b < MobilBandCount; ++b) {
      if (!hovered_[b]) continue;
      displays_[b]->Symbols->StartFade(7, 1.0);
      if (GlobalIOSettings) {
        GlobalIOSettings->Center = MobilBandViews[b].centreHz;
        GlobalIOSettings->Span = MobilBandViews[b].spanHz;
      }
      MouseTimer->SetEnabled(true);
    }
  });
}

void TMobilFrameV2::OnMouseTimer(TObject*) {
  Guarded("TMobilFrame::OnMouseTimer", [&] {
    pressed_ = true;
    for (int b = 0; b < MobilBandCount; ++b)
      if (hovered_[b] && MobilBandViews[b].iniBand != 0) displays_[b]->MobilV2Mode = 1;
  });
}

void TMobilFrameV2::OnRenderWinMouseUp(TMouseButton, TShiftState, int, int) {
  Guarded("TMobilFrame::OnRenderWinMouseUp", [&] {
    pressed_ = false;
    MouseTimer->SetEnabled(false);
    for (StdDisplay* d : displays_) d->MobilV2Mode = 0;
  });
}
