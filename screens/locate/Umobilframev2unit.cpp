// Placeholder until the mobile-band thread is available: the view shows and hides only.
#include "screens/locate/Umobilframev2unit.h"

#include "engine/Buffers.h"

TMobilFrameV2::TMobilFrameV2(TComponent* AOwner) : TModeFrameBase(AOwner) {
  for (auto& b : buffers_) b = std::make_shared<DigitalBuffer>(20);
}
TMobilFrameV2::~TMobilFrameV2() = default;
void TMobilFrameV2::OnResize(TObject*) {}
void TMobilFrameV2::OnRenderWinMouseDown(TMouseButton, TShiftState, int, int) {}
void TMobilFrameV2::OnRenderWinMouseUp(TMouseButton, TShiftState, int, int) {}
void TMobilFrameV2::OnRenderWinMouseMove(TShiftState, int, int) {}
void TMobilFrameV2::UpdateFromIni() {}
void TMobilFrameV2::StartWork() {}
void TMobilFrameV2::StopWork() {}
