// Decoders, header readers and writers on fixtures built in the test.
#include <gtest/gtest.h>

#include <QImage>
#include <cstring>

#include "platform/imaging/Imaging.h"
#include "tests/platform/imaging/Fixtures.h"
#include "tests/support/FileSizeLimit.h"

using namespace imaging;
using fixtures::Bytes;
using fixtures::Rgb;

namespace {

// A 3 x 2 pattern with distinct colours.
const std::vector<Rgb> kPattern = {{255, 0, 0},  {0, 255, 0},    {0, 0, 255},
                                   {10, 20, 30}, {200, 100, 50}, {255, 255, 255}};

Bytes PngOf(const QImage& image) {
  fixtures::TempFolder dir;
  const std::string path = dir / "f.png";
  EXPECT_TRUE(image.save(QString::fromStdString(path), "PNG"));
  return fixtures::ReadFile(path);
}

Image Decode(const Bytes& bytes, int depth, bool wide = false) {
  return ReadImage(bytes.data(), bytes.size(), depth, wide);
}

std::vector<uint8_t> RgbBytes(const std::vector<Rgb>& pixels) {
  std::vector<uint8_t> out;
  for (const Rgb& p : pixels) out.insert(out.end(), {p.r, p.g, p.b});
  return out;
}

}  // namespace

TEST(ImagingFileType, TakenFromContentNotName) {
  struct Case {
    Bytes head;
    FileType type;
  } cases[] = {
      {{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0}, FileType::PNG},
      {{0xFF, 0xD8, 0xFF, 0xE0}, FileType::JPEG},
      {{'I', 'I', '*', 0}, FileType::TIFF},
      {{'M', 'M', 0, '*'}, FileType::TIFF},
      {{'G', 'I', 'F', '8', '9', 'a'}, FileType::GIF},
      {fixtures::MakeBmp(1, 1, 24, {{1, 2, 3}}), FileType::BMP},
      {fixtures::MakeTga(1, 1, 24, {{1, 2, 3}}, {}, false), FileType::TGA},
      {{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', 0, 0, 0, 0, 0, 0, 0}, FileType::Unknown},
      {{}, FileType::Unknown},
  };
  for (const Case& c : cases) EXPECT_EQ(GuessFileType(c.head.data(), c.head.size()), c.type);

  fixtures::TempFolder dir;
  fixtures::WriteFile(dir / "really_a_png.jpg", PngOf(QImage(2, 2, QImage::Format_RGB888)));
  EXPECT_EQ(GuessFileType(dir / "really_a_png.jpg"), FileType::PNG);
  EXPECT_EQ(GuessFileType(dir / "missing.png"), FileType::Unknown);
}

TEST(ImagingFileInfo, PngColourModelsAndDepths) {
  struct Case {
    QImage::Format format;
    int bitsPerChannel, bitsPerPixel;
    ColourModel model;
  } cases[] = {
      {QImage::Format_Grayscale8, 8, 8, ColourModel::Grey},
      {QImage::Format_Grayscale16, 16, 16, ColourModel::Grey},
      {QImage::Format_RGB888, 8, 24, ColourModel::RGB},
      {QImage::Format_RGBA8888, 8, 32, ColourModel::RGBA},
      {QImage::Format_RGBA64, 16, 64, ColourModel::RGBA},
      {QImage::Format_Mono, 1, 1, ColourModel::Palette},
  };
  for (const Case& c : cases) {
    QImage image(5, 4, c.format);
    if (c.format == QImage::Format_Mono) image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    image.fill(0);
    image.setDotsPerMeterX(3937);  // 100 dpi
    image.setDotsPerMeterY(3937);
    const Bytes png = PngOf(image);
    FileInfo info;
    ASSERT_TRUE(ReadFileInfo(png.data(), png.size(), info)) << int(c.format);
    EXPECT_EQ(info.type, FileType::PNG);
    EXPECT_EQ(info.width, 5);
    EXPECT_EQ(info.height, 4);
    EXPECT_EQ(info.bitsPerChannel, c.bitsPerChannel) << int(c.format);
    EXPECT_EQ(info.bitsPerPixel, c.bitsPerPixel) << int(c.format);
    EXPECT_EQ(info.model, c.model) << int(c.format);
    EXPECT_NEAR(info.dpiX, 100.0, 0.1);
  }
}

TEST(ImagingFileInfo, BmpPaletteKindAndTgaHeader) {
  std::vector<Rgb> grey(256), colour(256);
  for (int i = 0; i < 256; ++i) {
    grey[size_t(i)] = {uint8_t(i), uint8_t(i), uint8_t(i)};
    colour[size_t(i)] = {uint8_t(i), 0, uint8_t(255 - i)};
  }
  FileInfo info;
  Bytes bmp = fixtures::MakeBmp(2, 2, 8, {}, {0, 1, 2, 3}, grey);
  ASSERT_TRUE(ReadFileInfo(bmp.data(), bmp.size(), info));
  EXPECT_EQ(info.bitsPerPixel, 8);
  EXPECT_TRUE(info.greyPalette);
  EXPECT_NEAR(info.dpiX, 96.0, 0.1);
  bmp = fixtures::MakeBmp(2, 2, 8, {}, {0, 1, 2, 3}, colour);
  ASSERT_TRUE(ReadFileInfo(bmp.data(), bmp.size(), info));
  EXPECT_FALSE(info.greyPalette);

  Bytes tga = fixtures::MakeTga(3, 2, 32, kPattern, {1, 2, 3, 4, 5, 6}, true);
  ASSERT_TRUE(ReadFileInfo(tga.data(), tga.size(), info));
  EXPECT_EQ(info.type, FileType::TGA);
  EXPECT_EQ(info.bitsPerPixel, 32);
  EXPECT_EQ(info.model, ColourModel::RGBA);
}

TEST(ImagingDecode, BmpPixelsInEveryStoredDepth) {
  // 24 and 32 bits: exact colours, top row first.
  for (int bits : {24, 32}) {
    Image image = Decode(fixtures::MakeBmp(3, 2, bits, kPattern), 3);
    ASSERT_FALSE(image.Empty()) << bits;
    EXPECT_EQ(image.pixels, RgbBytes(kPattern)) << bits;
  }
  // 8 bits with a grey palette: the grey levels of the entries.
  std::vector<Rgb> grey(256);
  for (int i = 0; i < 256; ++i) grey[size_t(i)] = {uint8_t(i), uint8_t(i), uint8_t(i)};
  Image image = Decode(fixtures::MakeBmp(2, 2, 8, {}, {0, 50, 100, 255}, grey), 1);
  ASSERT_FALSE(image.Empty());
  EXPECT_EQ(image.pixels, (std::vector<uint8_t>{0, 50, 100, 255}));
  // 8 bits with a colour palette: the palette's colours, not the indices.
  std::vector<Rgb> palette = {{255, 0, 0}, {0, 0, 255}};
  image = Decode(fixtures::MakeBmp(2, 1, 8, {}, {1, 0}, palette), 3);
  ASSERT_FALSE(image.Empty());
  EXPECT_EQ(image.pixels, (std::vector<uint8_t>{0, 0, 255, 255, 0, 0}));
  // 1 bit: packed, bit 1 for the dark pixels whichever palette index they have.
  const std::vector<uint8_t> indices = {1, 0, 1, 1, 0, 0, 0, 0, 1, 1};
  image = Decode(fixtures::MakeBmp(10, 1, 1, {}, indices, {{0, 0, 0}, {255, 255, 255}}), 0);
  ASSERT_FALSE(image.Empty());
  EXPECT_EQ(image.stride, 2);
  EXPECT_EQ(image.pixels, (std::vector<uint8_t>{0x4F, 0x00}));
  image = Decode(fixtures::MakeBmp(10, 1, 1, {}, indices, {{255, 255, 255}, {0, 0, 0}}), 0);
  ASSERT_FALSE(image.Empty());
  EXPECT_EQ(image.pixels, (std::vector<uint8_t>{0xB0, 0xC0}));
  // The same file read as grey keeps its colours: black 0, white 255.
  image = Decode(fixtures::MakeBmp(3, 1, 1, {}, {1, 0, 1}, {{255, 255, 255}, {0, 0, 0}}), 1);
  ASSERT_FALSE(image.Empty());
  EXPECT_EQ(image.pixels, (std::vector<uint8_t>{0, 255, 0}));
}

TEST(ImagingDecode, TgaOrientationsAlphaAndRunLength) {
  const std::vector<uint8_t> alpha = {0, 50, 100, 150, 200, 255};
  for (bool topDown : {false, true}) {
    Image image = Decode(fixtures::MakeTga(3, 2, 32, kPattern, alpha, topDown), 4);
    ASSERT_FALSE(image.Empty());
    for (size_t i = 0; i < 6; ++i) {
      EXPECT_EQ(image.pixels[i * 4], kPattern[i].r);
      EXPECT_EQ(image.pixels[i * 4 + 2], kPattern[i].b);
      EXPECT_EQ(image.pixels[i * 4 + 3], alpha[i]) << topDown;
    }
  }
  // Run-length: one run of 3 red pixels, one literal packet of 3, bottom-up.
  Bytes rle = fixtures::TgaHeader(10, 3, 2, 24, 0);
  rle.insert(rle.end(), {0x82, 0, 0, 255, 0x02, 255, 0, 0, 0, 255, 0, 0, 0, 255});
  Image image = Decode(rle, 3);
  ASSERT_FALSE(image.Empty());
  // The first stored row is the bottom row.
  EXPECT_EQ(image.pixels,
            (std::vector<uint8_t>{0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0}));
  // Grey TGA to grey.
  Bytes grey = fixtures::TgaHeader(3, 2, 1, 8, 0x20);
  grey.insert(grey.end(), {7, 9});
  image = Decode(grey, 1);
  ASSERT_FALSE(image.Empty());
  EXPECT_EQ(image.pixels, (std::vector<uint8_t>{7, 9}));
}

TEST(ImagingDecode, JpegThroughLibjpeg) {
  Image source = MakeImage(16, 8, 3, false);
  for (size_t i = 0; i < source.pixels.size(); i += 3) source.pixels[i] = 200;  // red-ish everywhere
  const Bytes jpeg = EncodeJPEG(source.Ref(), 95);
  ASSERT_GT(jpeg.size(), 100u);
  FileInfo info;
  ASSERT_TRUE(ReadFileInfo(jpeg.data(), jpeg.size(), info));
  EXPECT_EQ(info.model, ColourModel::RGB);
  Image decoded = Decode(jpeg, 3);
  ASSERT_FALSE(decoded.Empty());
  EXPECT_NEAR(decoded.pixels[0], 200, 4);
  EXPECT_NEAR(decoded.pixels[1], 0, 4);

  Image grey = MakeImage(8, 8, 1, false);
  std::fill(grey.pixels.begin(), grey.pixels.end(), 77);
  const Bytes greyJpeg = EncodeJPEG(grey.Ref(), 95);
  ASSERT_TRUE(ReadFileInfo(greyJpeg.data(), greyJpeg.size(), info));
  EXPECT_EQ(info.model, ColourModel::Grey);
  EXPECT_EQ(info.bitsPerPixel, 8);
  decoded = Decode(greyJpeg, 1);
  ASSERT_FALSE(decoded.Empty());
  EXPECT_NEAR(decoded.pixels[10], 77, 2);
}

TEST(ImagingDecode, BadInputGivesEmptyNeverACrash) {
  Image big = MakeImage(64, 64, 3, false);
  for (size_t i = 0; i < big.pixels.size(); ++i) big.pixels[i] = uint8_t(i * 7);
  const Bytes jpeg = EncodeJPEG(big.Ref(), 90);
  const Bytes png = PngOf(QImage(big.pixels.data(), 64, 64, 64 * 3, QImage::Format_RGB888));
  Bytes wrongHeader = png;
  wrongHeader[1] = 'X';
  Bytes badIhdr = png;
  badIhdr[12] = 'X';
  Bytes zeroWidthPng = png;
  zeroWidthPng[16] = zeroWidthPng[17] = zeroWidthPng[18] = zeroWidthPng[19] = 0;
  Bytes tgaLies = fixtures::MakeTga(2, 2, 24, {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {4, 4, 4}}, {}, false);
  tgaLies[12] = 0x00;  // claims 4096 x 2 pixels but holds 4
  tgaLies[13] = 0x10;
  Bytes tgaRleShort = fixtures::TgaHeader(10, 100, 100, 24, 0);
  tgaRleShort.insert(tgaRleShort.end(), {0xFF, 1, 2, 3});
  Bytes tgaZero = fixtures::TgaHeader(2, 0, 5, 24, 0);
  Bytes bmpZero = fixtures::MakeBmp(1, 1, 24, {{1, 2, 3}});
  bmpZero[18] = 0;  // width 0
  Bytes bmpTruncated = fixtures::MakeBmp(40, 40, 24, std::vector<Rgb>(1600, Rgb{9, 9, 9}));
  bmpTruncated.resize(bmpTruncated.size() / 2);
  Bytes bmpOddHeader = fixtures::MakeBmp(4, 4, 24, std::vector<Rgb>(16, Rgb{9, 9, 9}));
  bmpOddHeader[17] = 9;  // an info header of 0x09000028 bytes: no such BMP variant

  struct Case {
    const char* name;
    Bytes bytes;
  } cases[] = {
      {"truncated JPEG", Bytes(jpeg.begin(), jpeg.begin() + long(jpeg.size() / 2))},
      {"JPEG header only", Bytes(jpeg.begin(), jpeg.begin() + 20)},
      {"truncated PNG", Bytes(png.begin(), png.begin() + long(png.size() / 2))},
      {"PNG with wrong signature", wrongHeader},
      {"PNG without IHDR", badIhdr},
      {"PNG of zero width", zeroWidthPng},
      {"TGA that lies about its size", tgaLies},
      {"TGA whose runs end early", tgaRleShort},
      {"TGA of zero width", tgaZero},
      {"BMP of zero width", bmpZero},
      {"truncated BMP", bmpTruncated},
      {"BMP with an unknown header size", bmpOddHeader},
      {"empty file", {}},
  };
  for (const Case& c : cases) {
    for (int depth : {1, 3, 4}) EXPECT_TRUE(Decode(c.bytes, depth).Empty()) << c.name << " depth " << depth;
    FileInfo info;
    if (std::string(c.name).find("zero") != std::string::npos || std::string(c.name) == "empty file") {
      EXPECT_FALSE(ReadFileInfo(c.bytes.data(), c.bytes.size(), info)) << c.name;
    }
  }
  EXPECT_TRUE(ReadImage("/nonexistent/x.png", 3, false).Empty());
}

TEST(ImagingSave, PngRoundTripsEveryLayout) {
  fixtures::TempFolder dir;
  struct Case {
    int depth;
    bool wide;
  } cases[] = {{0, false}, {1, false}, {1, true}, {3, false}, {3, true}, {4, false}, {4, true}};
  for (const Case& c : cases) {
    Image image = MakeImage(9, 3, c.depth, c.wide);
    for (size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = uint8_t(i * 37 + 11);
    if (c.depth == 0)
      for (int y = 0; y < 3; ++y) image.pixels[size_t(y) * 2 + 1] &= 0x80;  // no bits past the width
    const std::string path = dir / ("r" + std::to_string(c.depth) + (c.wide ? "w" : "n") + ".png");
    ASSERT_TRUE(SavePNG(path, image.Ref(), 72, 72)) << c.depth;
    FileInfo info;
    ASSERT_TRUE(ReadFileInfo(path, info));
    EXPECT_EQ(info.bitsPerChannel, c.depth == 0 ? 1 : c.wide ? 16 : 8) << c.depth << c.wide;
    EXPECT_NEAR(info.dpiX, 72, 0.1);
    Image back = ReadImage(path, c.depth, c.wide);
    ASSERT_FALSE(back.Empty()) << c.depth << c.wide;
    EXPECT_EQ(back.pixels, image.pixels) << c.depth << c.wide;
  }
  // The 1-bit palette: index 0 white, index 1 black.
  Image bits = MakeImage(2, 1, 0, false);
  bits.pixels[0] = 0x40;  // pixel 1 set
  ASSERT_TRUE(SavePNG(dir / "bits.png", bits.Ref()));
  QImage check(QString::fromStdString(dir / "bits.png"));
  EXPECT_EQ(check.pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(check.pixel(1, 0) & 0xFFFFFF, 0x000000u);

  EXPECT_FALSE(SavePNG("/nonexistent/folder/x.png", bits.Ref()));
  EXPECT_FALSE(SavePNG(dir / "invalid.png", ImageRef{}));
}

// A write that fails part way (a full disk) keeps the old file whole and leaves no temporary file.
TEST(ImagingSave, FailedPngWriteKeepsTheOldFile) {
  fixtures::TempFolder dir;
  const std::string path = dir / "radartmp.png";
  Image old = MakeImage(4, 4, 4, false);
  ASSERT_TRUE(SavePNG(path, old.Ref()));
  const std::string before = fixtures::TempFolder::ReadBytes(path);
  Image large = MakeImage(512, 512, 4, false);
  for (size_t i = 0; i < large.pixels.size(); ++i) large.pixels[i] = uint8_t(i * 7919 >> 3);
  {
    FileSizeLimit fullDisk(before.size() + 100);
    EXPECT_FALSE(SavePNG(path, large.Ref()));
  }
  EXPECT_EQ(fixtures::TempFolder::ReadBytes(path), before);
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"radartmp.png"});
  EXPECT_FALSE(ReadImage(path, 4, false).Empty());
  ASSERT_TRUE(SavePNG(path, large.Ref()));  // and a write that can go through replaces it
  EXPECT_EQ(ReadImage(path, 4, false).pixels, large.pixels);
}

TEST(ImagingDecode, SixteenBitSamplesKeptOrNarrowed) {
  QImage image(2, 1, QImage::Format_Grayscale16);
  reinterpret_cast<uint16_t*>(image.scanLine(0))[0] = 0x1234;
  reinterpret_cast<uint16_t*>(image.scanLine(0))[1] = 0xFFFF;
  const Bytes png = PngOf(image);
  Image wide = Decode(png, 1, true);
  ASSERT_FALSE(wide.Empty());
  uint16_t v[2];
  std::memcpy(v, wide.pixels.data(), 4);
  EXPECT_EQ(v[0], 0x1234);
  EXPECT_EQ(v[1], 0xFFFF);
  Image narrow = Decode(png, 1, false);
  ASSERT_FALSE(narrow.Empty());
  EXPECT_EQ(narrow.pixels, (std::vector<uint8_t>{0x12, 0xFF}));
  // A colour file asked for as 1-bit is refused: only 1-bit files keep their bits.
  EXPECT_TRUE(Decode(png, 0).Empty());
}

TEST(ImagingDecode, TiffDepthsAndModels) {
  struct Case {
    const char* name;
    Bytes file;
    int bitsPerPixel;
    ColourModel model;
    int depth;
    bool wide;
    std::vector<uint8_t> pixels;
  } cases[] = {
      {"RGB",
       fixtures::MakeTiff(2, 1, 8, 3, 2, {10, 20, 30, 40, 50, 60}),
       24,
       ColourModel::RGB,
       3,
       false,
       {10, 20, 30, 40, 50, 60}},
      {"grey", fixtures::MakeTiff(2, 1, 8, 1, 1, {0, 200}), 8, ColourModel::Grey, 1, false, {0, 200}},
      {"16-bit grey",
       fixtures::MakeTiff(2, 1, 16, 1, 1, {0x34, 0x12, 0xFF, 0xFF}),
       16,
       ColourModel::Grey,
       1,
       true,
       {0x34, 0x12, 0xFF, 0xFF}},
      // Black is zero: bit 1 is white, so it decodes to 0 (light).
      {"1-bit black is zero",
       fixtures::MakeTiff(3, 1, 1, 1, 1, {0xA0}),
       1,
       ColourModel::Grey,
       0,
       false,
       {0x40}},
      // White is zero: bit 1 is black (dark).
      {"1-bit white is zero",
       fixtures::MakeTiff(3, 1, 1, 1, 0, {0xA0}),
       1,
       ColourModel::Grey,
       0,
       false,
       {0xA0}},
  };
  for (const Case& c : cases) {
    FileInfo info;
    ASSERT_TRUE(ReadFileInfo(c.file.data(), c.file.size(), info)) << c.name;
    EXPECT_EQ(info.type, FileType::TIFF);
    EXPECT_EQ(info.bitsPerPixel, c.bitsPerPixel) << c.name;
    EXPECT_EQ(info.model, c.model) << c.name;
    Image image = Decode(c.file, c.depth, c.wide);
    ASSERT_FALSE(image.Empty()) << c.name;
    EXPECT_EQ(image.pixels, c.pixels) << c.name;
  }
  Bytes truncated = fixtures::MakeTiff(64, 64, 8, 3, 2, Bytes(64 * 64 * 3, 7));
  truncated.resize(truncated.size() / 2);
  EXPECT_TRUE(Decode(truncated, 3).Empty());
}

// ---------------------------------------------------------------------------------------------
// PCX and PSD (read here), PNM and WBMP (the toolkit's readers)

TEST(ImagingFileType, PcxPsdPnmAndWbmpByContent) {
  struct Case {
    const char* name;
    Bytes file;
    FileType type;
  } cases[] = {
      {"PCX", fixtures::MakePcx(3, 2, 3, 8, kPattern), FileType::PCX},
      {"PSD", fixtures::MakePsd(1, 1, 8, 1, {{7}}, false), FileType::PSD},
      {"PNM", fixtures::TextBytes("P6\n1 1\n255\nabc"), FileType::PNM},
      {"WBMP", fixtures::MakeWbmp(10, 2, std::vector<uint8_t>(20, 1)), FileType::WBMP},
      // A WBMP has no magic number: two zero bytes whose sizes do not match the rest are nothing.
      {"zeros", Bytes{0, 0, 10, 2, 1, 2, 3}, FileType::Unknown},
  };
  for (const Case& c : cases) EXPECT_EQ(GuessFileType(c.file.data(), c.file.size()), c.type) << c.name;
}

TEST(ImagingDecode, PcxMonochromePaletteAndTrueColour) {
  // 1 bit: which bit value is dark comes from the header's two palette entries; without them
  // (all zero) 0 is black.
  const std::vector<uint8_t> bits = {1, 0, 1, 0, 0, 0, 0, 0, 1, 1,  // 10 x 2
                                     0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  struct Mono {
    const char* name;
    std::vector<Rgb> palette;
    bool oneIsDark;
  } monos[] = {{"black, white", {{0, 0, 0}, {255, 255, 255}}, false},
               {"white, black", {{255, 255, 255}, {0, 0, 0}}, true},
               {"no palette", {}, false}};
  for (const Mono& m : monos) {
    SCOPED_TRACE(m.name);
    const Bytes file = fixtures::MakePcx(10, 2, 1, 1, {}, bits, m.palette);
    FileInfo info;
    ASSERT_TRUE(ReadFileInfo(file.data(), file.size(), info));
    EXPECT_EQ(info.type, FileType::PCX);
    EXPECT_EQ(info.width, 10);
    EXPECT_EQ(info.height, 2);
    EXPECT_EQ(info.bitsPerPixel, 1);
    EXPECT_EQ(info.dpiX, 150);
    const Image image = Decode(file, 0);
    ASSERT_FALSE(image.Empty());
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 10; ++x) {
        const bool dark = (image.pixels[size_t(y * image.stride + x / 8)] >> (7 - x % 8)) & 1;
        EXPECT_EQ(dark, bits[size_t(y * 10 + x)] == m.oneIsDark) << x << "," << y;
      }
  }

  std::vector<Rgb> palette(256, Rgb{0, 0, 0});
  for (size_t i = 0; i < kPattern.size(); ++i) palette[i + 10] = kPattern[i];
  const Bytes indexed = fixtures::MakePcx(3, 2, 1, 8, {}, {10, 11, 12, 13, 14, 15}, palette);
  const Bytes trueColour = fixtures::MakePcx(3, 2, 3, 8, kPattern);
  for (const Bytes* file : {&indexed, &trueColour}) {
    const Image image = Decode(*file, 3);
    ASSERT_FALSE(image.Empty());
    EXPECT_EQ(image.pixels, RgbBytes(kPattern));
  }
  // A long run (a row of 70 equal bytes is two runs) and a grey palette.
  std::vector<Rgb> greys(256);
  for (int i = 0; i < 256; ++i) greys[size_t(i)] = {uint8_t(i), uint8_t(i), uint8_t(i)};
  const Image grey = Decode(fixtures::MakePcx(70, 1, 1, 8, {}, std::vector<uint8_t>(70, 0xC5), greys), 1);
  ASSERT_FALSE(grey.Empty());
  EXPECT_EQ(grey.pixels, std::vector<uint8_t>(70, 0xC5));
}

TEST(ImagingDecode, PsdFlattenedImageRawAndRunLength) {
  const Bytes r = {255, 0, 0, 10, 200, 255}, g = {0, 255, 0, 20, 100, 255}, b = {0, 0, 255, 30, 50, 255};
  for (bool rle : {false, true}) {
    SCOPED_TRACE(rle);
    const Bytes rgb = fixtures::MakePsd(3, 2, 8, 3, {r, g, b}, rle);
    FileInfo info;
    ASSERT_TRUE(ReadFileInfo(rgb.data(), rgb.size(), info));
    EXPECT_EQ(info.type, FileType::PSD);
    EXPECT_EQ(info.model, ColourModel::RGB);
    const Image image = Decode(rgb, 3);
    ASSERT_FALSE(image.Empty());
    EXPECT_EQ(image.pixels, RgbBytes(kPattern));
  }
  // A fourth channel is the alpha; 16-bit grey keeps its samples when read wide.
  const Image rgba = Decode(fixtures::MakePsd(3, 2, 8, 3, {r, g, b, {1, 2, 3, 4, 5, 6}}, true), 4);
  ASSERT_FALSE(rgba.Empty());
  EXPECT_EQ(rgba.pixels[3], 1);
  EXPECT_EQ(rgba.pixels[23], 6);
  const Image grey16 = Decode(fixtures::MakePsd(2, 1, 16, 1, {{0x12, 0x34, 0xFF, 0xFE}}, false), 1, true);
  ASSERT_FALSE(grey16.Empty());
  uint16_t samples[2];
  std::memcpy(samples, grey16.pixels.data(), 4);
  EXPECT_EQ(samples[0], 0x1234);
  EXPECT_EQ(samples[1], 0xFFFE);
}

TEST(ImagingDecode, PnmAndWbmpThroughTheToolkit) {
  const Bytes ppm = [] {
    Bytes b = fixtures::TextBytes("P6\n3 2\n255\n");
    const std::vector<uint8_t> rgb = RgbBytes(kPattern);
    b.insert(b.end(), rgb.begin(), rgb.end());
    return b;
  }();
  Image image = Decode(ppm, 3);
  ASSERT_FALSE(image.Empty());
  EXPECT_EQ(image.pixels, RgbBytes(kPattern));

  image = Decode(fixtures::TextBytes("P2\n3 1\n255\n0 128 255\n"), 1);
  ASSERT_FALSE(image.Empty());
  EXPECT_EQ(image.pixels, (std::vector<uint8_t>{0, 128, 255}));

  // A PBM and a WBMP of the same picture: PBM bit 1 is black, WBMP bit 1 is white.
  const Image pbm = Decode(fixtures::TextBytes("P1\n3 1\n1 0 1\n"), 1);
  const Image wbmp = Decode(fixtures::MakeWbmp(3, 1, {0, 1, 0}), 1);
  ASSERT_FALSE(pbm.Empty());
  ASSERT_FALSE(wbmp.Empty());
  EXPECT_EQ(pbm.pixels, (std::vector<uint8_t>{0, 255, 0}));
  EXPECT_EQ(wbmp.pixels, pbm.pixels);
  FileInfo info;
  const Bytes w = fixtures::MakeWbmp(10, 2, std::vector<uint8_t>(20, 0));
  ASSERT_TRUE(ReadFileInfo(w.data(), w.size(), info));
  EXPECT_EQ(info.type, FileType::WBMP);
  EXPECT_EQ(info.width, 10);
  EXPECT_EQ(info.height, 2);
}

TEST(ImagingDecode, BrokenPcxPsdPnmAndWbmpGiveEmpty) {
  Bytes pcxShort = fixtures::MakePcx(40, 40, 3, 8, std::vector<Rgb>(1600, Rgb{1, 2, 3}));
  pcxShort.resize(200);
  Bytes pcxPlanar = fixtures::MakePcx(3, 2, 3, 8, kPattern);
  pcxPlanar[65] = 4;  // 16-colour planar layouts are not read
  Bytes pcxNoPalette = fixtures::MakePcx(3, 2, 1, 8, {}, {1, 2, 3, 4, 5, 6}, {});
  pcxNoPalette[pcxNoPalette.size() - 769] = 0;  // the palette marker is missing
  Bytes psdShort = fixtures::MakePsd(3, 2, 8, 3, {Bytes(6, 1), Bytes(6, 2), Bytes(6, 3)}, true);
  psdShort.resize(psdShort.size() - 3);
  Bytes psdCmyk = fixtures::MakePsd(1, 1, 8, 4, {{1}, {2}, {3}, {4}}, false);
  Bytes psdSection = fixtures::MakePsd(1, 1, 8, 1, {{1}}, false);
  psdSection[26] = 0x7F;  // a colour mode section longer than the file
  Bytes wbmpShort = fixtures::MakeWbmp(16, 4, std::vector<uint8_t>(64, 1));
  wbmpShort.pop_back();
  struct Case {
    const char* name;
    Bytes bytes;
  } cases[] = {{"PCX that ends early", pcxShort},   {"PCX of four planes", pcxPlanar},
               {"PCX without its palette", pcxNoPalette}, {"PSD that ends early", psdShort},
               {"CMYK PSD", psdCmyk},                {"PSD with a lying section", psdSection},
               {"PPM that ends early", fixtures::TextBytes("P6\n30 20\n255\nabc")},
               {"WBMP that ends early", wbmpShort}};
  for (const Case& c : cases)
    for (int depth : {1, 3}) EXPECT_TRUE(Decode(c.bytes, depth).Empty()) << c.name << " depth " << depth;
}
