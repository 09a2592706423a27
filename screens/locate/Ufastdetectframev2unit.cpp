// Placeholder until the fast-detect threads are available: the view shows and hides only.
#include "screens/locate/Ufastdetectframev2unit.h"

#include "display/DirectXBase.h"
#include "engine/Buffers.h"

struct TargetRangeItem {};

TFastDetectFrameV2::TFastDetectFrameV2(TComponent* AOwner) : TModeFrameBase(AOwner) {}
TFastDetectFrameV2::~TFastDetectFrameV2() = default;
void TFastDetectFrameV2::OnResize(TObject*) {}
void TFastDetectFrameV2::UpdateFromIni() {}
void TFastDetectFrameV2::RenderRadar() {}
void TFastDetectFrameV2::StartWork() {}
void TFastDetectFrameV2::StopWork() {}
