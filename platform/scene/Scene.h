// A small 2D compositor: a fixed 1024 x 768 ARGB back buffer with clear, alpha-blended
// polylines, textured sprites, opaque stretch-blits and presentation to a window.
// Lights, materials, transforms, render states, fonts and meshes are stored and can be
// read back; they do not change what is drawn.
//
// Colours are 0xAARRGGBB. Blending is src * a + dst * (1 - a). The back buffer is opaque:
// its alpha byte is always 0xFF. Everything is drawn in call order; what a frame draws after
// its clear is rasterised when the back buffer is read or presented. A device
// and its objects belong to one thread (the GUI thread).
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TControl;
class TBitmap;

namespace scene {

constexpr int BackBufferWidth = 1024;
constexpr int BackBufferHeight = 768;
constexpr int MaxLights = 8;
// Pixels from one back-buffer row to the next. The rows are padded so that pixels of one
// column do not share their low address bits, which keeps column-wise blending fast.
constexpr int BackBufferStride = BackBufferWidth + 16;

struct Vec2 {
  float x = 0, y = 0;
};

struct Vec3 {
  float x = 0, y = 0, z = 0;
};

// Colour with float channels 0..1 (lights and materials).
struct ColorValue {
  float r = 0, g = 0, b = 0, a = 0;
};

// Integer rectangle, right and bottom exclusive.
struct RectI {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const RectI&) const = default;
};

// 4 x 4 matrix, row-vector convention: v' = v * M, so S * R * T scales first.
struct Matrix {
  float m[4][4] = {};

  static Matrix Identity();
  static Matrix Scaling(float sx, float sy, float sz);
  static Matrix Translation(float tx, float ty, float tz);
  static Matrix RotationX(float radians);
  static Matrix RotationY(float radians);
  static Matrix RotationZ(float radians);
  static Matrix RotationYawPitchRoll(float yaw, float pitch, float roll);
  // Left-handed perspective projection; fovY in radians.
  static Matrix PerspectiveFovLH(float fovY, float aspect, float zNear, float zFar);
  // Left-handed view matrix looking from eye to at.
  static Matrix LookAtLH(const Vec3& eye, const Vec3& at, const Vec3& up);

  Vec3 TransformPoint(const Vec3& v) const;  // w = 1, no perspective divide
  bool operator==(const Matrix& o) const;
};
Matrix operator*(const Matrix& a, const Matrix& b);

enum class LightType : int { Point = 1, Spot = 2, Directional = 3 };

struct Light {
  LightType Type = LightType::Point;
  ColorValue Diffuse, Specular, Ambient;
  Vec3 Position, Direction;
  float Range = 0, Falloff = 0;
  float Attenuation0 = 0, Attenuation1 = 0, Attenuation2 = 0;
  float Theta = 0, Phi = 0;
};

struct Material {
  ColorValue Diffuse, Ambient, Specular, Emissive;
  float Power = 0;
};

enum class TransformKind : int { World = 0, View = 1, Projection = 2 };

// Stored render states (no visible effect except what Line and Sprite always do).
enum class RenderState : int {
  AlphaBlendEnable,
  SrcBlend,
  DestBlend,
  NormalizeNormals,
  Lighting,
  ZEnable,
  Count
};
enum BlendValue : uint32_t { BlendSrcAlpha = 5, BlendInvSrcAlpha = 6 };

enum class SamplerState : int { MinFilter, MagFilter, MipFilter, Count };
enum FilterValue : uint32_t { FilterNone = 0, FilterPoint = 1, FilterLinear = 2 };

enum class TextureStageState : int { TextureTransformFlags, Count };
constexpr uint32_t TextureTransformCount2 = 2;

class Texture;
class Font;
struct FontDesc;

// The device: owns the back buffer and the stored state. Created on a window of the
// class library, or windowless (window == nullptr) for tests and off-screen use.
class Device {
 public:
  explicit Device(TControl* window = nullptr);
  ~Device();
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;

  TControl* Window() const;
  int Width() const { return BackBufferWidth; }
  int Height() const { return BackBufferHeight; }

  // Fills the whole back buffer with the colour (alpha ignored: the buffer is opaque).
  void Clear(uint32_t argb);
  // Scene bracket. BeginScene inside a scene and EndScene outside one return false.
  bool BeginScene();
  bool EndScene();
  bool InScene() const;
  // Makes the back buffer the front image and asks the window to repaint; the window
  // paints it stretched to its client area (non-uniform). A frame equal to the one shown
  // asks for no repaint. Never fails. The back buffer keeps showing the presented frame
  // until it is cleared or drawn on.
  bool Present();
  int PresentCount() const;
  // Drawing operations (clears, lines, sprites, blits) rasterised into the back buffer so far.
  // Operations are rasterised when the back buffer is read or presented; a frame that draws
  // exactly what the window shows is presented without rasterising any of them.
  int DrawCount() const;
  // The last presented frame scaled to width x height exactly as the window paints it
  // (row-major, 0xAARRGGBB). Empty when nothing was presented yet or the size is < 1.
  std::vector<uint32_t> GrabPresented(int width, int height) const;
  // The frame pixels in which the last present's frame differs from the one on the window before it
  // (the whole frame for the first; empty when equal); only the window pixels that can show them
  // are repainted.
  RectI ChangedArea() const;
  // The window pixels, on a window of width x height, that can show the changed area.
  RectI RepaintArea(int width, int height) const;
  // The window areas that are repainted: those that can show the changed area's parts in which
  // pixels changed (apart changes are repainted apart).
  std::vector<RectI> RepaintAreas(int width, int height) const;
  // Paints the last presented frame into a width x height screen (row-major, 0xAARRGGBB) within
  // the area only, as a window repaints part of itself.
  void RepaintPresented(std::vector<uint32_t>& screen, int width, int height, const RectI& area) const;

  // Raw back buffer: BackBufferHeight rows of BackBufferWidth pixels, BackBufferStride
  // pixels apart: pixel (x, y) is BackBuffer()[y * BackBufferStride + x]. The pointer is
  // valid until the next Present.
  uint32_t* BackBuffer();
  const uint32_t* BackBuffer() const;
  // Pixel probe; 0 outside the buffer.
  uint32_t PixelAt(int x, int y) const;
  bool SaveBackBufferPNG(const std::string& path) const;

  // Opaque nearest-neighbour stretch of a 32-bit bitmap (B,G,R,x bytes = 0xXXRRGGBB
  // words; the fourth byte is ignored) from src into dest, clipped to the buffer.
  // strideBytes is the distance between rows; a negative stride walks bottom-up.
  bool StretchBlit(const uint32_t* pixels, int width, int height, int strideBytes, const RectI& src,
                   const RectI& dest);
  // Whole bitmap (pf32bit) into dest.
  bool StretchBlit(TBitmap* bitmap, const RectI& dest);

  // Stored state.
  void SetTransform(TransformKind kind, const Matrix& m);
  Matrix GetTransform(TransformKind kind) const;
  bool SetLight(int index, const Light& light);  // false for index outside 0..7
  bool GetLight(int index, Light& light) const;
  bool LightEnable(int index, bool enable);
  bool IsLightEnabled(int index) const;
  void SetMaterial(const Material& material);
  Material GetMaterial() const;
  void SetRenderState(RenderState state, uint32_t value);
  uint32_t GetRenderState(RenderState state) const;
  void SetSamplerState(int stage, SamplerState state, uint32_t value);
  uint32_t GetSamplerState(int stage, SamplerState state) const;
  void SetTextureStageState(int stage, TextureStageState state, uint32_t value);
  uint32_t GetTextureStageState(int stage, TextureStageState state) const;
  void SetTexture(int stage, const Texture* texture);
  const Texture* GetTexture(int stage) const;

  struct Impl;
  Impl& impl() { return *impl_; }
  const Impl& impl() const { return *impl_; }

 private:
  std::unique_ptr<Impl> impl_;
};

// An ARGB image used by sprites. Every texel equal to the colour key (when the key's
// alpha is non-zero) becomes transparent black 0x00000000; the default key turns
// opaque black transparent. Width/height <= 0 keep the image's own size; otherwise the
// image is scaled to exactly the requested size.
class Texture {
 public:
  static constexpr uint32_t DefaultColorKey = 0xFF000000;

  // Decodes BMP, PNG, JPEG, TGA, TIFF by content. Null on any failure (error set). Textures made from
  // one file at one size share one decode until the file's size or modification time changes.
  static std::unique_ptr<Texture> FromFile(const std::string& path, int width = -1, int height = -1,
                                           uint32_t colorKey = DefaultColorKey, std::string* error = nullptr);
  // Same from an encoded file image in memory (for instance a BMP stream).
  static std::unique_ptr<Texture> FromMemory(const void* data, size_t size, int width = -1, int height = -1,
                                             uint32_t colorKey = DefaultColorKey,
                                             std::string* error = nullptr);
  // From raw 0xAARRGGBB pixels (straight alpha); strideBytes >= width * 4.
  static std::unique_ptr<Texture> FromPixels(const uint32_t* argb, int width, int height, int strideBytes,
                                             int targetWidth = -1, int targetHeight = -1,
                                             uint32_t colorKey = DefaultColorKey);
  // How many times FromFile has decoded a file so far.
  static int FileDecodes();
  ~Texture();

  int Width() const;
  int Height() const;
  uint32_t PixelAt(int x, int y) const;  // straight ARGB; 0 outside

  struct Impl;
  Impl& impl() { return *impl_; }
  const Impl& impl() const { return *impl_; }

 private:
  Texture();
  std::unique_ptr<Impl> impl_;
};

// Polyline object. Width in back-buffer pixels (default 1); with antialiasing the
// edges are coverage-weighted. Coordinates are floats in back-buffer pixels and may lie
// far outside the buffer; segments with a non-finite end point are skipped.
class Line {
 public:
  explicit Line(Device& device);
  ~Line();

  void SetWidth(float width);  // non-finite or <= 0 is ignored
  float GetWidth() const;
  void SetAntialias(bool on);
  bool GetAntialias() const;
  void SetGLLines(bool on);  // stored only
  bool GetGLLines() const;

  // Begin/End bracket a batch; Draw also works outside it.
  bool Begin();
  // A polyline through n points (n >= 2), blended in the colour.
  bool Draw(const Vec2* points, int count, uint32_t argb);
  bool End();

 private:
  Device& device_;
  float width_ = 1.0f;
  bool antialias_ = false;
  bool glLines_ = false;
  bool begun_ = false;
};

// Textured quads. Each Draw is blended into the back buffer in call order.
class Sprite {
 public:
  explicit Sprite(Device& device);
  ~Sprite();

  bool Begin();  // alpha blending is always on
  bool End();
  void SetTransform(const Matrix& m);  // 2D part is used: m11 m12 m21 m22 m41 m42
  Matrix GetTransform() const;
  // Draws src (null: the whole texture) with its top-left corner at
  // (position - centre) * transform. Texel colour and alpha are multiplied by the
  // modulation colour. A null texture draws nothing and returns false.
  bool Draw(const Texture* texture, const RectI* src, const Vec3* centre, const Vec3* position,
            uint32_t modulate);

 private:
  Device& device_;
  Matrix transform_ = Matrix::Identity();
  bool begun_ = false;
};

// A font object: stores its parameters; nothing is drawn with it.
struct FontDesc {
  int Height = 0;
  int Width = 0;
  int Weight = 0;
  int MipLevels = 0;
  bool Italic = false;
  int CharSet = 0;
  int OutputPrecision = 0;
  int Quality = 0;
  int PitchAndFamily = 0;
  std::string FaceName;
};

class Font {
 public:
  Font(Device& device, const FontDesc& desc) : device_(device), desc_(desc) {}
  const FontDesc& Desc() const { return desc_; }
  Device& GetDevice() const { return device_; }

 private:
  Device& device_;
  FontDesc desc_;
};

// A mesh: stores vertices, faces with subset ids and its materials; nothing is drawn.
struct MeshMaterial {
  Material Mat;
  std::string TextureFilename;  // empty when the material has no texture
};

class Mesh {
 public:
  Mesh(std::vector<Vec3> vertices, std::vector<uint32_t> indices, std::vector<uint32_t> faceSubsets,
       std::vector<MeshMaterial> materials);

  // Reads a text .X file with one Mesh (vertices, faces) and an optional material
  // list. Null on a missing or unreadable file (error set).
  static std::unique_ptr<Mesh> LoadFromX(const std::string& path, std::string* error = nullptr);

  const std::vector<Vec3>& Vertices() const { return vertices_; }
  const std::vector<uint32_t>& Indices() const { return indices_; }  // 3 per face
  const std::vector<MeshMaterial>& Materials() const { return materials_; }
  int FaceCount() const { return static_cast<int>(indices_.size() / 3); }
  int SubsetCount() const;
  // Records the draw; false for a subset index that does not exist.
  bool DrawSubset(int subset);
  int DrawCount() const { return drawCount_; }

 private:
  std::vector<Vec3> vertices_;
  std::vector<uint32_t> indices_;
  std::vector<uint32_t> faceSubsets_;
  std::vector<MeshMaterial> materials_;
  int drawCount_ = 0;
};

}  // namespace scene
