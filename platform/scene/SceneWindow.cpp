// Presentation of the device on its window, and blits from class-library bitmaps.
#include "platform/scene/Scene.h"
#include "platform/scene/SceneInternal.h"

namespace scene {

void AttachWindow(Device::Impl&) {}
void DetachWindow(Device::Impl&) {}
void Device::Impl::RequestRepaint() {}

bool Device::StretchBlit(TBitmap* bitmap, const RectI& dest) {
    (void)bitmap;
    (void)dest;
    return false;
}

}  // namespace scene
