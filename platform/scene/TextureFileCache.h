// Texture images made from image files, shared: every texture made from the same file at the same
// size and colour key gets the same image (Qt shares its pixels), and the file is decoded once while
// it stays the same. A file whose size or modification time changed is decoded again. Safe to use
// from several threads.
#pragma once
#include <QImage>
#include <cstdint>
#include <functional>
#include <string>

namespace scene {

// The texture image of the file at path for the given size and colour key: the one made before when
// the file is unchanged since, else make()'s (kept for the next call when it is not null). A file that
// cannot be found is never answered from what was kept: make() runs and reports it.
QImage SharedTextureImage(const std::string& path, int width, int height, uint32_t colorKey,
                          const std::function<QImage()>& make);

}  // namespace scene
