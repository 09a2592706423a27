// The colours of the panel buttons that every view and control frame uses: the released face and
// the face while the button is held (0x00BBGGRR).
#pragma once
#include "platform/vcl/Graphics.h"

namespace panel_colours {
constexpr TColor Released = static_cast<TColor>(0x573523);
constexpr TColor Pressed = static_cast<TColor>(0x24160E);
}  // namespace panel_colours
