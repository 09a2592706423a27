// Bitmaps and the canvas: pixel layout, drawing rules, text metrics, files and streams.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <utility>

#include "platform/rtl/Classes.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Graphics.h"

namespace {

class GraphicsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application->Initialize();
    bitmap.SetPixelFormat(pf32bit);
    bitmap.SetSize(20, 10);
  }
  TBitmap bitmap;
};

TEST_F(GraphicsTest, NewPixelsAreWhiteAndColoursAreRedLow) {
  EXPECT_EQ(bitmap.Canvas()->Pixels(0, 0), clWhite);
  bitmap.Canvas()->SetPixels(3, 4, 0x123456);
  EXPECT_EQ(bitmap.Canvas()->Pixels(3, 4), 0x123456);
  auto* row = static_cast<uint8_t*>(bitmap.ScanLine(4));
  // B, G, R, X in memory, as a 32-bit device-independent bitmap stores them.
  EXPECT_EQ(row[3 * 4 + 0], 0x12);
  EXPECT_EQ(row[3 * 4 + 1], 0x34);
  EXPECT_EQ(row[3 * 4 + 2], 0x56);
}

TEST_F(GraphicsTest, ScanLineWritesShowThroughTheCanvas) {
  for (TPixelFormat format : {pf24bit, pf32bit}) {
    TBitmap b;
    b.SetPixelFormat(format);
    b.SetSize(5, 3);
    int bytes = format == pf24bit ? 3 : 4;
    auto* row = static_cast<uint8_t*>(b.ScanLine(2));
    row[4 * bytes + 0] = 0x30;  // blue
    row[4 * bytes + 1] = 0x20;  // green
    row[4 * bytes + 2] = 0x10;  // red
    EXPECT_EQ(b.Canvas()->Pixels(4, 2), RGB(0x10, 0x20, 0x30)) << "format " << format;
  }
}

TEST_F(GraphicsTest, BadAccessIsCaughtOrIgnored) {
  EXPECT_THROW(bitmap.ScanLine(10), Exception);
  EXPECT_THROW(bitmap.ScanLine(-1), Exception);
  EXPECT_EQ(bitmap.Canvas()->Pixels(20, 0), CLR_INVALID);
  EXPECT_EQ(bitmap.Canvas()->Pixels(0, -1), CLR_INVALID);
  bitmap.Canvas()->SetPixels(-1, 50, clRed);  // ignored
  TBitmap empty;
  empty.Canvas()->FillRect(TRect(0, 0, 5, 5));  // nothing to draw on
  EXPECT_TRUE(empty.Empty());
}

TEST_F(GraphicsTest, ResizingKeepsThePixelsThatFit) {
  bitmap.Canvas()->SetPixels(1, 1, clRed);
  bitmap.SetSize(40, 30);
  EXPECT_EQ(bitmap.Canvas()->Pixels(1, 1), clRed);
  EXPECT_EQ(bitmap.Canvas()->Pixels(39, 29), clWhite);
}

// Which pixels a drawing operation covers: right and bottom edges are outside, as the class library has it.
struct CoverCase {
  const char* name;
  std::function<void(TCanvas*)> draw;
  TPoint inside;
  TPoint outside;
};

void PrintTo(const CoverCase& c, std::ostream* os) { *os << c.name; }

class Coverage : public GraphicsTest, public ::testing::WithParamInterface<CoverCase> {};

TEST_P(Coverage, CoversExactlyItsPixels) {
  TCanvas* c = bitmap.Canvas();
  c->Brush()->SetColor(clRed);
  c->Pen()->SetColor(clRed);
  GetParam().draw(c);
  EXPECT_EQ(c->Pixels(GetParam().inside.X, GetParam().inside.Y), clRed);
  EXPECT_EQ(c->Pixels(GetParam().outside.X, GetParam().outside.Y), clWhite);
}

INSTANTIATE_TEST_SUITE_P(
    Canvas, Coverage,
    ::testing::Values(
        CoverCase{"FillRectLastColumn", [](TCanvas* c) { c->FillRect(TRect(2, 2, 6, 5)); }, {5, 4}, {6, 4}},
        CoverCase{"FillRectLastRow", [](TCanvas* c) { c->FillRect(TRect(2, 2, 6, 5)); }, {2, 4}, {2, 5}},
        CoverCase{"RectangleOutlineRight", [](TCanvas* c) { c->Rectangle(1, 1, 8, 6); }, {7, 3}, {8, 3}},
        CoverCase{"RectangleOutlineBottom", [](TCanvas* c) { c->Rectangle(1, 1, 8, 6); }, {4, 5}, {4, 6}},
        CoverCase{"LineToExcludesEndPoint",
                  [](TCanvas* c) {
                    c->MoveTo(5, 8);
                    c->LineTo(15, 8);
                  },
                  {14, 8},
                  {15, 8}},
        CoverCase{"VerticalLine",
                  [](TCanvas* c) {
                    c->MoveTo(3, 0);
                    c->LineTo(3, 9);
                  },
                  {3, 8},
                  {3, 9}},
        CoverCase{"EllipseInsideItsBox", [](TCanvas* c) { c->Ellipse(0, 0, 10, 10); }, {5, 5}, {10, 5}},
        CoverCase{"PolygonFilled",
                  [](TCanvas* c) {
                    c->Polygon({{0, -1}, {10, -1}, {10, 9}, {0, 9}});
                  },
                  {5, 5},
                  {15, 5}},
        CoverCase{"ClearPenFillsOnly",
                  [](TCanvas* c) {
                    c->Pen()->SetStyle(psClear);
                    c->Rectangle(2, 2, 6, 6);
                  },
                  {5, 5},
                  {6, 6}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(GraphicsTest, TextOutFillsItsCellWithASolidBrushAndNotWithAClearOne) {
  TCanvas* c = bitmap.Canvas();
  bitmap.SetSize(200, 40);
  c->Font()->SetName("Verdana");
  c->Font()->SetHeight(16);
  c->Font()->SetColor(clWhite);
  c->Brush()->SetColor(clBlue);
  c->TextOut(0, 0, "...");
  EXPECT_EQ(c->Pixels(1, 1), clBlue) << "opaque background";
  c->Brush()->SetStyle(bsClear);
  c->TextOut(0, 20, "...");
  EXPECT_EQ(c->Pixels(1, 21), clWhite) << "the background stays";
  EXPECT_EQ(c->PenPos(), TPoint(c->TextWidth("..."), 20));
}

TEST_F(GraphicsTest, TextMetricsGrowWithTextAndFont) {
  TCanvas* c = bitmap.Canvas();
  c->Font()->SetName("Verdana");
  c->Font()->SetHeight(-11);
  int small = c->TextWidth("Analyzer");
  EXPECT_GT(small, 0);
  EXPECT_GT(c->TextWidth("Analyzer Analyzer"), small);
  EXPECT_EQ(c->TextWidth(""), 0);
  int smallHeight = c->TextHeight("Ag");
  c->Font()->SetHeight(-24);
  EXPECT_GT(c->TextWidth("Analyzer"), small);
  EXPECT_GT(c->TextHeight("Ag"), smallHeight);
  c->Font()->SetSize(12);
  EXPECT_EQ(c->Font()->Height(), -16);
  EXPECT_EQ(c->Font()->Size(), 12);
}

TEST_F(GraphicsTest, TransparentDrawSkipsTheTransparentColour) {
  TBitmap sprite;
  sprite.SetSize(4, 4);
  sprite.Canvas()->Brush()->SetColor(clBlack);
  sprite.Canvas()->FillRect(TRect(0, 0, 4, 4));
  sprite.Canvas()->SetPixels(1, 1, clLime);
  sprite.SetTransparent(true);  // the bottom-left pixel (black) is the transparent colour
  bitmap.Canvas()->Draw(0, 0, &sprite);
  EXPECT_EQ(bitmap.Canvas()->Pixels(0, 0), clWhite);
  EXPECT_EQ(bitmap.Canvas()->Pixels(1, 1), clLime);
  bitmap.Canvas()->StretchDraw(TRect(10, 0, 18, 8), &sprite);
  EXPECT_EQ(bitmap.Canvas()->Pixels(12, 2), clLime);
  EXPECT_EQ(bitmap.Canvas()->Pixels(10, 7), clWhite);
}

TEST_F(GraphicsTest, SystemColoursResolveThroughTheFixedTable) {
  EXPECT_EQ(ColorToRGB(clScrollBar), 0xC8D0D4);
  EXPECT_EQ(ColorToRGB(clWindow), clWhite);
  EXPECT_NE(ColorToRGB(clWindowFrame), clBlack);
  EXPECT_EQ(ColorToRGB(clSkyBlue), 0xF0CAA6);
  bitmap.Canvas()->Brush()->SetColor(clBtnFace);
  bitmap.Canvas()->FillRect(TRect(0, 0, 2, 2));
  EXPECT_EQ(bitmap.Canvas()->Pixels(0, 0), ColorToRGB(clBtnFace));
}

TEST_F(GraphicsTest, BitmapFileAndStreamRoundTrip) {
  bitmap.Canvas()->SetPixels(7, 3, RGB(10, 200, 30));
  std::string path = (std::filesystem::temp_directory_path() / "vcl_graphics_test.bmp").string();
  bitmap.SaveToFile(path);
  TBitmap loaded;
  loaded.LoadFromFile(path);
  std::remove(path.c_str());
  EXPECT_EQ(loaded.Width(), 20);
  EXPECT_EQ(loaded.Height(), 10);
  EXPECT_EQ(loaded.Canvas()->Pixels(7, 3), RGB(10, 200, 30));

  TMemoryStream stream;
  bitmap.SaveToStream(&stream);
  auto* bytes = static_cast<const char*>(stream.Memory());
  ASSERT_GT(stream.Size(), 54);
  EXPECT_EQ(std::string(bytes, 2), "BM");
  stream.SetPosition(0);
  TBitmap fromStream;
  fromStream.LoadFromStream(&stream);
  EXPECT_EQ(fromStream.Canvas()->Pixels(7, 3), RGB(10, 200, 30));
}

TEST_F(GraphicsTest, LoadingAMissingOrCorruptFileRaisesAndKeepsThePicture) {
  TPicture picture;
  picture.Bitmap()->SetSize(3, 3);
  EXPECT_THROW(picture.LoadFromFile("/nonexistent/Images/Splash_3.jpg"), Exception);
  std::string path = (std::filesystem::temp_directory_path() / "vcl_corrupt.bmp").string();
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fputs("BMnot really a bitmap", f);
  std::fclose(f);
  EXPECT_THROW(picture.LoadFromFile(path), Exception);
  std::remove(path.c_str());
  EXPECT_EQ(picture.Width(), 3);
}

TEST_F(GraphicsTest, AssignCopiesPixelsAndTransparency) {
  bitmap.Canvas()->SetPixels(0, 0, clRed);
  bitmap.SetTransparent(true);
  TBitmap copy;
  copy.Assign(&bitmap);
  bitmap.Canvas()->SetPixels(0, 0, clBlue);
  EXPECT_EQ(copy.Canvas()->Pixels(0, 0), clRed);
  EXPECT_TRUE(copy.Transparent());
  EXPECT_EQ(copy.PixelFormat(), pf32bit);
  copy.Assign(nullptr);
  EXPECT_TRUE(copy.Empty());
}

// A copy shares the source's pixels until one of them is written: every way of writing gives the
// written side its own pixels and leaves the other as it was.
TEST_F(GraphicsTest, AssignedCopiesStayApartWhicheverSideIsWritten) {
  const std::pair<const char*, std::function<void(TBitmap&)>> writes[] = {
      {"pixel", [](TBitmap& b) { b.Canvas()->SetPixels(0, 0, clBlue); }},
      {"fill", [](TBitmap& b) {
         b.Canvas()->Brush()->SetColor(clBlue);
         b.Canvas()->FillRect(TRect(0, 0, 2, 2));
       }},
      {"scan line", [](TBitmap& b) { static_cast<uint32_t*>(b.ScanLine(0))[0] = 0xFF0000FFu; }},
  };
  for (const auto& [name, write] : writes)
    for (bool writeSource : {true, false}) {
      bitmap.Canvas()->SetPixels(0, 0, clRed);
      TBitmap copy;
      copy.Assign(&bitmap);
      write(writeSource ? bitmap : copy);
      EXPECT_EQ((writeSource ? copy : bitmap).Canvas()->Pixels(0, 0), clRed) << name << writeSource;
      EXPECT_EQ((writeSource ? bitmap : copy).Canvas()->Pixels(0, 0), clBlue) << name << writeSource;
    }
}

}  // namespace
