#include "screens/locate/Umobilframev2unit.h"

#include "device/InOut.h"
#include "display/Display.h"
#include "engine/Buffers.h"
#include "engine/MobilThread.h"
#include "screens/locate/DetectFrameParts.h"
#include "base/Globals.h"
#include "base/Guard.h"
#include "base/IniService.h"

TMobilFrameV2::TMobilFrameV2(TComponent* AOwner) : TLocateModeFrame(AOwner, "TMobilFrame") {
  Guard("TMobilFrame", [&] {
    deferredResize_ = false;
    SetBounds(0, 0, 497, 240);
    MouseTimer = new TTimer(this);
    MouseTimer->SetEnabled(false);
    MouseTimer->SetInterval(1000);
    MouseTimer->OnTimer = [this](TObject* sender) { OnMouseTimer(sender); };
    CreateBuffers();
    CreateDisplays();
  });
}

TMobilFrameV2::~TMobilFrameV2() {
  Guard("~TMobilFrame", [&] { thread_.Stop(); });
}

void TMobilFrameV2::CreateBuffers() {
  Guard("CreateBuffers", [&] {
    for (int b = 0; b < MobilBandCount; ++b) {
      buffers_[b] = std::make_shared<DigitalBuffer>(20);
      buffers_[b]->SetRange(float(MobilBandViews[b].startHz), float(MobilBandViews[b].stopHz), 0, 255);
    }
  });
}

void TMobilFrameV2::CreateDisplays() {
  Guard("CreateDisplays", [&] {
    for (int b = 0; b < MobilBandCount; ++b) {
      const MobilBandView& v = MobilBandViews[b];
      bandDisplays_[b] = &AddDisplay({.title = v.title,
                                      .viewport = {v.left, v.top, v.right, v.bottom},
                                      .gridX = 10,
                                      .gridY = 8,
                                      .renderMode = 11,
                                      .buffer = buffers_[b].get(),
                                      .window = PointWindow{0, 20},
                                      .symbols = SymbolPlace{v.symbolX, v.symbolY}},
                                     true);
    }
  });
}

void TMobilFrameV2::ClearBuffers() {
  Guard("ClearBuffers", [&] {
    for (auto& b : buffers_) b->Clear();
  });
}

void TMobilFrameV2::EnterView() {
  pressed_ = false;
  ClearBuffers();
  for (int b = 0; b < MobilBandCount; ++b) {
    const float level = GlobalIniService ? float(ReadAlarmLevel(*GlobalIniService, MobilBandViews[b]))
                                         : (MobilBandViews[b].iniBand ? 127.0f : NoAlarmLevel);
    buffers_[b]->SetValue(3, 0, level);
  }
  StartMobilThread();
}

void TMobilFrameV2::LeaveView() {
  // A press still held when the view is left must not turn into editing after the next Enter.
  MouseTimer->SetEnabled(false);
  pressed_ = false;
  for (StdDisplay* d : bandDisplays_) d->MobilV2Mode = 0;
  thread_.Stop();
}

void TMobilFrameV2::StartMobilThread() {
  Guard("StartMobilThread", [&] {
    auto* thread = new MobilThreadV2();
    for (int b = 0; b < MobilBandCount; ++b) {
      thread->Buffers[b] = buffers_[b].get();
      thread->Hold(buffers_[b]);
    }
    thread_.Start(thread);
  });
}

void TMobilFrameV2::OnRenderWinMouseMove(TShiftState, int X, int Y) {
  Guard("OnRenderWinMouseMove", [&] {
    if (!IsEntered()) return;
    for (int b = 0; b < MobilBandCount; ++b) {
      hovered_[b] = MobilPlotRect(MobilBandViews[b]).Contains(X, Y);
      bandDisplays_[b]->ShowFrame = hovered_[b] ? 1 : 0;
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
  Guard("OnRenderWinMouseDown", [&] {
    if (!IsEntered()) return;
    for (int b = 0; b < MobilBandCount; ++b) {
      if (!hovered_[b]) continue;
      bandDisplays_[b]->Symbols->StartFade(7, 1.0);
      if (GlobalIOSettings) {
        GlobalIOSettings->Center = MobilBandViews[b].centreHz;
        GlobalIOSettings->Span = MobilBandViews[b].spanHz;
      }
      MouseTimer->SetEnabled(true);
    }
  });
}

void TMobilFrameV2::OnMouseTimer(TObject*) {
  Guard("OnMouseTimer", [&] {
    pressed_ = true;
    for (int b = 0; b < MobilBandCount; ++b)
      if (hovered_[b] && MobilBandViews[b].iniBand != 0) bandDisplays_[b]->MobilV2Mode = 1;
  });
}

void TMobilFrameV2::OnRenderWinMouseUp(TMouseButton, TShiftState, int, int) {
  Guard("OnRenderWinMouseUp", [&] {
    pressed_ = false;
    MouseTimer->SetEnabled(false);
    for (StdDisplay* d : bandDisplays_) d->MobilV2Mode = 0;
  });
}
