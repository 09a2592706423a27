// The image class: layout maths, ROI, conversions, ownership, files and the image log.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>

#include "display/Imagebase.h"
#include "platform/imaging/Imaging.h"
#include "platform/rtl/SysUtils.h"
#include "base/Globals.h"
#include "tests/platform/imaging/Fixtures.h"

namespace {

using fixtures::Bytes;

// Every test writes its log.txt into its own program folder.
class ZImageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetProgramFolder(dir.path());
    ClearImageLog();
    baseline = ImageBytesAllocated;
  }
  void TearDown() override {
    EXPECT_EQ(ImageBytesAllocated, baseline) << "pixel buffers leaked or freed twice";
  }

  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines;
    std::ifstream in(dir / "log.txt");
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  std::string Write(const std::string& name, const Bytes& bytes) const {
    fixtures::WriteFile(dir / name, bytes);
    return dir / name;
  }

  // An image whose bytes count up from `start`.
  static std::unique_ptr<ZImage> Counting(int w, int h, int d, ZImageType t = 0, int start = 0) {
    auto image = std::make_unique<ZImage>(w, h, d, t);
    for (int i = 0; i < image->BufferBytes(); ++i) image->Pixels()[i] = BYTE(start + i);
    return image;
  }

  fixtures::TempFolder dir;
  int baseline = 0;
};

using Lines = std::vector<std::string>;

}  // namespace

TEST_F(ZImageTest, BufferSizeStrideAndValidity) {
  struct Case {
    int w, h, d;
    ZImageType t;
    int bytes, stride;
  } cases[] = {{10, 3, 0, 0, 6, 2},  {10, 3, 3, 1, 180, 60}, {3, 2, 3, 0, 18, 9},
               {5, 1, 4, 0, 20, 20}, {8, 2, 1, 1, 32, 16},   {9, 1, 0, 0, 2, 2}};
  for (const Case& c : cases) {
    EXPECT_EQ(ZImage::BufferSize(c.w, c.h, c.d, c.t), c.bytes) << c.w << "x" << c.h << " d" << c.d;
    ZImage image(c.w, c.h, c.d, c.t);
    EXPECT_EQ(image.Stride(), c.stride);
    EXPECT_GE(image.BufferBytes(), c.bytes);
    EXPECT_TRUE(image.IsValid());
    for (int i = 0; i < c.bytes; ++i) ASSERT_EQ(image.Pixels()[i], 0) << "pixels start at 0";
  }
  ZImage empty;
  EXPECT_FALSE(empty.IsValid());
  EXPECT_EQ(ZImage::BufferSize(70000, 70000, 4, 1), 0);  // beyond what one buffer can hold
}

TEST_F(ZImageTest, RegionOfInterest) {
  ZImage rgb(10, 10, 3, 0);
  rgb.SetROI(TRect(2, 1, 5, 4));
  EXPECT_TRUE(rgb.RoiValid());
  EXPECT_FALSE(rgb.RoiWhole());
  EXPECT_EQ(rgb.RoiWidth(), 3);
  EXPECT_EQ(rgb.RoiHeight(), 3);
  EXPECT_EQ(rgb.RoiFirst() - rgb.Pixels(), 36);

  rgb.SetROI(TRect());  // all zero: the whole image
  EXPECT_TRUE(rgb.RoiValid() && rgb.RoiWhole());
  rgb.SetROI(TRect(8, 8, 20, 20));  // clipped
  EXPECT_EQ(rgb.RoiWidth(), 2);
  EXPECT_EQ(rgb.RoiHeight(), 2);
  rgb.SetROI(TRect(20, 20, 30, 30));  // outside
  EXPECT_FALSE(rgb.RoiValid());

  ZImage wide(10, 10, 3, 1);
  wide.SetROI(TRect(2, 1, 5, 4));
  EXPECT_EQ(wide.RoiFirst() - wide.Pixels(), 60 + 12);
  ZImage bits(20, 4, 0, 0);
  bits.SetROI(TRect(9, 2, 15, 3));
  EXPECT_EQ(bits.RoiFirst() - bits.Pixels(), 2 * 3 + 1);  // the byte holding pixel 9 of row 2
}

TEST_F(ZImageTest, CropNeedsARealRectangleAndKeepsChannelWidth) {
  auto rgb = Counting(4, 3, 3);
  EXPECT_EQ(rgb->Crop_C(TRect()), nullptr);
  EXPECT_EQ(LogLines(), Lines{"Crop_C( TRect  ROI ) fehlgeschlagen"});

  std::unique_ptr<ZImage> part(rgb->Crop_C(TRect(1, 1, 3, 3)));
  ASSERT_TRUE(part);
  EXPECT_EQ(part->Width(), 2);
  EXPECT_EQ(part->Height(), 2);
  EXPECT_EQ(part->Pixels()[0], 12 + 3);  // row 1, column 1

  auto wide = Counting(4, 2, 1, 1);
  std::unique_ptr<ZImage> widePart(wide->Crop_C(TRect(1, 0, 3, 2)));
  ASSERT_TRUE(widePart);
  EXPECT_EQ(widePart->Type(), 1);
  EXPECT_EQ(widePart->Stride(), 4);
  EXPECT_EQ(std::memcmp(widePart->Pixels(), wide->Pixels() + 2, 4), 0);
  EXPECT_EQ(std::memcmp(widePart->Pixels() + 4, wide->Pixels() + 8 + 2, 4), 0);

  ZImage bits(16, 1, 0, 0);
  bits.Pixels()[0] = 0x0F;
  bits.Pixels()[1] = 0xF0;
  ASSERT_TRUE(bits.Crop(TRect(4, 0, 12, 1)));  // 1-bit crop from a non-byte edge
  EXPECT_EQ(bits.Width(), 8);
  EXPECT_EQ(bits.Pixels()[0], 0xFF);
}

TEST_F(ZImageTest, ConversionsBetweenDepths) {
  // RGBA whole image: ToRGBA leaves the alpha values as they are.
  auto rgba = Counting(2, 1, 4, 0, 10);
  ASSERT_TRUE(rgba->ToRGBA(200, TRect()));
  EXPECT_EQ(rgba->Pixels()[3], 13);
  EXPECT_EQ(rgba->Pixels()[7], 17);
  // RGB gains the given alpha.
  auto rgb = Counting(2, 1, 3, 0, 10);
  ASSERT_TRUE(rgb->ToRGBA(200, TRect()));
  EXPECT_EQ(rgb->Depth(), 4);
  EXPECT_EQ(std::vector<BYTE>(rgb->Pixels(), rgb->Pixels() + 8),
            (std::vector<BYTE>{10, 11, 12, 200, 13, 14, 15, 200}));
  // Grey with an ROI: the ROI only.
  auto grey = Counting(3, 2, 1);
  std::unique_ptr<ZImage> roi(grey->ToRGBA_C(9, TRect(1, 1, 3, 2)));
  ASSERT_TRUE(roi);
  EXPECT_EQ(roi->Width(), 2);
  EXPECT_EQ(std::vector<BYTE>(roi->Pixels(), roi->Pixels() + 8), (std::vector<BYTE>{4, 4, 4, 9, 5, 5, 5, 9}));
  // 1-bit to grey: bit 1 becomes 255.
  ZImage bits(3, 1, 0, 0);
  bits.Pixels()[0] = 0xA0;
  std::unique_ptr<ZImage> unpacked(bits.OneBitToGray_C());
  ASSERT_TRUE(unpacked);
  EXPECT_EQ(std::vector<BYTE>(unpacked->Pixels(), unpacked->Pixels() + 3), (std::vector<BYTE>{255, 0, 255}));
  // RGB to grey by luminance; a 16-bit colour image gives 8-bit grey.
  ZImage red(1, 1, 3, 0);
  red.Pixels()[0] = 255;
  ASSERT_TRUE(red.ToGray(TRect()));
  EXPECT_EQ(red.Depth(), 1);
  EXPECT_EQ(red.Pixels()[0], 76);
  ZImage wide(1, 1, 3, 1);
  std::memset(wide.Pixels(), 0xFF, 6);
  std::unique_ptr<ZImage> wideGrey(wide.ToGray_C(TRect()));
  ASSERT_TRUE(wideGrey);
  EXPECT_EQ(wideGrey->Type(), 0);
  EXPECT_EQ(wideGrey->Pixels()[0], 255);
  // ToRGB_C refuses 16-bit images, and logs once.
  ClearImageLog();
  EXPECT_EQ(wide.ToRGB_C(TRect()), nullptr);
  EXPECT_EQ(LogLines(), Lines{"ToRGB_C( TRect ROI ) fehlgeschlagen"});
}

TEST_F(ZImageTest, SetChannelTakesTheGreyImageByReference) {
  auto rgba = Counting(2, 2, 4);
  {
    ZImage alpha(2, 2, 1, 0);
    std::memset(alpha.Pixels(), 0x77, 4);
    ASSERT_TRUE(rgba->SetChannel(alpha, 3));
    EXPECT_EQ(alpha.Pixels()[0], 0x77) << "the grey image is still the caller's";
  }
  EXPECT_EQ(rgba->Pixels()[3], 0x77);
  EXPECT_EQ(rgba->Pixels()[2], 2);
  ZImage wrongSize(3, 2, 1, 0);
  EXPECT_FALSE(rgba->SetChannel(wrongSize, 3));
  ZImage grey(2, 2, 1, 0);
  EXPECT_FALSE(rgba->SetChannel(grey, 4));
  EXPECT_EQ(LogLines(), (Lines{"SetChannel_C( ZImage img8, UINT nr ) fehlgeschlagen",
                               "SetChannel( ZImage img8, UINT nr ) fehlgeschlagen",
                               "SetChannel_C( ZImage img8, UINT nr ) fehlgeschlagen",
                               "SetChannel( ZImage img8, UINT nr ) fehlgeschlagen"}));
}

TEST_F(ZImageTest, CopiesNeverShareABuffer) {
  auto original = Counting(3, 3, 3);
  const int bytes = ImageBytesAllocated;
  {
    ZImage copy(*original);
    EXPECT_NE(copy.Pixels(), original->Pixels());
    copy.Pixels()[0] = 99;
    EXPECT_EQ(original->Pixels()[0], 0);
    ZImage assigned;
    assigned = copy;
    assigned = assigned;  // self-assignment keeps the pixels
    EXPECT_EQ(assigned.Pixels()[0], 99);
    ZImage moved(std::move(assigned));
    EXPECT_EQ(assigned.Pixels(), nullptr);
    EXPECT_EQ(moved.Pixels()[0], 99);
    ZImage target(1, 1, 1, 0);
    target = std::move(moved);
    EXPECT_EQ(target.Width(), 3);
    EXPECT_TRUE(target.Copy(&target));  // copying onto itself keeps the pixels
    EXPECT_EQ(target.Pixels()[0], 99);
    std::vector<ZImage> list;
    for (int i = 0; i < 5; ++i) list.push_back(*original);  // reallocation moves, never double-frees
  }
  EXPECT_EQ(ImageBytesAllocated, bytes);
  ZImage fromPointer(original.get());
  EXPECT_EQ(fromPointer.Pixels()[8], 8);
  ZImage emptyCopy{ZImage()};
  EXPECT_FALSE(emptyCopy.IsValid());
}

TEST_F(ZImageTest, ImageBaseLogsStartAndEndAndReportsLeaks) {
  ::testing::internal::CaptureStderr();
  {
    ImageBase base;
    EXPECT_EQ(LogLines(), Lines{"ImageBase gestartet"});
    ZImage transient(4, 4, 4, 0);
  }
  EXPECT_EQ(::testing::internal::GetCapturedStderr().find("nicht freigegeben"), std::string::npos)
      << "every image was gone before the shut-down";
  EXPECT_EQ(LogLines(), (Lines{"ImageBase gestartet", "ImageBase beendet"}));

  auto* base = new ImageBase();
  auto* leaked = new ZImage(2, 2, 1, 0);
  ::testing::internal::CaptureStderr();
  delete base;
  const std::string boxes = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(boxes.find("4 Bytes nicht freigegeben"), std::string::npos) << boxes;
  delete leaked;
  ImageBytesAllocated = baseline;  // ImageBase starts its count at 0
}

TEST_F(ZImageTest, OpenChoosesDepthAndTypeByContent) {
  std::vector<fixtures::Rgb> pixels(6, {200, 100, 50});
  std::vector<fixtures::Rgb> grey(256), colour(256);
  for (int i = 0; i < 256; ++i) {
    grey[size_t(i)] = {uint8_t(i), uint8_t(i), uint8_t(i)};
    colour[size_t(i)] = {uint8_t(i), 0, 0};
  }
  auto png = [&](int d, bool wide, const std::string& name) {
    imaging::Image image = imaging::MakeImage(3, 2, d, wide);
    EXPECT_TRUE(imaging::SavePNG(dir / name, image.Ref(), 150, 150));
    return dir / name;
  };
  imaging::Image jpegSource = imaging::MakeImage(8, 8, 3, false);
  imaging::Image jpegGrey = imaging::MakeImage(8, 8, 1, false);
  struct Case {
    std::string path;
    int depth;
    ZImageType type;
  } cases[] = {
      {Write("rgb24.bmp", fixtures::MakeBmp(3, 2, 24, pixels)), 3, 0},
      {Write("rgb32.bmp", fixtures::MakeBmp(3, 2, 32, pixels)), 4, 0},
      {Write("grey8.bmp", fixtures::MakeBmp(3, 2, 8, {}, {1, 2, 3, 4, 5, 6}, grey)), 1, 0},
      {Write("colour8.bmp", fixtures::MakeBmp(3, 2, 8, {}, {1, 2, 3, 4, 5, 6}, colour)), 3, 0},
      {Write("mono.bmp", fixtures::MakeBmp(3, 2, 1, {}, {1, 0, 1, 0, 1, 0}, {{0, 0, 0}, {255, 255, 255}})), 0,
       0},
      {png(0, false, "mono.png"), 0, 0},
      {png(1, false, "grey.png"), 1, 0},
      {png(3, false, "rgb.png"), 3, 0},
      {png(4, false, "rgba.png"), 4, 0},
      {png(1, true, "grey16.png"), 1, 1},
      {png(3, true, "rgb16.png"), 3, 1},
      {png(4, true, "rgba16.png"), 4, 1},
      {Write("colour.jpg", imaging::EncodeJPEG(jpegSource.Ref(), 90)), 3, 0},
      {Write("grey.jpg", imaging::EncodeJPEG(jpegGrey.Ref(), 90)), 1, 0},
      {Write("symbol.tga", fixtures::MakeTga(3, 2, 32, pixels, std::vector<uint8_t>(6, 9), false)), 3, 0},
      {Write("named_wrongly.tga", fixtures::MakeBmp(3, 2, 24, pixels)), 3, 0},
      {Write("rgb.tif", fixtures::MakeTiff(3, 2, 8, 3, 2, Bytes(18, 5))), 3, 0},
      {Write("grey16.tif", fixtures::MakeTiff(3, 2, 16, 1, 1, Bytes(12, 5))), 1, 1},
      {Write("mono.tif", fixtures::MakeTiff(3, 2, 1, 1, 0, Bytes(2, 0x80))), 0, 0},
      {Write("mono.pcx", fixtures::MakePcx(3, 2, 1, 1, {}, {1, 0, 1, 0, 1, 0})), 0, 0},
      {Write("rgb.pcx", fixtures::MakePcx(3, 2, 3, 8, pixels)), 3, 0},
      {Write("colour8.pcx", fixtures::MakePcx(3, 2, 1, 8, {}, {1, 2, 3, 4, 5, 6}, colour)), 3, 0},
      {Write("grey.psd", fixtures::MakePsd(3, 2, 8, 1, {Bytes(6, 9)}, true)), 3, 0},
      {Write("rgb16.psd", fixtures::MakePsd(3, 2, 16, 3, {Bytes(12, 1), Bytes(12, 2), Bytes(12, 3)}, false)), 3,
       0},
      {Write("grey.pgm", fixtures::TextBytes("P5\n3 2\n255\n\1\2\3\4\5\6")), 3, 0},
      {Write("mono.pbm", fixtures::TextBytes("P1\n3 2\n1 0 1\n0 1 0\n")), 3, 0},
      {Write("mono.wbmp", fixtures::MakeWbmp(3, 2, {1, 0, 1, 0, 1, 0})), 3, 0},
  };
  for (const Case& c : cases) {
    ZImage image;
    ASSERT_TRUE(image.Open(c.path)) << c.path;
    EXPECT_EQ(image.Depth(), c.depth) << c.path;
    EXPECT_EQ(image.Type(), c.type) << c.path;
    EXPECT_EQ(image.Width(), c.path.find(".jpg") != std::string::npos ? 8 : 3) << c.path;
  }
  // The generic reader gives RGB or RGBA whatever the file holds.
  ZImage generic;
  ASSERT_TRUE(generic.Open(dir / "grey.png", true));
  EXPECT_EQ(generic.Depth(), 4);
  ASSERT_TRUE(generic.Open(dir / "rgba16.png", false));
  EXPECT_EQ(generic.Depth(), 3);
  EXPECT_EQ(generic.Type(), 0);
  // Backslash paths are accepted.
  ASSERT_TRUE(generic.Open(dir.path() + "\\rgb24.bmp"));
  EXPECT_TRUE(LogLines().empty());
}

TEST_F(ZImageTest, SavePngRoundTripKeepsPixelsAndResolution) {
  for (int d : {0, 1, 3, 4}) {
    for (ZImageType t : {ZImageType(0), ZImageType(1)}) {
      if (d == 0 && t == 1) continue;
      auto image = Counting(8, 3, d, t, 5);
      const std::string path = dir / ("out" + std::to_string(d) + std::to_string(t) + ".png");
      ASSERT_TRUE(image->SavePNG(path)) << d << t;
      ZImage back;
      ASSERT_TRUE(back.Open(path)) << d << t;
      EXPECT_EQ(back.Depth(), d);
      EXPECT_EQ(back.Type(), t);
      ASSERT_EQ(back.BufferBytes(), image->BufferBytes());
      EXPECT_EQ(std::memcmp(back.Pixels(), image->Pixels(), size_t(image->BufferBytes())), 0) << d << t;
    }
  }
  ZImage withDpi;
  imaging::Image source = imaging::MakeImage(2, 2, 3, false);
  ASSERT_TRUE(imaging::SavePNG(dir / "dpi.png", source.Ref(), 300, 300));
  ASSERT_TRUE(withDpi.Open(dir / "dpi.png"));
  ASSERT_TRUE(withDpi.SavePNG(dir / "dpi2.png"));
  imaging::FileInfo info;
  ASSERT_TRUE(imaging::ReadFileInfo(dir / "dpi2.png", info));
  EXPECT_NEAR(info.dpiX, 300, 0.1);
  ZImage empty;
  EXPECT_FALSE(empty.SavePNG(dir / "empty.png"));
  EXPECT_FALSE(withDpi.SavePNG(dir / "no/such/folder/x.png"));
  EXPECT_EQ(LogLines(), (Lines{"SavePNG( AnsiString filename ) fehlgeschlagen",
                               "SavePNG( AnsiString filename ) fehlgeschlagen"}));
}

TEST_F(ZImageTest, BadFilesFailWithOneLogLine) {
  imaging::Image big = imaging::MakeImage(32, 32, 3, false);
  for (size_t i = 0; i < big.pixels.size(); ++i) big.pixels[i] = uint8_t(i);
  Bytes jpeg = imaging::EncodeJPEG(big.Ref(), 90);
  jpeg.resize(jpeg.size() * 2 / 3);
  ASSERT_TRUE(imaging::SavePNG(dir / "good.png", big.Ref()));
  Bytes png = fixtures::ReadFile(dir / "good.png");
  png[0] = 0x88;
  Bytes zeroTga = fixtures::TgaHeader(2, 0, 0, 24, 0);
  Bytes lyingTga = fixtures::MakeTga(2, 2, 24, std::vector<fixtures::Rgb>(4, {1, 2, 3}), {}, false);
  lyingTga[14] = 0xFF;  // claims 255 rows, holds 2
  Bytes shortPcx = fixtures::MakePcx(30, 30, 3, 8, std::vector<fixtures::Rgb>(900, {1, 2, 3}));
  shortPcx.resize(300);
  Bytes shortPsd = fixtures::MakePsd(3, 2, 8, 3, {Bytes(6, 1), Bytes(6, 2), Bytes(6, 3)}, false);
  shortPsd.resize(shortPsd.size() - 1);
  struct Case {
    std::string path;
  } cases[] = {{Write("truncated.jpg", jpeg)},
               {Write("wrong_header.png", png)},
               {Write("zero.tga", zeroTga)},
               {Write("lying.tga", lyingTga)},
               {Write("text.bmp", {'h', 'i'})},
               {Write("short.pcx", shortPcx)},
               {Write("short.psd", shortPsd)},
               {Write("cmyk.psd", fixtures::MakePsd(1, 1, 8, 4, {{1}, {2}, {3}, {4}}, false))},
               {Write("short.ppm", fixtures::TextBytes("P6\n30 20\n255\nabc"))},
               {dir / "missing.png"}};
  for (const Case& c : cases) {
    auto image = Counting(2, 2, 3);  // a failed open leaves the image empty
    ClearImageLog();
    EXPECT_FALSE(image->Open(c.path)) << c.path;
    EXPECT_FALSE(image->IsValid());
    EXPECT_EQ(LogLines(), Lines{"Open( AnsiString filename ) fehlgeschlagen"}) << c.path;
    ClearImageLog();
    EXPECT_FALSE(image->Open(c.path, true)) << c.path;
    EXPECT_EQ(LogLines(), Lines{"Open( AnsiString filename, bool rgba ) fehlgeschlagen"}) << c.path;
  }
}

TEST_F(ZImageTest, PaintingResolvesColours) {
  ZImage rgba(4, 4, 4, 0);
  ASSERT_TRUE(rgba.FillRect(TRect(0, 0, 2, 2), clRed));
  EXPECT_EQ(std::vector<BYTE>(rgba.Pixels(), rgba.Pixels() + 4), (std::vector<BYTE>{255, 0, 0, 255}));
  ASSERT_TRUE(rgba.FillRect(TRect(2, 2, 4, 4), clBtnFace));
  const TColor face = ColorToRGB(clBtnFace);
  const BYTE* p = rgba.Pixels() + 2 * 16 + 2 * 4;
  EXPECT_EQ(std::vector<BYTE>(p, p + 4),
            (std::vector<BYTE>{BYTE(GetRValue(face)), BYTE(GetGValue(face)), BYTE(GetBValue(face)), 255}));
  EXPECT_FALSE(rgba.FillRect(TRect(10, 10, 20, 20), clRed));

  ZImage grey(9, 9, 1, 0);
  ASSERT_TRUE(grey.DrawEllipse(TPoint(4, 4), 3, 3, clWhite, true));
  EXPECT_EQ(grey.Pixels()[4 * 9 + 4], 255);
  EXPECT_EQ(grey.Pixels()[0], 0);
  ZImage bits(8, 1, 0, 0);
  ASSERT_TRUE(bits.FillRect(TRect(0, 0, 4, 1), 0x000001));
  EXPECT_EQ(bits.Pixels()[0], 0xF0);
  ASSERT_TRUE(bits.FillRect(TRect(0, 0, 2, 1), 0x0000FE));  // only the lowest bit counts
  EXPECT_EQ(bits.Pixels()[0], 0x30);
  EXPECT_EQ(LogLines(), Lines{"FillRect( TRect r, TColor col ) fehlgeschlagen"});
}

TEST_F(ZImageTest, AlphaBlendRaisesAlphaAndLeavesImageOnFailure) {
  ZImage base(2, 2, 4, 0);  // black, alpha 0
  ZImage top(2, 2, 4, 0);
  for (int i = 0; i < 4; ++i) {
    BYTE* px = top.Pixels() + i * 4;
    px[0] = 255;
    px[3] = 128;
  }
  ASSERT_TRUE(base.AlphaBlendRGBA(&top, -1, 1));
  // Only (0, 1) is covered: alpha raised to 128 first, so red is blended at 128/255.
  EXPECT_EQ(std::vector<BYTE>(base.Pixels() + 8, base.Pixels() + 12), (std::vector<BYTE>{128, 0, 0, 128}));
  EXPECT_EQ(base.Pixels()[3], 0);
  EXPECT_EQ(base.Pixels()[12 + 3], 0);

  ZImage rgb(2, 2, 3, 0);
  EXPECT_FALSE(rgb.AlphaBlendRGBA(&top, 0, 0));
  EXPECT_EQ(rgb.Pixels()[0], 0);
  EXPECT_FALSE(base.AlphaBlendRGBA(nullptr, 0, 0));
  EXPECT_EQ(LogLines().size(), 2u);
}

TEST_F(ZImageTest, ResizeKeepsLayoutAndRejectsEmptyTargets) {
  struct Case {
    int d;
    ZImageType t;
    UINT mode;
    TRect dst;
  } cases[] = {{3, 0, 17, TRect(0, 0, 7, 5)}, {4, 0, 14, TRect(0, 0, 2, 2)},  {4, 0, 14, TRect(0, 0, 8, 8)},
               {1, 1, 3, TRect(0, 0, 3, 9)},  {0, 0, 16, TRect(0, 0, 10, 2)}, {1, 0, 15, TRect(5, 5, 7, 6)}};
  for (const Case& c : cases) {
    ZImage image(4, 4, c.d, c.t);
    if (c.d > 0) std::memset(image.Pixels(), 0x5A, size_t(image.BufferBytes()));
    ASSERT_TRUE(image.Resize(c.dst, TRect(), c.mode)) << c.d << " mode " << c.mode;
    EXPECT_EQ(image.Width(), c.dst.Width());
    EXPECT_EQ(image.Height(), c.dst.Height());
    EXPECT_EQ(image.Depth(), c.d);
    EXPECT_EQ(image.Type(), c.t);
    if (c.d > 0) {
      EXPECT_EQ(image.Pixels()[0], 0x5A) << "a flat image stays flat";
    }
  }
  ZImage image(4, 4, 3, 0);
  std::unique_ptr<ZImage> part(image.Resize_C(TRect(0, 0, 4, 4), TRect(0, 0, 2, 2), 17));
  ASSERT_TRUE(part);
  EXPECT_EQ(part->Width(), 4);
  EXPECT_EQ(image.Resize_C(TRect(), TRect(), 17), nullptr);
  EXPECT_EQ(LogLines(), Lines{"Resize_C( TRect dst, TRect ROI, UINT mode ) fehlgeschlagen"});
}

TEST_F(ZImageTest, HsvToColourPacksRedInTheLowByte) {
  struct Case {
    HSVColor hsv;
    TColor colour;
  } cases[] = {{{120, 1, 255}, 0x00FF00}, {{0, 1, 255}, 0x0000FF},    {{240, 1, 255}, 0xFF0000},
               {{0, 0, 0}, 0x000000},     {{-120, 1, 255}, 0xFF0000}, {{60, 1, 255}, 0x00FFFF}};
  for (const Case& c : cases) EXPECT_EQ(HSVToColor(c.hsv), c.colour) << c.hsv.h;
}

TEST_F(ZImageTest, BitmapsInAndOut) {
  ZImage rgb(3, 2, 3, 0);
  for (int i = 0; i < 18; ++i) rgb.Pixels()[i] = BYTE(i * 10);
  std::unique_ptr<TBitmap> bitmap(rgb.CreateBitmap(TRect()));
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(bitmap->Width(), 3);
  EXPECT_EQ(bitmap->Canvas()->Pixels(1, 1), RGB(120, 130, 140));
  ZImage back(bitmap.get(), TRect());
  EXPECT_EQ(back.Depth(), 3);
  EXPECT_EQ(std::memcmp(back.Pixels(), rgb.Pixels(), 18), 0);
  ZImage part(bitmap.get(), TRect(1, 0, 3, 1));
  EXPECT_EQ(part.Width(), 2);
  EXPECT_EQ(part.Pixels()[0], 30);

  // 1-bit images are drawn with bit 1 black; grey through the grey palette.
  ZImage bits(2, 1, 0, 0);
  bits.Pixels()[0] = 0x80;
  std::unique_ptr<TBitmap> mono(bits.CreateBitmap(TRect()));
  ASSERT_TRUE(mono);
  EXPECT_EQ(mono->Canvas()->Pixels(0, 0), clBlack);
  EXPECT_EQ(mono->Canvas()->Pixels(1, 0), clWhite);
  // An ROI draws that part only.
  std::unique_ptr<TBitmap> roi(rgb.CreateBitmap(TRect(2, 1, 3, 2)));
  ASSERT_TRUE(roi);
  EXPECT_EQ(roi->Width(), 1);
  EXPECT_EQ(roi->Canvas()->Pixels(0, 0), RGB(150, 160, 170));

  TBitmap target;
  target.SetPixelFormat(pf32bit);
  target.SetSize(5, 5);
  target.Canvas()->Brush()->SetColor(clBlue);
  target.Canvas()->FillRect(TRect(0, 0, 5, 5));
  ZImage half(1, 1, 4, 0);
  half.Pixels()[0] = 255;
  half.Pixels()[3] = 128;
  ASSERT_TRUE(half.DrawToCanvas(target.Canvas(), 2, 2, TRect()));
  EXPECT_EQ(target.Canvas()->Pixels(2, 2), RGB(128, 0, 127));
  EXPECT_EQ(target.Canvas()->Pixels(1, 1), clBlue);
  EXPECT_FALSE(half.DrawToCanvas(nullptr, 0, 0, TRect()));
  TBitmap emptyBitmap;
  ZImage none;
  EXPECT_FALSE(none.Copy(&emptyBitmap, TRect()));
}

TEST_F(ZImageTest, ConstructorFailureEndsTheProgram) {
  EXPECT_EXIT({ ZImage impossible(0, 5, 3, 0); }, ::testing::ExitedWithCode(1), "");
  EXPECT_EXIT({ ZImage fromNothing(static_cast<ZImage*>(nullptr)); }, ::testing::ExitedWithCode(1), "");
}

TEST_F(ZImageTest, ImageLogLinesAlsoGoToTheStartUpLogList) {
  TStringList list;
  LogList = &list;
  ZImage empty;
  EXPECT_EQ(empty.Clone(), nullptr);
  LogList = nullptr;
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Strings(0), "Clone( void ) fehlgeschlagen");
  EXPECT_EQ(LogLines(), Lines{"Clone( void ) fehlgeschlagen"});
  ImageLogging = false;
  EXPECT_EQ(empty.Clone(), nullptr);
  ImageLogging = true;
  EXPECT_EQ(LogLines().size(), 1u) << "logging switched off writes nothing";
}
