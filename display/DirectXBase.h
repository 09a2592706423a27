// The scene object and its resources: the one device of the program with its clear colour,
// projection, camera, scene matrices, lights, textures and font; lights, textures, sprites
// and meshes made on that device. All of it is used on the GUI thread only.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Classes.h"
#include "platform/scene/Scene.h"
#include "platform/vcl/Graphics.h"

class TControl;
class ZTextureList;
class ZLightList;

// Result codes kept in LastResult.
constexpr int SceneOk = 0;
constexpr int SceneFailed = -1;

// Light types as the device knows them.
constexpr int LightPoint = 1;
constexpr int LightSpot = 2;
constexpr int LightDirectional = 3;

// A TColor (0x00BBGGRR or a system colour with the top bit set) as a scene colour 0x00RRGGBB;
// system colours are resolved first, the resolved value's top byte is kept.
uint32_t ColorToD3D(TColor colour);

// A grey TColor of the given level (level x 0x010101).
constexpr TColor GreyColor(uint8_t level) { return static_cast<TColor>(level * 0x010101); }

// Degrees to radians as the scene computes it: degrees x (1/180) x pi.
float DegreesToRadians(double degrees);

class ZXBase : public TObject {
 public:
  ZXBase();
  ~ZXBase() override;
  ZXBase(const ZXBase&) = delete;
  ZXBase& operator=(const ZXBase&) = delete;

  bool CheckDevice();
  // Creates the device on the window (nullptr: off-screen). The back buffer is always
  // scene::BackBufferWidth x scene::BackBufferHeight; width and height set the aspect.
  bool CreateDevice(TControl* window, int width, int height);

  bool Clear();
  bool BeginScene();  // Clear, then begin
  bool EndScene();    // end, then present
  void SetClearColor(TColor colour);

  bool SetProjection(int width, int height, float fovDegrees, float zNear, float zFar);
  bool SetPerspective(float fovDegrees, float zNear, float zFar);
  bool SetCamera(float z);
  bool EnableAlphaBlend();

  void SetRotationY(double degrees);
  void SetRotationX(double degrees);
  void SetRotationZ(double degrees);
  void SetRotation(double x, double y, double z);
  void ResetRotation();
  void SetScaling(double factor);
  void ResetScaling();
  void SetTranslation(double x, double y, double z);
  void ResetTranslation();

  // Device light slots (no LightEnable).
  bool SetLight(int index, int type);
  bool SetLightDiffuse(int index, uint8_t level);
  bool SetLightSpecular(int index, uint8_t level);
  bool SetLightPosition(int index, float x, float y, float z);
  bool SetLightRange(int index, float range);

  // Light records; the Of-operations do nothing for a null record.
  static scene::Light EmptyLight();
  static scene::Light DefaultLight(int type);
  void SetDiffuseOf(scene::Light* light, TColor colour);
  void SetSpecularOf(scene::Light* light, TColor colour);
  void SetPositionOf(scene::Light* light, float x, float y, float z);
  void SetRangeOf(scene::Light* light, float range);

  uint32_t ToD3DColor(TColor colour);
  scene::ColorValue ToColorValue(TColor colour, uint8_t alpha);

  // Replaces the scene font; the face name keeps at most 31 characters.
  bool SetFont(const std::string& face, int height, int width, int weight);

  // State, readable by everyone (the device is null until CreateDevice succeeds).
  int LastResult = SceneOk;
  uint8_t Created = 0;
  TControl* Window = nullptr;
  int BackBufferWidth = 0;  // as given to CreateDevice
  int BackBufferHeight = 0;
  uint32_t ClearColor = 0;
  float Aspect = 0;
  scene::Matrix Projection = scene::Matrix::Identity();
  scene::Matrix View = scene::Matrix::Identity();
  scene::Matrix RotationY = scene::Matrix::Identity();
  scene::Matrix RotationX = scene::Matrix::Identity();
  scene::Matrix RotationZ = scene::Matrix::Identity();
  scene::Matrix Scaling = scene::Matrix::Identity();
  scene::Matrix Translation = scene::Matrix::Identity();
  scene::Device* Device = nullptr;
  ZTextureList* TextureList = nullptr;
  ZLightList* LightList = nullptr;
  scene::Font* Font = nullptr;

 private:
  // GetLight, change, SetLight on a device slot.
  bool ChangeLight(int index, const std::function<void(scene::Light&)>& change);
  std::unique_ptr<scene::Device> device_;
  std::unique_ptr<scene::Font> font_;
};

class ZLight : public TObject {
 public:
  // A null device shows "no DXDevice"; such a light only keeps its record.
  ZLight(scene::Device* device, int index, bool enabled);
  ~ZLight() override;

  void Apply();                                       // record into the slot, then enable or disable it
  void SetType(uint8_t kind);                         // 0 point, 1 directional, 2 spot; others keep the type
  static scene::ColorValue GreyValue(uint8_t level);  // alpha 0
  void SetSpotAngles(float thetaDegrees, float phiDegrees);
  void SetDefaults();

  scene::Light Light;
  scene::Device* Device = nullptr;
  bool Enabled = false;
  int Index = 0;
};

class ZLightList : public TStringList {
 public:
  ZLightList(scene::Device* device, int maximum);
  ~ZLightList() override;

  // Takes the light when there is room and returns its index; else -1 (caller keeps it).
  int AddLight(ZLight* light, const std::string& name);
  ZLight* GetLight(int index) const;
  void Delete(int index);  // disables and deletes the light; the entry stays, empty
  void DeleteAll();

  scene::Device* Device = nullptr;
  int Maximum = 0;
};

class ZTextureList : public TStringList {
 public:
  explicit ZTextureList(scene::Device* device);
  ~ZTextureList() override;

  int AddTexture(const std::string& name, std::unique_ptr<scene::Texture> texture);
  int IndexOfName(const std::string& name) const;
  scene::Texture* GetTexture(int index) const;  // null outside the list
  void Delete(int index);
  void DeleteAll();

  scene::Device* Device = nullptr;
};

class ZSprite {
 public:
  explicit ZSprite(scene::Device* device);
  ~ZSprite();
  ZSprite(const ZSprite&) = delete;
  ZSprite& operator=(const ZSprite&) = delete;

  // Texture from a file (width/height <= 0: the file's size); centre: place the
  // texture's middle at Position. Opaque black becomes transparent.
  bool LoadTexture(const std::string& file, bool centre, int width, int height);
  bool LoadTextureFromStream(TMemoryStream* stream, bool centre, int width, int height);
  void SetColor(TColor colour, uint8_t alpha);
  bool Draw();
  bool DrawTransformed(const scene::Matrix* m);  // null draws untransformed

  scene::Device* Device = nullptr;
  std::unique_ptr<scene::Sprite> Sprite;
  scene::Vec3 Position;  // screen position of Centre
  scene::Vec3 Centre;    // point of the texture placed at Position
  std::unique_ptr<scene::Texture> Texture;
  uint32_t Color = 0xFFFFFFFF;
  scene::Matrix Transform = scene::Matrix::Identity();

 private:
  bool TakeTexture(std::unique_ptr<scene::Texture> texture, bool centre);
};

class ZMesh : public TObject {
 public:
  explicit ZMesh(scene::Device* device);
  ~ZMesh() override;

  void Free();
  // Loads a text .X file; material textures are shared by name through textures.
  bool Open(const std::string& file, ZTextureList* textures);
  void SetRotation(float yaw, float pitch, float roll);
  void SetScale(float x, float y, float z);
  void SetPosition(float x, float y, float z);
  void UpdateWorld();  // World = Scaling x Rotation x Translation
  bool Render(ZTextureList* textures);

  int LastResult = SceneOk;
  scene::Device* Device = nullptr;
  uint32_t MaterialCount = 0;
  std::vector<scene::Material> Materials;
  std::vector<int> TextureIndices;
  std::unique_ptr<scene::Mesh> Mesh;
  scene::Matrix World = scene::Matrix::Identity();
  scene::Matrix Rotation = scene::Matrix::Identity();
  scene::Matrix Scaling = scene::Matrix::Identity();
  scene::Matrix Translation = scene::Matrix::Identity();
  uint8_t Visible = 1;
};

class ZMeshList : public TStringList {
 public:
  explicit ZMeshList(scene::Device* device);
  ~ZMeshList() override;

  ZMesh* GetMesh(int index) const;
  void Delete(int index);
  void DeleteAll();

  scene::Device* Device = nullptr;
};
