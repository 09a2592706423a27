// The line object's two rasterisers for wide segments, reachable on their own so that tests can
// hold the rectangle rasteriser against the general one.
#pragma once
#include "platform/scene/Scene.h"

#include <cstdint>

namespace scene {

enum class WideRaster {
  Quad,  // any segment: the quad around it, row by row
  Rect,  // a segment along a row or a column: a rectangle of runs
};

// Draws one segment a-b of a width > 1 into pixels laid out as the back buffer (BackBuffer()),
// clipped as Line::Draw clips. False when the raster cannot draw it: a width <= 1, a
// non-finite point, a fully transparent colour, or Rect with a slanted segment.
bool DrawWideSegment(WideRaster raster, uint32_t* pixels, Vec2 a, Vec2 b, float width, bool antialias,
                     uint32_t argb);

}  // namespace scene
