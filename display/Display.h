// The measurement display: a rectangle of the shared scene that draws a trace, the channels of a
// digital buffer or a waterfall over its grid, with labels, band bar, markers and symbols; the
// queued draw commands; the display labels and the display list that the idle loop renders.
//
// Threads: displays are built, changed and rendered on the GUI thread. Measurement threads write
// the buffers (see engine/Buffers.h) and may, while a display is shown, queue draw commands, set
// its title and texts, point it at a digital buffer and move its zoom window: those members are
// atomic or guarded by the display's own short-held locks, so the render pass never waits for a
// device operation.
#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "display/DisplayGeometry.h"
#include "engine/Buffers.h"
#include "platform/rtl/Classes.h"
#include "platform/vcl/StdCtrls.h"

class ZXBase;
class ZSprite;
class RangeDefList;
class TGraphic;
class TImage;
class TForm;
class TBitmap;
namespace scene {
class Device;
class Line;
}  // namespace scene

using TColorValue = int;  // class-library colour: red in the low byte

// Texture of the markers, in the "Images" folder of the program folder.
extern std::string MarkerTextureName;

// InterpolateY: y on the straight line through a and b at point.x; unchanged when a.x = b.x.
void InterpolateY(scene::Vec2* point, scene::Vec2 a, scene::Vec2 b);

// ---------------------------------------------------------------------------------------------
// Markers and symbols

class MarkerBase : public TObject {
 public:
  explicit MarkerBase(scene::Device* device);
  ~MarkerBase() override;
  void SetPosition(float x, float y);
  void SetColor(TColorValue colour, uint8_t alpha);
  void Draw();

  ZSprite* Sprite = nullptr;  // owned
  uint8_t Visible = 0;
};

class MarkerListBase : public TObject {
 public:
  MarkerListBase() = default;
  ~MarkerListBase() override;
  int Add(scene::Device* device, float x, float y);
  MarkerBase* Get(unsigned index) const;
  int Count() const { return int(items_.size()); }
  void Clear();
  void DrawAll();

 private:
  std::vector<MarkerBase*> items_;
};

class DisplaySymbolBase : public TObject {
 public:
  explicit DisplaySymbolBase(scene::Device* device);
  ~DisplaySymbolBase() override;
  void Load(const std::string& file, TColorValue colour, uint8_t alpha, int width, int height);
  void SetPosition(float x, float y);
  void SetColor(TColorValue colour, uint8_t alpha);
  void StartFade(double seconds);
  void Draw();

  ZSprite* Sprite = nullptr;  // owned
  TColorValue Color = 0;
  scene::Device* Device = nullptr;
  uint8_t Visible = 0;
  uint8_t Fading = 0;
  double FadeStart = 0.0;
  double FadeDuration = 0.0;
};

// Alpha of a fading symbol `elapsed` seconds after its start; -1 once the fade is over.
int FadeAlpha(double elapsed, double duration);

class DisplaySymbolList : public TObject {
 public:
  explicit DisplaySymbolList(scene::Device* device);
  ~DisplaySymbolList() override;
  DisplaySymbolBase* AddSymbol(const std::string& file, TColorValue colour, uint8_t alpha, int width,
                               int height);
  void Add(DisplaySymbolBase* symbol);
  DisplaySymbolBase* Get(int index) const;
  int Count() const { return int(items_.size()); }
  void StartFade(int index, double seconds);
  void DrawAll();

  scene::Device* Device = nullptr;
  uint8_t DrawEnabled = 1;

 private:
  std::vector<DisplaySymbolBase*> items_;
};

// ---------------------------------------------------------------------------------------------
// Draw command queue

class GraphCommandItem : public TObject {
 public:
  GraphCommandItem() = default;
  GraphCommandItem(int channel, char kind, TColorValue colour, int width)
      : Channel(channel), Kind(kind), Color(colour), Width(width) {}

  int Channel = 0;
  int FingerA = 0, FingerB = 0;
  char Kind = 0;
  TColorValue Color = 0;
  int Width = 0;
};

// Owns its items. AddCommand may be called from a measurement thread while the GUI thread
// renders: every operation holds the queue's lock for a few instructions only, and the renderer
// works on a copy (Snapshot).
class GraphCommandList : public TObject {
 public:
  GraphCommandList() = default;
  ~GraphCommandList() override;
  void AddCommand(int channel, char kind, TColorValue colour, int width);
  void ClearAll();
  // The item, or null when index is not below the count. The pointer stays valid until ClearAll.
  GraphCommandItem* GetItem(unsigned index) const;
  int Count() const;
  // Copies the queued commands, in order, into out (reusing its storage).
  void Snapshot(std::vector<GraphCommandItem>& out) const;

 private:
  mutable std::mutex lock_;
  std::vector<std::unique_ptr<GraphCommandItem>> items_;
};

// ---------------------------------------------------------------------------------------------
// Display label

class DisplayText : public TStaticText {
 public:
  explicit DisplayText(TComponent* owner);
  DisplayText(TForm* window, TColorValue textColor, TColorValue background, double fontSize, int anchor);
  void Place();

  int X = 0;
  int Y = 0;
  double FontSize = 16.0;
  int Anchor = 0;  // 0: X is the left edge, 1: the right edge, 2: the centre
};

// Left edge of a label: the anchor applied to X scaled by sx, with the label's current width.
int AnchoredLeft(int x, double sx, int width, int anchor);

// ---------------------------------------------------------------------------------------------
// Display base: place in the scene, colours, grid, line object, scratch polylines

class DisplayBase : public TObject {
 public:
  DisplayBase(ZXBase* xbase, int width, int height);
  ~DisplayBase() override;

  static uint32_t D_RGBA(TColorValue colour, uint8_t alpha) { return display::PackRGBA(colour, alpha); }
  void SetPosition(int x, int y, int width, int height);
  bool Render();

  struct ViewRect {
    int left = 0, top = 0, right = 0, bottom = 0;
  };

  ZXBase* XBase = nullptr;
  int Width = 1024;
  int Height = 768;
  TColorValue BgColor = 0;
  int GridDivX = 10;
  int GridDivY = 10;
  TColorValue TraceColor = 0x00FFFF;
  TColorValue GridColor = 0x808080;
  uint8_t GridAlpha = 255;
  float GridWidth = 1.0f;
  int MarginTop = 0;
  int MarginBottom = 0;
  uint8_t Visible = 1;
  std::unique_ptr<scene::Line> Line;                   // owned line object
  std::array<std::vector<display::Vec2>, 3> Vertices;  // scratch polylines of the renderers
  ViewRect ViewPort;
  TColorValue TextColor = 0xCEB64D;
  uint8_t RenderMode = 0;
  uint8_t ShowFrame = 0;

 protected:
  scene::Device* SceneDevice() const;
  display::LineSink& Lines();
  // The plot of this frame (the zoom window is set by StdDisplay).
  display::PlotGeometry Geometry() const;

 private:
  std::unique_ptr<display::LineSink> sink_;
};

// ---------------------------------------------------------------------------------------------
// Measurement display

class StdDisplay : public DisplayBase {
 public:
  static constexpr int ExtraCount = 10;

  StdDisplay(ZXBase* xbase, int width, int height);
  ~StdDisplay() override;

  // Texts
  void SetUnit(const std::string& unit);
  void SetTitle(const std::string& title);
  void GenerateText();
  void CustomText(const std::string& left, const std::string& center, const std::string& right);
  void CreateTexts();
  void ShowTexts();
  void HideTexts();
  void DeleteTexts();
  void PlaceTexts();
  // The four texts as one consistent copy (left, center, right, title).
  std::array<std::string, 4> Texts() const;

  // Symbols, markers, band bar
  void MoveSymbols(int x, int y);
  int AddMarker(unsigned index);
  void CreateRangeBar(RangeDefList* list, TGraphic* copy, double start, double stop);
  void CreateRangeBar(RangeDefList* list, TImage* image, double start, double stop);
  void RenderRangeBar();
  void RenderCenterMarker(double y);

  // Drawing
  bool Render();
  bool RenderDigBuffer();
  void RenderExtraBuffer(unsigned slot);
  void RenderDigBufBmLine(int channel, int width, int& middleRow);
  void RenderDigBufBmBar(int channel, int width, int& middleRow);
  void RenderDigBufBmLineExt(int channel, int width, int& middleRow);
  void RenderDigBufBmBarExt(int channel, int width, int& middleRow);
  void RenderDigBufBmMinMax(int& middleRow);
  void RenderDigBufBmFinger(int channelA, int channelB, int width, int& middleRow);
  void RenderDigBufBmMobil(int channel, int width, int& middleRow);
  void RenderDigBufBmDiff(int channel, int width, int& middleRow);
  void RenderDigBufBmMaxHold(int channel, int width, int& middleRow);
  void RenderDigBufBmMobilV2(int& middleRow);

  // Waterfall, min/max colours, overlays
  void InitWater(int from, int to);     // WaterBuffer (DigWaterBuffer in mode 5 or alone)
  void InitDigWater(int from, int to);  // DigWaterBuffer
  bool RenderWater();                   // WaterBuffer
  bool RenderDigWater();                // DigWaterBuffer, channel 0
  void InitMinMax();
  void RenderZoomWindow();
  void RenderVertLine();

  // The waterfall picture: 0x00RRGGBB words, WaterWidth x WaterHeight.
  struct WaterImage {
    int Width = 0, Height = 0;
    std::vector<uint32_t> Pixels;
    uint64_t FilledAt = 0;  // the buffer's change stamp when filled last (0: not yet)
    // Per picture row of a plain waterfall: the ring row and that row's stamp it was filled from
    // (stamp 0: not filled from the ring yet); and the ring position then.
    std::vector<std::pair<unsigned, uint64_t>> RowSources;
    unsigned FilledNext = 0;
  };

  DisplayText* LabelLeft = nullptr;
  DisplayText* LabelCenter = nullptr;
  DisplayText* LabelRight = nullptr;
  DisplayText* LabelTitle = nullptr;
  NormalBuffer* DataBuffer = nullptr;
  std::array<NormalBuffer*, ExtraCount> ExtraBuffers{};
  WaterfallBuffer* WaterBuffer = nullptr;
  std::unique_ptr<WaterImage> WaterBitmap;
  std::array<TColorValue, 256> WaterPalette{};
  std::array<TColorValue, 256> MinMaxColors{};
  int WaterFrom = 0, WaterTo = 0;
  uint8_t MobilV2Mode = 0;
  std::atomic<DigitalBuffer*> DigBuffer{nullptr};
  std::atomic<int> DigChannel{0};
  int FingerChannelA = 0, FingerChannelB = 0;
  DigitalWaterBuffer* DigWaterBuffer = nullptr;
  std::string Unit;
  uint8_t Dims = 0;
  // The texts; change them through SetTitle, GenerateText, CustomText (threads do).
  std::string TextLeft, TextRight, TextCenter, TextTitle;
  uint8_t TextsFrozen = 0;
  std::atomic<int> ZoomStart{0}, ZoomEnd{0};
  std::atomic<double> ZoomCenter{0.0};
  uint8_t ShowZoomWindow = 0;
  int VertLineIndex = 0;
  uint8_t ShowVertLine = 0;
  MarkerBase* CenterMarker = nullptr;
  uint8_t ShowCenterMarker = 0;
  DisplaySymbolList* Symbols = nullptr;
  ZSprite* RangeBar = nullptr;
  float DiffOffset = 0.0f;
  MarkerListBase* Markers = nullptr;
  GraphCommandList* Commands = nullptr;
  uint8_t ClampToPlot = 0;
  uint8_t BarAlphaOn = 0;
  float BarAlpha = 127.0f;

  // The plot of this frame with the zoom window.
  display::PlotGeometry PlotOf() const;

 private:
  void PushTexts();
  void DrawOverlaysAndMarkers(int middleRow);
  void DrawSpanLine(bool digital);
  bool DrawFrameStart();
  void BuildWaterImage(int from, int to, unsigned rowWidth, unsigned rows);
  void ShowWater(const ChangeStamped& buffer, unsigned rowWidth, unsigned rows,
                 const std::function<const SharedFloat*(int)>& rowOfAge);
  void FillWater(int rowLength, int rows, const std::function<const SharedFloat*(int)>& rowOfAge);
  void ScrollWater(const WaterfallBuffer& buffer);
  void BlitWater();
  display::Vec2* Scratch() { return Vertices[0].data(); }
  double ZoomIndex(double index) const;
  void DrawTrace(NormalBuffer* buffer, uint32_t argb, bool ownTrace, int& middleRow);

  std::array<uint32_t, 256> waterPixels_{};  // WaterPalette as bitmap words
  mutable std::mutex textLock_;
  std::vector<GraphCommandItem> commandSnapshot_;
};

// ---------------------------------------------------------------------------------------------
// Display list: the displays the idle loop renders, in drawing order; owns none of them.

class DisplayList : public TObjectList {
 public:
  DisplayList() : TObjectList(false) {}
  ~DisplayList() override = default;
  bool RenderAll();
  StdDisplay* GetDisplay(int index) const;
};

// ---------------------------------------------------------------------------------------------
// Band bar layout (pure): where each band of the table is drawn for a range in MHz.

struct BandPlacement {
  int index = 0;       // position in the table
  int x1 = 0, x2 = 0;  // filled columns [x1, x2)
  bool lowerHalf = false;
  bool alternate = false;  // fill colour 0x004080 instead of 0x002680
  bool coversRange = false;
};
std::vector<BandPlacement> LayoutBands(const RangeDefList& list, int width, double start, double stop);
// x of the band's name, or INT_MIN when the name does not fit.
int BandNameX(const BandPlacement& band, int width, int textWidth);
