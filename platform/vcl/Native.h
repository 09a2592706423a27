// Platform-internal access to the Qt side of the GUI library, for platform/scene and platform/capture.
// The system's own code never includes this header.
#pragma once
#include <functional>

#include <QImage>
#include <QPainter>
#include <QRect>
#include <QWidget>

#include "platform/vcl/Controls.h"
#include "platform/vcl/Graphics.h"

// The widget that shows the control (its window surface for a form).
QWidget* NativeWidget(TControl* control);

// The bitmap's pixel store (Format_RGB32 for pf32bit and pfDevice, Format_BGR888 for pf24bit). After
// writing into it, tell the bitmap with NotifyBitmapChanged so that images showing it repaint.
QImage& NativeImage(TBitmap* bitmap);
void NotifyBitmapChanged(TBitmap* bitmap);

// Lets the caller draw the control's client area: the handler runs whenever the control paints,
// after the control's own content, with the client rectangle. An empty handler removes it. Use
// TControl::Invalidate (paint at the next dispatch) or TControl::Repaint (paint now) to present.
// covers, when given, tells whether the handler paints every pixel of the client area: while it
// does, the control's own content underneath is clipped away unpainted.
using NativePaintHandler = std::function<void(QPainter& painter, const QRect& client)>;
void SetPaintHandler(TControl* control, NativePaintHandler handler, std::function<bool()> covers = {});

// The control whose widget this is (or the nearest ancestor widget that belongs to a control).
TControl* ControlOfWidget(QWidget* widget);
