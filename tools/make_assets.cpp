// Draws the program's data files: the skins under Elements/, the splash and display images under Images/,
// the test mesh and radar textures under meshes/, and the test sounds under Sounds/.
//
//   make_assets <output folder>      (normally the repository's assets/ folder)
//
// Everything is drawn from code, so the output is the same on every run.
#include <QtCore/QByteArray>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QString>
#include <QtGui/QColor>
#include <QtGui/QFont>
#include <QtGui/QGuiApplication>
#include <QtGui/QImage>
#include <QtGui/QLinearGradient>
#include <QtGui/QPainter>
#include <QtGui/QPainterPath>
#include <QtGui/QPolygonF>
#include <QtGui/QRadialGradient>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

QString OutDir;
int FilesWritten = 0;

// ---------------------------------------------------------------------------------------------
// Writers

void Fail(const QString& what) {
  std::fprintf(stderr, "make_assets: %s\n", qPrintable(what));
  std::exit(1);
}

QString PathOf(const QString& relative) {
  const QString path = OutDir + "/" + relative;
  QDir().mkpath(QFileInfo(path).absolutePath());
  return path;
}

void WriteBytes(const QString& relative, const QByteArray& bytes) {
  QFile file(PathOf(relative));
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) Fail("cannot write " + relative);
  ++FilesWritten;
}

void SaveImage(const QImage& image, const QString& relative, int quality = -1) {
  if (!image.save(PathOf(relative), nullptr, quality)) Fail("cannot write " + relative);
  ++FilesWritten;
}

void PutLE16(QByteArray& out, int v) {
  out.append(char(v & 0xFF));
  out.append(char((v >> 8) & 0xFF));
}

void PutLE32(QByteArray& out, uint32_t v) {
  PutLE16(out, int(v & 0xFFFF));
  PutLE16(out, int(v >> 16));
}

// Uncompressed 32-bit TGA (version 2), bottom-up rows, 8 alpha bits.
void SaveTga(const QImage& source, const QString& relative) {
  const QImage image = source.convertToFormat(QImage::Format_ARGB32);
  QByteArray out;
  out.append(char(0));  // no image id
  out.append(char(0));  // no colour map
  out.append(char(2));  // uncompressed true colour
  out.append(QByteArray(5, '\0'));
  PutLE16(out, 0);
  PutLE16(out, 0);
  PutLE16(out, image.width());
  PutLE16(out, image.height());
  out.append(char(32));
  out.append(char(0x08));  // origin bottom-left, 8 alpha bits
  for (int y = image.height() - 1; y >= 0; --y) {
    const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      out.append(char(qBlue(row[x])));
      out.append(char(qGreen(row[x])));
      out.append(char(qRed(row[x])));
      out.append(char(qAlpha(row[x])));
    }
  }
  // Version 2 footer: no extension or developer area.
  PutLE32(out, 0);
  PutLE32(out, 0);
  out.append("TRUEVISION-XFILE.");
  out.append(char(0));
  WriteBytes(relative, out);
}

// 16-bit mono PCM WAV.
void SaveWav(const std::vector<int16_t>& samples, int rate, const QString& relative) {
  const uint32_t dataBytes = uint32_t(samples.size() * 2);
  QByteArray out("RIFF");
  PutLE32(out, 36 + dataBytes);
  out.append("WAVEfmt ");
  PutLE32(out, 16);
  PutLE16(out, 1);  // PCM
  PutLE16(out, 1);  // mono
  PutLE32(out, uint32_t(rate));
  PutLE32(out, uint32_t(rate * 2));
  PutLE16(out, 2);
  PutLE16(out, 16);
  out.append("data");
  PutLE32(out, dataBytes);
  for (int16_t s : samples) PutLE16(out, uint16_t(s));
  WriteBytes(relative, out);
}

// ---------------------------------------------------------------------------------------------
// Palette: a calm dark instrument look. Each skin has its own accent.

struct SkinPalette {
  QColor base;    // panel body
  QColor light;   // upper edge of gradients
  QColor edge;    // bevel line
  QColor accent;  // active markings
};

const SkinPalette Skins[] = {
    {QColor(0x1C, 0x24, 0x2E), QColor(0x2C, 0x38, 0x46), QColor(0x46, 0x56, 0x68), QColor(0x3A, 0x9A, 0xD0)},
    {QColor(0x1E, 0x26, 0x22), QColor(0x2E, 0x3A, 0x34), QColor(0x4A, 0x5C, 0x52), QColor(0x5C, 0xB8, 0x84)},
};

const QColor IconColour(0xD8, 0xE4, 0xEE);

QFont UiFont(int pixelSize, bool bold = false) {
  QFont font("DejaVu Sans");
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  return font;
}

QImage NewImage(int w, int h, QImage::Format format = QImage::Format_RGB32) {
  QImage image(w, h, format);
  image.fill(Qt::black);
  return image;
}

void FillGradient(QPainter& p, const QRectF& r, const QColor& top, const QColor& bottom) {
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, top);
  g.setColorAt(1, bottom);
  p.fillRect(r, g);
}

// A panel body: vertical gradient, a thin light line at the top and a dark line at the bottom.
QImage Panel(const SkinPalette& s, int w, int h) {
  QImage image = NewImage(w, h);
  QPainter p(&image);
  FillGradient(p, QRectF(0, 0, w, h), s.light, s.base);
  p.setPen(s.edge);
  p.drawLine(0, 0, w - 1, 0);
  p.setPen(s.base.darker(160));
  p.drawLine(0, h - 1, w - 1, h - 1);
  return image;
}

// A rounded button body; the active one is lit with the accent colour.
QImage ButtonBody(const SkinPalette& s, int w, int h, bool active) {
  QImage image = NewImage(w, h);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  FillGradient(p, QRectF(0, 0, w, h), s.base.darker(120), s.base.darker(140));
  const QRectF body(2.5, 2.5, w - 5, h - 5);
  QLinearGradient g(body.topLeft(), body.bottomLeft());
  if (active) {
    g.setColorAt(0, s.accent.darker(260));
    g.setColorAt(1, s.accent.darker(180));
  } else {
    g.setColorAt(0, s.light.lighter(115));
    g.setColorAt(1, s.base);
  }
  p.setBrush(g);
  p.setPen(QPen(active ? s.accent : s.edge, 1.5));
  p.drawRoundedRect(body, 6, 6);
  return image;
}

// ---------------------------------------------------------------------------------------------
// Icons (48 x 48, light strokes on transparent ground)

using IconPainter = std::function<void(QPainter&)>;

QImage Icon(const IconPainter& draw) {
  QImage image(48, 48, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(IconColour, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  draw(p);
  return image;
}

void Arrow(QPainter& p, bool up) {
  p.setBrush(IconColour);
  const QPolygonF shape =
      up ? QPolygonF({{24, 12}, {38, 30}, {10, 30}}) : QPolygonF({{24, 36}, {38, 18}, {10, 18}});
  p.drawPolygon(shape);
}

std::vector<IconPainter> SymbolPainters() {
  return {
      [](QPainter& p) {  // 0 analyser: a spectrum with one peak
        p.drawLine(6, 40, 42, 40);
        QPainterPath path({6, 36});
        const double ys[] = {36, 34, 35, 30, 10, 30, 34, 33, 35, 36};
        for (int i = 1; i < 10; ++i) path.lineTo(6 + i * 4, ys[i]);
        p.drawPath(path);
      },
      [](QPainter& p) {  // 1 auto: radar sweep
        p.drawEllipse(QPointF(24, 24), 18, 18);
        p.drawEllipse(QPointF(24, 24), 9, 9);
        p.drawLine(24, 24, 37, 11);
      },
      [](QPainter& p) {  // 2 locate: crosshair
        p.drawEllipse(QPointF(24, 24), 14, 14);
        p.drawLine(24, 4, 24, 16);
        p.drawLine(24, 32, 24, 44);
        p.drawLine(4, 24, 16, 24);
        p.drawLine(32, 24, 44, 24);
      },
      [](QPainter& p) {  // 3 VLF: a slow wave
        QPainterPath path({4, 24});
        for (int x = 4; x <= 44; ++x) path.lineTo(x, 24 - 12 * std::sin((x - 4) * M_PI / 20));
        p.drawPath(path);
      },
      [](QPainter& p) {  // 4 video: camera
        p.drawRoundedRect(QRectF(6, 14, 26, 20), 3, 3);
        p.drawPolygon(QPolygonF({{32, 20}, {42, 14}, {42, 34}, {32, 28}}));
      },
      [](QPainter& p) {  // 5 fingerprint: nested arcs
        for (int r = 6; r <= 18; r += 6) p.drawArc(QRectF(24 - r, 26 - r, 2 * r, 2 * r), 20 * 16, 320 * 16);
      },
      [](QPainter& p) {  // 6 project: folder
        p.drawPolygon(QPolygonF({{6, 14}, {18, 14}, {22, 18}, {42, 18}, {42, 38}, {6, 38}}));
      },
      [](QPainter& p) {  // 7 settings: gear
        p.drawEllipse(QPointF(24, 24), 10, 10);
        for (int i = 0; i < 8; ++i) {
          const double a = i * M_PI / 4;
          p.drawLine(QPointF(24 + 12 * std::cos(a), 24 + 12 * std::sin(a)),
                     QPointF(24 + 18 * std::cos(a), 24 + 18 * std::sin(a)));
        }
      },
      [](QPainter& p) {  // 8 help: question mark
        p.setFont(UiFont(34, true));
        p.drawText(QRectF(0, 0, 48, 48), Qt::AlignCenter, "?");
      },
      [](QPainter& p) {  // 9 spare
        p.drawEllipse(QPointF(24, 24), 6, 6);
      },
      [](QPainter& p) {  // 10 spare
        p.drawRect(QRectF(16, 16, 16, 16));
      },
      [](QPainter& p) { Arrow(p, true); },   // 11 up (up/down button 2: the next peak above)
      [](QPainter& p) { Arrow(p, false); },  // 12 down (up/down button 1: the next peak below)
  };
}

// ---------------------------------------------------------------------------------------------
// Skins

void MakeSkin(int skin, const SkinPalette& s) {
  const QString number = QString::number(skin + 100);
  for (int i = 1; i <= 9; ++i) {
    const QString button = QString::number(i + 100);
    SaveImage(ButtonBody(s, 80, 80, false), "Elements/MainButNormal" + number + button + ".jpg", 92);
    SaveImage(ButtonBody(s, 80, 80, true), "Elements/MainButActive" + number + button + ".jpg", 92);
  }
  // The frame button is lighter than the main buttons: the program darkens it for the active state.
  const SkinPalette lifted{s.base.lighter(140), s.light.lighter(140), s.edge.lighter(130), s.accent};
  SaveImage(ButtonBody(lifted, 140, 40, false), "Elements/FrameBut" + number + "101.jpg", 92);

  // Panels at the size they get in a 1024 x 768 window; the program stretches them.
  const QSize sizes[] = {{30, 600}, {834, 80}, {1000, 120}, {1000, 25}, {834, 80}, {160, 80}, {160, 663}};
  for (int i = 1; i <= 7; ++i) {
    QImage panel = Panel(s, sizes[i - 1].width(), sizes[i - 1].height());
    QPainter p(&panel);
    p.setRenderHint(QPainter::Antialiasing);
    if (i == 6) {  // version panel: the product name
      p.setPen(IconColour);
      p.setFont(UiFont(20, true));
      p.drawText(QRect(0, 14, 160, 30), Qt::AlignCenter, "RT 7731 IV");
      p.setPen(s.accent);
      p.setFont(UiFont(11));
      p.drawText(QRect(0, 46, 160, 20), Qt::AlignCenter, "0 - 15 GHz");
    } else if (i == 7) {  // frame column: a darker well under the title area
      FillGradient(p, QRectF(0, 84, 160, 579), s.base.darker(115), s.base.darker(140));
    } else if (i == 1) {  // left column: a thin accent stripe
      p.fillRect(QRect(26, 0, 2, 600), s.accent.darker(200));
    }
    p.end();
    SaveImage(panel, "Elements/Panel" + number + QString::number(i + 100) + ".jpg", 90);
  }
}

void MakeSymbols() {
  const auto painters = SymbolPainters();
  for (size_t n = 0; n < painters.size(); ++n)
    SaveTga(Icon(painters[n]), "Elements/Symbol_" + QString::number(n) + ".tga");
}

// ---------------------------------------------------------------------------------------------
// Images: splashes, cursor, display symbols, video background

// A stylised spectrum trace across the lower part of a picture.
void DrawSpectrum(QPainter& p, const QRectF& area, const QColor& colour) {
  QPainterPath path({area.left(), area.bottom()});
  const int points = 160;
  for (int i = 0; i <= points; ++i) {
    const double x = area.left() + area.width() * i / points;
    const double noise = 0.08 * std::sin(i * 1.7) * std::sin(i * 0.31) + 0.05 * std::sin(i * 4.3);
    const double peak1 = 0.75 * std::exp(-std::pow((i - 52) / 3.0, 2));
    const double peak2 = 0.45 * std::exp(-std::pow((i - 118) / 5.0, 2));
    const double level = 0.12 + std::abs(noise) + peak1 + peak2;
    path.lineTo(x, area.bottom() - level * area.height());
  }
  path.lineTo(area.right(), area.bottom());
  QColor fill = colour;
  fill.setAlpha(60);
  p.fillPath(path, fill);
  p.setPen(QPen(colour, 2));
  p.drawPath(path);
}

void DrawGrid(QPainter& p, const QRectF& area, const QColor& colour) {
  p.setPen(QPen(colour, 1));
  for (int i = 0; i <= 10; ++i)
    p.drawLine(QPointF(area.left() + area.width() * i / 10, area.top()),
               QPointF(area.left() + area.width() * i / 10, area.bottom()));
  for (int i = 0; i <= 6; ++i)
    p.drawLine(QPointF(area.left(), area.top() + area.height() * i / 6),
               QPointF(area.right(), area.top() + area.height() * i / 6));
}

QImage SplashPicture(int w, int h, const QColor& accent, const QString& brand, const QString& line) {
  QImage image = NewImage(w, h);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  FillGradient(p, QRectF(0, 0, w, h), QColor(0x24, 0x30, 0x3E), QColor(0x0E, 0x14, 0x1A));
  const QRectF plot(40, h * 0.42, w - 80, h * 0.40);
  DrawGrid(p, plot, QColor(0x40, 0x50, 0x60, 140));
  DrawSpectrum(p, plot, accent);
  p.setPen(QColor(0xE8, 0xEE, 0xF4));
  p.setFont(UiFont(54, true));
  p.drawText(QRectF(40, 30, w - 80, 70), Qt::AlignLeft | Qt::AlignVCenter, "RT 7731 IV");
  p.setPen(accent);
  p.setFont(UiFont(18));
  p.drawText(QRectF(44, 100, w - 80, 30), Qt::AlignLeft | Qt::AlignVCenter, line);
  p.setPen(QColor(0xA8, 0xB4, 0xC0));
  p.setFont(UiFont(16, true));
  p.drawText(QRectF(40, 30, w - 80, 70), Qt::AlignRight | Qt::AlignVCenter, brand);
  return image;
}

void MakeSplashes() {
  SaveImage(SplashPicture(700, 401, QColor(0x3A, 0x9A, 0xD0), "brenholt", "0 - 15 GHz"),
            "Images/Splash_3.jpg", 88);
  SaveImage(SplashPicture(700, 401, QColor(0xD0, 0x9A, 0x3A), "tarvix", "0 - 15 GHz"), "Images/Splash_3b.jpg",
            88);
  SaveImage(SplashPicture(700, 494, QColor(0x70, 0x80, 0x90), "",
                          "Keine USB-Verbindung zum Gerät oder Akkus leer !"),
            "Images/SplashOut_2.jpg", 88);
}

// White shapes on opaque black: the display turns black transparent and tints the rest.
QImage WhiteOnBlack(int w, int h, const std::function<void(QPainter&)>& draw) {
  QImage image(w, h, QImage::Format_ARGB32);
  image.fill(QColor(0, 0, 0, 255));
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(Qt::white, 8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  draw(p);
  return image;
}

void Magnifier(QPainter& p, bool plus) {
  p.drawEllipse(QPointF(44, 52), 26, 26);
  p.drawLine(63, 71, 84, 96);
  p.drawLine(32, 52, 56, 52);
  if (plus) p.drawLine(44, 40, 44, 64);
}

void BigArrow(QPainter& p, bool up) {
  p.setBrush(Qt::white);
  p.drawPolygon(up ? QPolygonF({{50, 20}, {82, 64}, {18, 64}}) : QPolygonF({{50, 108}, {82, 64}, {18, 64}}));
  p.drawLine(50, up ? 64 : 20, 50, up ? 108 : 64);
}

void MakeDisplayImages() {
  // Marker cursor: a downward pointer with a short stem, 32 x 32.
  QImage cursor = WhiteOnBlack(32, 32, [](QPainter& p) {
    p.setPen(QPen(Qt::white, 2));
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF({{6, 4}, {26, 4}, {16, 20}}));
    p.drawLine(16, 20, 16, 30);
  });
  SaveTga(cursor, "Images/Cursor002.tga");

  const std::vector<std::function<void(QPainter&)>> symbols = {
      [](QPainter& p) { Magnifier(p, true); },   // switched to detail
      [](QPainter& p) { Magnifier(p, false); },  // switched to overview
      [](QPainter& p) {                          // auto-centre
        p.drawEllipse(QPointF(50, 64), 20, 20);
        p.drawLine(6, 64, 26, 64);
        p.drawLine(74, 64, 94, 64);
        p.drawLine(50, 20, 50, 40);
        p.drawLine(50, 88, 50, 108);
      },
      [](QPainter& p) { BigArrow(p, true); },   // range step up
      [](QPainter& p) { BigArrow(p, false); },  // range step down
      [](QPainter& p) {                         // peak search up
        p.drawPolyline(QPolygonF({{10, 100}, {40, 100}, {50, 30}, {60, 100}, {90, 100}}));
        p.drawPolyline(QPolygonF({{70, 40}, {88, 40}, {80, 24}}));
      },
      [](QPainter& p) {  // peak search down
        p.drawPolyline(QPolygonF({{10, 100}, {40, 100}, {50, 30}, {60, 100}, {90, 100}}));
        p.drawPolyline(QPolygonF({{12, 40}, {30, 40}, {20, 56}}));
      },
      [](QPainter& p) {  // band selected
        p.drawPolyline(QPolygonF({{22, 30}, {10, 30}, {10, 98}, {22, 98}}));
        p.drawPolyline(QPolygonF({{78, 30}, {90, 30}, {90, 98}, {78, 98}}));
        p.drawLine(30, 64, 70, 64);
      },
  };
  for (size_t i = 0; i < symbols.size(); ++i)
    SaveTga(WhiteOnBlack(100, 128, symbols[i]),
            QString("Images/DisplaySymbol%1.tga").arg(i + 1, 3, 10, QChar('0')));

  QImage video = Panel(Skins[0], 187, 141);
  {
    QPainter p(&video);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Skins[0].edge, 2));
    p.drawRect(QRectF(12, 9, 162, 122));
    p.setPen(QPen(IconColour, 3));
    p.drawRoundedRect(QRectF(66, 56, 36, 28), 4, 4);
    p.drawPolygon(QPolygonF({{102, 64}, {118, 56}, {118, 84}, {102, 76}}));
  }
  SaveImage(video, "Images/VideoBg.bmp");
}

// ---------------------------------------------------------------------------------------------
// meshes: the test mesh and the radar textures as the fast-detect view makes them on a black background

void MakeMeshes() {
  const QByteArray mesh =
      "xof 0303txt 0032\n"
      "// Test quad with one material.\n"
      "Mesh TestQuad {\n"
      " 4;\n"
      " -50.0;-20.0;0.0;,\n"
      " 50.0;-20.0;0.0;,\n"
      " 50.0;20.0;0.0;,\n"
      " -50.0;20.0;0.0;;\n"
      " 2;\n"
      " 3;0,1,2;,\n"
      " 3;0,2,3;;\n"
      " MeshMaterialList {\n"
      "  1;\n"
      "  2;\n"
      "  0,\n"
      "  0;;\n"
      "  Material {\n"
      "   0.6;0.75;0.9;1.0;;\n"
      "   10.0;\n"
      "   1.0;1.0;1.0;;\n"
      "   0.0;0.0;0.0;;\n"
      "  }\n"
      " }\n"
      " MeshNormals {\n"
      "  1;\n"
      "  0.0;0.0;-1.0;;\n"
      "  2;\n"
      "  3;0,0,0;,\n"
      "  3;0,0,0;;\n"
      " }\n"
      "}\n";
  WriteBytes("meshes/Text001.X", mesh);

  auto withAlpha = [](const QImage& colour, const QImage& alpha) {
    QImage out = colour.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
      auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
      const uchar* a = alpha.constScanLine(y);
      for (int x = 0; x < out.width(); ++x) row[x] = qRgba(qRed(row[x]), qGreen(row[x]), qBlue(row[x]), a[x]);
    }
    return out;
  };
  auto grey = [](int w, int h, const QColor& fill) {
    QImage g(w, h, QImage::Format_Grayscale8);
    g.fill(fill);
    return g;
  };

  // beam: green disc, alpha a fan of grey lines
  QImage beam = NewImage(1024, 1024);
  {
    QPainter p(&beam);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0x80, 0));
    p.drawEllipse(QRect(0, 0, 1024, 1024));
  }
  QImage fan = grey(1024, 1024, Qt::black);
  {
    QPainter p(&fan);
    for (int i = 0; i < 640; ++i) {
      const double a = i * M_PI / 320;
      const int level = std::min(255, int(i * 0.25));
      p.setPen(QPen(QColor(level, level, level), 3));
      p.drawLine(QPointF(511 - 511 * std::cos(a), 511 - 511 * std::sin(a)), QPointF(511, 511));
    }
  }
  SaveImage(withAlpha(beam, fan), "meshes/radartmp.png");

  // signal: red rings, alpha where the rings are
  QImage signal = NewImage(1024, 1024);
  {
    QPainter p(&signal);
    p.setPen(QPen(QColor(0xFF, 0, 0), 12));
    p.setBrush(Qt::black);
    for (int r : {460, 260, 100}) p.drawEllipse(QRect(511 - r, 511 - r, 2 * r, 2 * r));
  }
  QImage rings = signal.convertToFormat(QImage::Format_Grayscale8);
  for (int y = 0; y < rings.height(); ++y) {
    uchar* row = rings.scanLine(y);
    for (int x = 0; x < rings.width(); ++x) row[x] = row[x] > 32 ? 255 : row[x];
  }
  SaveImage(withAlpha(signal, rings), "meshes/signaltmp.png");

  // mask: background colour, opaque outside a centred circle
  QImage hole = grey(2048, 2048, Qt::white);
  {
    QPainter p(&hole);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawEllipse(QPointF(1023, 1023), 511, 511);
  }
  SaveImage(withAlpha(NewImage(2048, 2048), hole), "meshes/masktmp.png");

  // point: green, alpha a small white disc
  QImage dot = grey(128, 128, Qt::black);
  {
    QPainter p(&dot);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(63, 63), 20, 20);
  }
  QImage green(128, 128, QImage::Format_RGB32);
  green.fill(QColor(0, 0xFF, 0));
  SaveImage(withAlpha(green, dot), "meshes/pointtmp.png");
}

// ---------------------------------------------------------------------------------------------
// Sounds: the four test tones of the sound module's slots, 22050 samples per second

void MakeSounds() {
  const int rate = 22050;
  const double tones[] = {500, 1000, 2000, 3000};
  for (int slot = 0; slot < 4; ++slot) {
    std::vector<int16_t> samples(rate / 4);
    for (size_t i = 0; i < samples.size(); ++i) {
      const double t = double(i) / rate;
      const double fade = std::min({1.0, t / 0.01, (samples.size() - i) / (0.01 * rate)});
      samples[i] = int16_t(12000 * fade * std::sin(2 * M_PI * tones[slot] * t));
    }
    SaveWav(samples, rate, QString("Sounds/TestSound%1.wav").arg(slot));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_assets <output folder>\n");
    return 2;
  }
  OutDir = QString::fromLocal8Bit(argv[1]);
  for (int skin = 1; skin <= 2; ++skin) MakeSkin(skin, Skins[skin - 1]);
  MakeSymbols();
  MakeSplashes();
  MakeDisplayImages();
  MakeMeshes();
  MakeSounds();
  std::printf("make_assets: %d files written to %s\n", FilesWritten, qPrintable(OutDir));
  return 0;
}
