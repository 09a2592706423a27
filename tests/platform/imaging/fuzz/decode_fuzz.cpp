// Fuzz entry point of the image decoders: every input must give an image or a clean failure.
#include <cstddef>
#include <cstdint>

#include <QtGlobal>

#include "platform/imaging/Imaging.h"
#include "tests/platform/imaging/Fixtures.h"
#include "tests/support/fuzz/Fuzz.h"

namespace {
// The toolkit's readers report every broken file on stderr; a fuzz run would drown in them.
const bool quiet =
    (qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {}), true);
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  imaging::FileInfo info;
  const bool known = imaging::ReadFileInfo(data, size, info);
  for (int depth : {0, 1, 3, 4}) {
    imaging::Image image = imaging::ReadImage(data, size, depth, false);
    FUZZ_CHECK(image.Empty() || (known && image.width == info.width && image.height == info.height),
               "the image's size differs from its header");
  }
  imaging::Image wide = imaging::ReadImage(data, size, 4, true);
  FUZZ_CHECK(wide.Empty() || wide.pixels.size() == size_t(wide.stride) * size_t(wide.height),
             "the pixel buffer does not hold stride x height bytes");
  return 0;
}

// Seed files of every format: BMP 1/8/24/32 bits, TGA plain and run-length, JPEG, PNG 1-bit, grey,
// RGB and 16-bit RGBA, PCX, PSD, PNM and WBMP.
fuzz::Corpus fuzz::DriverCorpus() {
  std::vector<Bytes> seeds;
  std::vector<fixtures::Rgb> pixels(12 * 9);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = {uint8_t(i * 3), uint8_t(i * 5), uint8_t(i * 7)};
  seeds.push_back(fixtures::MakeBmp(12, 9, 24, pixels));
  seeds.push_back(fixtures::MakeBmp(12, 9, 32, pixels));
  std::vector<fixtures::Rgb> palette(256);
  std::vector<uint8_t> indices(12 * 9);
  for (int i = 0; i < 256; ++i) palette[size_t(i)] = {uint8_t(i), uint8_t(255 - i), 9};
  for (size_t i = 0; i < indices.size(); ++i) indices[i] = uint8_t(i);
  seeds.push_back(fixtures::MakeBmp(12, 9, 8, {}, indices, palette));
  seeds.push_back(
      fixtures::MakeBmp(12, 9, 1, {}, std::vector<uint8_t>(12 * 9, 1), {{0, 0, 0}, {255, 255, 255}}));
  seeds.push_back(fixtures::MakeTga(12, 9, 32, pixels, std::vector<uint8_t>(12 * 9, 128), true));
  Bytes rle = fixtures::TgaHeader(10, 12, 9, 24, 0);
  for (int i = 0; i < 9; ++i) rle.insert(rle.end(), {0x8B, uint8_t(i), 2, 3});
  seeds.push_back(rle);

  imaging::Image image = imaging::MakeImage(12, 9, 3, false);
  for (size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = uint8_t(i * 11);
  seeds.push_back(imaging::EncodeJPEG(image.Ref(), 80));
  fixtures::TempFolder dir;
  struct Layout {
    int depth;
    bool wide;
  } layouts[] = {{0, false}, {1, false}, {3, false}, {4, true}};
  for (const Layout& l : layouts) {
    imaging::Image png = imaging::MakeImage(12, 9, l.depth, l.wide);
    for (size_t i = 0; i < png.pixels.size(); ++i) png.pixels[i] = uint8_t(i * 13);
    const std::string path = dir / "seed.png";
    if (imaging::SavePNG(path, png.Ref())) seeds.push_back(fixtures::ReadFile(path));
  }

  // PCX 1-bit, 8-bit palette and true colour; PSD raw RGB and run-length grey; PNM; WBMP.
  std::vector<uint8_t> bits(12 * 9);
  for (size_t i = 0; i < bits.size(); ++i) bits[i] = uint8_t(i % 3 == 0);
  seeds.push_back(fixtures::MakePcx(12, 9, 1, 1, {}, bits, {{0, 0, 0}, {255, 255, 255}}));
  seeds.push_back(fixtures::MakePcx(12, 9, 1, 8, {}, indices, palette));
  seeds.push_back(fixtures::MakePcx(12, 9, 3, 8, pixels));
  const Bytes plane(image.pixels.begin(), image.pixels.begin() + 12 * 9);
  seeds.push_back(fixtures::MakePsd(12, 9, 8, 3, {plane, plane, plane}, false));
  seeds.push_back(fixtures::MakePsd(12, 9, 8, 1, {plane}, true));
  Bytes ppm = fixtures::TextBytes("P6\n12 9\n255\n");
  ppm.insert(ppm.end(), image.pixels.begin(), image.pixels.end());
  seeds.push_back(ppm);
  seeds.push_back(fixtures::TextBytes("P1\n3 2\n1 0 1\n0 1 0\n"));
  seeds.push_back(fixtures::MakeWbmp(12, 9, bits));
  return {seeds, {}};
}
