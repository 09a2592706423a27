// Fuzz entry point of the image decoders: every input must give an image or a clean failure.
#include <cstddef>
#include <cstdint>

#include <QtGlobal>

#include "platform/imaging/Imaging.h"

namespace {
// The toolkit's readers report every broken file on stderr; a fuzz run would drown in them.
const bool quiet = (qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {}), true);
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  imaging::FileInfo info;
  const bool known = imaging::ReadFileInfo(data, size, info);
  for (int depth : {0, 1, 3, 4}) {
    imaging::Image image = imaging::ReadImage(data, size, depth, false);
    if (!image.Empty() && (!known || image.width != info.width || image.height != info.height)) __builtin_trap();
  }
  imaging::Image wide = imaging::ReadImage(data, size, 4, true);
  if (!wide.Empty() && wide.pixels.size() != size_t(wide.stride) * size_t(wide.height)) __builtin_trap();
  return 0;
}
