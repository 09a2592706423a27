// Presentation on a window of the GUI library: the frame stretched to the client area.
#include "platform/scene/Scene.h"

#include <gtest/gtest.h>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/Native.h"
#include "platform/vcl/StdCtrls.h"

using namespace scene;

namespace {

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application->Initialize();
    form = new TForm(nullptr);
    form->SetBounds(0, 0, 700, 500);
    panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(0, 0, 512, 300);  // not 4:3: the frame is stretched non-uniformly
    form->Show();
  }
  void TearDown() override { delete form; }
  QImage Grab() { return NativeWidget(panel)->grab().toImage(); }
  TForm* form = nullptr;
  TPanel* panel = nullptr;
};

// Left half red, right half blue, a green band over rows 600..767.
void PaintQuarters(Device& device) {
  device.Clear(0xFFFF0000);
  Line line(device);
  line.SetWidth(512);
  const Vec2 right[2] = {{768, 0}, {768, 767}};
  line.Draw(right, 2, 0xFF0000FF);
  line.SetWidth(168);
  const Vec2 band[2] = {{0, 684}, {1023, 684}};
  line.Draw(band, 2, 0xFF00FF00);
}

TEST_F(WindowTest, PresentStretchesTheFrameOverTheClientArea) {
  Device device(panel);
  EXPECT_EQ(device.Window(), panel);
  PaintQuarters(device);
  ASSERT_TRUE(device.Present());
  Application->ProcessMessages();
  const QImage shown = Grab();
  ASSERT_EQ(shown.width(), 512);
  ASSERT_EQ(shown.height(), 300);
  auto rgb = [&](int x, int y) { return shown.pixel(x, y) & 0xFFFFFF; };
  EXPECT_EQ(rgb(100, 100), 0xFF0000u);
  EXPECT_EQ(rgb(250, 100), 0xFF0000u);
  EXPECT_EQ(rgb(262, 100), 0x0000FFu);
  EXPECT_EQ(rgb(500, 100), 0x0000FFu);
  EXPECT_EQ(rgb(100, 290), 0x00FF00u);  // 600/768 of 300 = row 234 onwards
  EXPECT_EQ(rgb(100, 228), 0xFF0000u);

  // Resizing the window rescales the same frame.
  panel->SetBounds(0, 0, 200, 400);
  Application->ProcessMessages();
  const QImage tall = Grab();
  ASSERT_EQ(tall.width(), 200);
  EXPECT_EQ(tall.pixel(50, 100) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(tall.pixel(150, 100) & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(tall.pixel(50, 390) & 0xFFFFFF, 0x00FF00u);
}

// What the window system holds for the form (its backing store), not a fresh render of it.
QImage OnScreen(TForm* form) {
  QWidget* widget = NativeWidget(form);
  return widget->screen()->grabWindow(widget->winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

// A present repaints only where its frame changed; the window, with a label lying over the frame,
// then shows exactly what repainting all of it shows.
// Until a frame is presented the window paints itself (its colour shows); from then on the frame
// covers it.
TEST_F(WindowTest, TheWindowShowsItsOwnColourUntilAFrameIsPresented) {
  panel->SetColor(clYellow);
  Device device(panel);
  const auto shownAt = [&](int x, int y) {
    QImage image(512, 300, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    NativeWidget(panel)->render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    return image.pixel(x, y) & 0xFFFFFF;
  };
  EXPECT_EQ(shownAt(100, 100), 0xFFFF00u);
  PaintQuarters(device);
  ASSERT_TRUE(device.Present());
  EXPECT_EQ(shownAt(100, 100), 0xFF0000u);
}

TEST_F(WindowTest, APartRepaintShowsWhatAWholeRepaintShows) {
  auto* label = new TLabel(form);
  label->SetParent(form);
  label->SetBounds(200, 120, 150, 30);
  label->SetCaption("over the frame");
  Device device(panel);
  PaintQuarters(device);
  device.Present();
  Application->ProcessMessages();
  const QImage before = OnScreen(form);
  ASSERT_FALSE(before.isNull());
  for (const Vec2 end : {Vec2{1000, 500}, Vec2{400, 300}, Vec2{600, 100}}) {
    PaintQuarters(device);
    Line line(device);
    line.SetWidth(3);
    line.SetAntialias(true);
    const Vec2 trace[3] = {{20, 700}, {300, 250}, end};
    line.Draw(trace, 3, 0xC0FFFF00);
    device.Present();
    EXPECT_LT(device.RepaintArea(512, 300).Width(), 512) << "a part of the window is repainted";
    Application->ProcessMessages();
    const QImage part = OnScreen(form);
    panel->Invalidate();
    label->Invalidate();
    Application->ProcessMessages();
    EXPECT_EQ(part, OnScreen(form));
    EXPECT_NE(part, before);
  }
}

TEST_F(WindowTest, DeviceOutlivingItsWindowIsSafe) {
  auto device = std::make_unique<Device>(panel);
  device->Clear(0xFF112233);
  device->Present();
  delete form;  // the window goes first
  form = nullptr;
  EXPECT_TRUE(device->Present());
  device.reset();
}

TEST_F(WindowTest, BlitsFromALibraryBitmap) {
  Device device;
  device.Clear(0);
  TBitmap bitmap;
  bitmap.SetPixelFormat(pf32bit);
  bitmap.SetSize(4, 2);
  bitmap.Canvas()->Brush()->SetColor(clRed);
  bitmap.Canvas()->FillRect(Rect(0, 0, 2, 2));
  bitmap.Canvas()->Brush()->SetColor(clBlue);
  bitmap.Canvas()->FillRect(Rect(2, 0, 4, 2));
  ASSERT_TRUE(device.StretchBlit(&bitmap, {100, 100, 140, 120}));
  EXPECT_EQ(device.PixelAt(100, 100), 0xFFFF0000u);
  EXPECT_EQ(device.PixelAt(119, 119), 0xFFFF0000u);
  EXPECT_EQ(device.PixelAt(120, 100), 0xFF0000FFu);
  EXPECT_EQ(device.PixelAt(139, 119), 0xFF0000FFu);
  EXPECT_EQ(device.PixelAt(140, 100), 0xFF000000u);
  TBitmap empty;
  EXPECT_FALSE(device.StretchBlit(&empty, {0, 0, 10, 10}));
  EXPECT_FALSE(device.StretchBlit(static_cast<TBitmap*>(nullptr), {0, 0, 10, 10}));
}

}  // namespace
