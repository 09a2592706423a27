// The scene object and its resources over the scene device.
#include "display/DirectXBase.h"

#include <cmath>

#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Forms.h"

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr int SceneLights = 8;
constexpr size_t MaxFaceNameChars = 31;

void NoDevice(const char* caption) { MessageBox("no DXDevice", caption, MB_OK); }

// Result of an operation as kept in LastResult.
int ResultOf(bool ok) { return ok ? SceneOk : SceneFailed; }

// Texture entry of a ZTextureList (the list's objects are TObjects).
class TextureEntry : public TObject {
 public:
  explicit TextureEntry(std::unique_ptr<scene::Texture> t) : texture(std::move(t)) {}
  std::unique_ptr<scene::Texture> texture;
};

}  // namespace

uint32_t ColorToD3D(TColor colour) {
  uint32_t c = static_cast<uint32_t>(colour);
  if (c & 0x80000000u) c = static_cast<uint32_t>(ColorToRGB(static_cast<TColor>(0x80000000u | (c & 0xFF))));
  return (c & 0xFF00FF00u) | ((c & 0xFF) << 16) | ((c >> 16) & 0xFF);
}

float DegreesToRadians(double degrees) { return static_cast<float>(degrees * (1.0 / 180.0) * Pi); }

// ---- ZXBase ----

ZXBase::ZXBase() { Created = 1; }

ZXBase::~ZXBase() {
  font_.reset();
  Font = nullptr;
  delete LightList;
  LightList = nullptr;
  delete TextureList;
  TextureList = nullptr;
  device_.reset();
  Device = nullptr;
}

bool ZXBase::CheckDevice() {
  LastResult = ResultOf(Created == 1);
  return LastResult == SceneOk;
}

bool ZXBase::CreateDevice(TControl* window, int width, int height) {
  Window = window;
  if (!Created || width <= 0 || height <= 0 || Device) {
    LastResult = SceneFailed;
    return false;
  }
  BackBufferWidth = width;
  BackBufferHeight = height;
  device_ = std::make_unique<scene::Device>(window);
  Device = device_.get();
  LastResult = SceneOk;
  Aspect = static_cast<float>(width) / static_cast<float>(height);
  SetClearColor(0xC0DCC0);
  if (!SetPerspective(45, 0.1f, 10000)) return false;
  if (!SetCamera(-500)) return false;
  Device->SetSamplerState(0, scene::SamplerState::MinFilter, scene::FilterLinear);
  Device->SetSamplerState(0, scene::SamplerState::MipFilter, scene::FilterLinear);
  Device->SetSamplerState(0, scene::SamplerState::MagFilter, scene::FilterLinear);
  Device->SetRenderState(scene::RenderState::NormalizeNormals, 1);
  Device->SetTextureStageState(0, scene::TextureStageState::TextureTransformFlags,
                               scene::TextureTransformCount2);
  ResetRotation();
  ResetScaling();
  ResetTranslation();
  TextureList = new ZTextureList(Device);
  LightList = new ZLightList(Device, SceneLights);
  font_ = std::make_unique<scene::Font>(*Device, scene::FontDesc{-22, 12, 0, 1, false, 1, 0, 0, 0, "Arial"});
  Font = font_.get();
  return true;
}

bool ZXBase::Clear() {
  LastResult = ResultOf(Device != nullptr);
  if (!Device) return false;
  Device->Clear(ClearColor);
  return true;
}

bool ZXBase::BeginScene() {
  if (!Clear()) return false;
  LastResult = ResultOf(Device->BeginScene());
  return LastResult == SceneOk;
}

bool ZXBase::EndScene() {
  LastResult = ResultOf(Device && Device->EndScene());
  if (LastResult != SceneOk) return false;
  LastResult = ResultOf(Device->Present());
  return LastResult == SceneOk;
}

void ZXBase::SetClearColor(TColor colour) { ClearColor = ToD3DColor(colour); }

bool ZXBase::SetProjection(int width, int height, float fovDegrees, float zNear, float zFar) {
  if (height == 0) return false;
  const float aspect = static_cast<float>(width) / static_cast<float>(height);
  Projection = scene::Matrix::PerspectiveFovLH(DegreesToRadians(fovDegrees), aspect, zNear, zFar);
  LastResult = ResultOf(Device != nullptr);
  if (Device) Device->SetTransform(scene::TransformKind::Projection, Projection);
  return LastResult == SceneOk;
}

bool ZXBase::SetPerspective(float fovDegrees, float zNear, float zFar) {
  Projection = scene::Matrix::PerspectiveFovLH(DegreesToRadians(fovDegrees), Aspect, zNear, zFar);
  LastResult = ResultOf(Device != nullptr);
  if (Device) Device->SetTransform(scene::TransformKind::Projection, Projection);
  return LastResult == SceneOk;
}

bool ZXBase::SetCamera(float z) {
  View = scene::Matrix::LookAtLH({0, 0, z}, {0, 0, 0}, {0, 1, 0});
  LastResult = ResultOf(Device != nullptr);
  if (Device) Device->SetTransform(scene::TransformKind::View, View);
  return LastResult == SceneOk;
}

bool ZXBase::EnableAlphaBlend() {
  if (!Device) return false;
  Device->SetRenderState(scene::RenderState::AlphaBlendEnable, 1);
  Device->SetRenderState(scene::RenderState::SrcBlend, scene::BlendSrcAlpha);
  Device->SetRenderState(scene::RenderState::DestBlend, scene::BlendInvSrcAlpha);
  return true;
}

void ZXBase::SetRotationY(double degrees) { RotationY = scene::Matrix::RotationY(DegreesToRadians(degrees)); }
void ZXBase::SetRotationX(double degrees) { RotationX = scene::Matrix::RotationX(DegreesToRadians(degrees)); }
void ZXBase::SetRotationZ(double degrees) { RotationZ = scene::Matrix::RotationZ(DegreesToRadians(degrees)); }
void ZXBase::SetRotation(double x, double y, double z) {
  SetRotationY(y);
  SetRotationX(x);
  SetRotationZ(z);
}
void ZXBase::ResetRotation() { SetRotation(0, 0, 0); }
void ZXBase::SetScaling(double factor) {
  const float f = static_cast<float>(factor);
  Scaling = scene::Matrix::Scaling(f, f, f);
}
void ZXBase::ResetScaling() { SetScaling(1); }
void ZXBase::SetTranslation(double x, double y, double z) {
  Translation =
      scene::Matrix::Translation(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
}
void ZXBase::ResetTranslation() { SetTranslation(0, 0, 0); }

bool ZXBase::ChangeLight(int index, const std::function<void(scene::Light&)>& change) {
  scene::Light light;
  if (!Device || !Device->GetLight(index, light)) {
    LastResult = SceneFailed;
    return false;
  }
  change(light);
  LastResult = ResultOf(Device->SetLight(index, light));
  return LastResult == SceneOk;
}

bool ZXBase::SetLight(int index, int type) {
  LastResult = ResultOf(Device && Device->SetLight(index, DefaultLight(type)));
  return LastResult == SceneOk;
}

bool ZXBase::SetLightDiffuse(int index, uint8_t level) {
  return ChangeLight(index, [&](scene::Light& l) { SetDiffuseOf(&l, GreyColor(level)); });
}

bool ZXBase::SetLightSpecular(int index, uint8_t level) {
  return ChangeLight(index, [&](scene::Light& l) { SetSpecularOf(&l, GreyColor(level)); });
}

bool ZXBase::SetLightPosition(int index, float x, float y, float z) {
  return ChangeLight(index, [&](scene::Light& l) { SetPositionOf(&l, x, y, z); });
}

bool ZXBase::SetLightRange(int index, float range) {
  return ChangeLight(index, [&](scene::Light& l) { SetRangeOf(&l, range); });
}

scene::Light ZXBase::EmptyLight() {
  scene::Light light;
  light.Type = static_cast<scene::LightType>(0);
  return light;
}

scene::Light ZXBase::DefaultLight(int type) {
  scene::Light light = EmptyLight();
  light.Type = static_cast<scene::LightType>(type);
  light.Falloff = 1.0f;
  light.Attenuation0 = 1.0f;
  return light;
}

void ZXBase::SetDiffuseOf(scene::Light* light, TColor colour) {
  if (light) light->Diffuse = ToColorValue(colour, 255);
}

void ZXBase::SetSpecularOf(scene::Light* light, TColor colour) {
  if (light) light->Specular = ToColorValue(colour, 255);
}

void ZXBase::SetPositionOf(scene::Light* light, float x, float y, float z) {
  if (light) light->Position = {x, y, z};
}

void ZXBase::SetRangeOf(scene::Light* light, float range) {
  if (light) light->Range = range;
}

uint32_t ZXBase::ToD3DColor(TColor colour) { return ColorToD3D(colour); }

scene::ColorValue ZXBase::ToColorValue(TColor colour, uint8_t alpha) {
  const uint32_t c = ColorToD3D(colour);  // 0x..RRGGBB
  return {static_cast<float>((c >> 16) & 0xFF) / 255.0f, static_cast<float>((c >> 8) & 0xFF) / 255.0f,
          static_cast<float>(c & 0xFF) / 255.0f, static_cast<float>(alpha) / 255.0f};
}

bool ZXBase::SetFont(const std::string& face, int height, int width, int weight) {
  font_.reset();
  Font = nullptr;
  if (!Device) {
    LastResult = SceneFailed;
    return false;
  }
  // The face name holds at most 31 characters; a multi-byte character is never split.
  size_t chars = 0, end = 0;
  while (end < face.size() && chars < MaxFaceNameChars) {
    ++end;
    while (end < face.size() && (static_cast<unsigned char>(face[end]) & 0xC0) == 0x80) ++end;
    ++chars;
  }
  font_ = std::make_unique<scene::Font>(
      *Device, scene::FontDesc{height, width, weight, 0, false, 1, 4, 2, 0, face.substr(0, end)});
  Font = font_.get();
  LastResult = SceneOk;
  return true;
}

// ---- ZLight ----

ZLight::ZLight(scene::Device* device, int index, bool enabled)
    : Device(device), Enabled(enabled), Index(index) {
  if (!device) NoDevice("Error in ZLight");
  Light = ZXBase::EmptyLight();
  Light.Type = scene::LightType::Point;
  SetDefaults();
}

ZLight::~ZLight() {
  if (Device) Device->LightEnable(Index, false);
}

void ZLight::Apply() {
  if (!Device) return;
  Device->SetLight(Index, Light);
  Device->LightEnable(Index, Enabled);
}

void ZLight::SetType(uint8_t kind) {
  if (kind == 0) Light.Type = scene::LightType::Point;
  if (kind == 1) Light.Type = scene::LightType::Directional;
  if (kind == 2) Light.Type = scene::LightType::Spot;
  Apply();
}

scene::ColorValue ZLight::GreyValue(uint8_t level) {
  const float v = static_cast<float>(level) / 255.0f;
  return {v, v, v, 0.0f};
}

void ZLight::SetSpotAngles(float thetaDegrees, float phiDegrees) {
  Light.Theta = DegreesToRadians(thetaDegrees);
  Light.Phi = DegreesToRadians(phiDegrees);
  Apply();
}

void ZLight::SetDefaults() {
  Light.Direction = {0, 0, 1};
  Apply();
  Light.Diffuse = GreyValue(255);
  Light.Specular = GreyValue(80);
  Light.Ambient = GreyValue(0);
  Apply();
  SetType(0);
  Light.Range = 5000.0f;
  Light.Falloff = 1.0f;
  Light.Attenuation0 = 0.2f;
  Light.Attenuation1 = 0.0f;
  Light.Attenuation2 = 0.0f;
  Apply();
  SetSpotAngles(45, 22.5f);
  Light.Position = {0, 0, -300};
  Apply();
  Apply();
}

// ---- ZLightList ----

ZLightList::ZLightList(scene::Device* device, int maximum) : Device(device), Maximum(maximum) {
  if (!device) NoDevice("Error in ZLightList");
  for (int i = 0; i < maximum; ++i) {
    auto* light = new ZLight(device, i, true);
    if (AddLight(light, "") < 0) {
      delete light;
      continue;
    }
    if (i != 0) {
      light->Enabled = false;
      light->Apply();
    }
  }
}

ZLightList::~ZLightList() { DeleteAll(); }

int ZLightList::AddLight(ZLight* light, const std::string& name) {
  if (Count() >= Maximum) return -1;
  return AddObject(name, light);
}

ZLight* ZLightList::GetLight(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return static_cast<ZLight*>(Objects(index));
}

void ZLightList::Delete(int index) {
  ZLight* light = GetLight(index);
  if (!light) return;
  light->Enabled = false;
  light->Apply();
  delete light;
  Objects(index) = nullptr;
  Strings(index) = "";
}

void ZLightList::DeleteAll() {
  for (int i = 0; i < Count(); ++i) Delete(i);
  Clear();
}

// ---- ZTextureList ----

ZTextureList::ZTextureList(scene::Device* device) : Device(device) {
  if (!device) NoDevice("Error in ZTextureList");
}

ZTextureList::~ZTextureList() { DeleteAll(); }

int ZTextureList::AddTexture(const std::string& name, std::unique_ptr<scene::Texture> texture) {
  return AddObject(name, new TextureEntry(std::move(texture)));
}

int ZTextureList::IndexOfName(const std::string& name) const { return IndexOf(name); }

scene::Texture* ZTextureList::GetTexture(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  auto* entry = static_cast<TextureEntry*>(Objects(index));
  return entry ? entry->texture.get() : nullptr;
}

void ZTextureList::Delete(int index) {
  if (index < 0 || index >= Count() || !Objects(index)) return;
  delete static_cast<TextureEntry*>(Objects(index));
  Objects(index) = nullptr;
  Strings(index) = "";
}

void ZTextureList::DeleteAll() {
  for (int i = 0; i < Count(); ++i) Delete(i);
  Clear();
}

// ---- ZSprite ----

ZSprite::ZSprite(scene::Device* device) : Device(device) {
  if (device) Sprite = std::make_unique<scene::Sprite>(*device);
}

ZSprite::~ZSprite() = default;

bool ZSprite::TakeTexture(std::unique_ptr<scene::Texture> texture, bool centre) {
  Texture = std::move(texture);
  if (!Texture) return false;
  if (centre)
    Centre = {static_cast<float>(Texture->Width()) * 0.5f, static_cast<float>(Texture->Height()) * 0.5f,
              0.0f};
  return true;
}

bool ZSprite::LoadTexture(const std::string& file, bool centre, int width, int height) {
  if (!Device) return false;
  Texture.reset();
  return TakeTexture(scene::Texture::FromFile(file, width, height), centre);
}

bool ZSprite::LoadTextureFromStream(TMemoryStream* stream, bool centre, int width, int height) {
  if (!Device) return false;
  Texture.reset();
  if (!stream) return false;
  return TakeTexture(
      scene::Texture::FromMemory(stream->Memory(), static_cast<size_t>(stream->Size()), width, height),
      centre);
}

void ZSprite::SetColor(TColor colour, uint8_t alpha) {
  Color = (ColorToD3D(colour) & 0x00FFFFFFu) | static_cast<uint32_t>(alpha) << 24;
}

bool ZSprite::Draw() { return DrawTransformed(nullptr); }

bool ZSprite::DrawTransformed(const scene::Matrix* m) {
  if (!Device || !Sprite) return false;
  Transform = m ? scene::Matrix::Identity() * *m : scene::Matrix::Identity();
  Sprite->SetTransform(Transform);
  Sprite->Begin();
  Sprite->Draw(Texture.get(), nullptr, &Centre, &Position, Color);
  Sprite->End();
  return true;
}

// ---- ZMesh ----

ZMesh::ZMesh(scene::Device* device) : Device(device) {
  if (!device) NoDevice("Error in ZMesh");
}

ZMesh::~ZMesh() { Free(); }

void ZMesh::Free() {
  Mesh.reset();
  MaterialCount = 0;
  Materials.clear();
  TextureIndices.clear();
  World = Rotation = Scaling = Translation = scene::Matrix::Identity();
}

bool ZMesh::Open(const std::string& file, ZTextureList* textures) {
  const std::string path = PlatformPath(file);
  if (!textures || !FileExists(path)) return false;
  Free();
  Mesh = scene::Mesh::LoadFromX(path);
  if (!Mesh) {
    LastResult = SceneFailed;
    return false;
  }
  LastResult = SceneOk;
  for (const scene::MeshMaterial& m : Mesh->Materials()) {
    scene::Material material = m.Mat;
    material.Ambient = material.Diffuse;
    Materials.push_back(material);
    int index = -1;
    const std::string& name = m.TextureFilename;
    if (!name.empty() && textures->IndexOfName(name) < 0) {
      auto texture = scene::Texture::FromFile(PlatformPath(name), -1, -1, 0);
      if (texture)
        index = textures->AddTexture(name, std::move(texture));
      else
        LastResult = SceneFailed;
    } else if (!name.empty()) {
      index = textures->IndexOfName(name);
    }
    TextureIndices.push_back(index);
  }
  MaterialCount = static_cast<uint32_t>(Materials.size());
  return true;
}

void ZMesh::SetRotation(float yaw, float pitch, float roll) {
  Rotation = scene::Matrix::RotationYawPitchRoll(yaw, pitch, roll);
}

void ZMesh::SetScale(float x, float y, float z) { Scaling = scene::Matrix::Scaling(x, y, z); }

void ZMesh::SetPosition(float x, float y, float z) { Translation = scene::Matrix::Translation(x, y, z); }

void ZMesh::UpdateWorld() { World = Scaling * Rotation * Translation; }

bool ZMesh::Render(ZTextureList* textures) {
  if (!Mesh) return false;
  if (!Visible) return true;
  UpdateWorld();
  if (!Device) return false;
  Device->SetTransform(scene::TransformKind::World, World);
  for (uint32_t i = 0; i < MaterialCount; ++i) {
    Device->SetMaterial(Materials[i]);
    if (textures) Device->SetTexture(0, textures->GetTexture(TextureIndices[i]));
    Mesh->DrawSubset(static_cast<int>(i));
  }
  return true;
}

// ---- ZMeshList ----

ZMeshList::ZMeshList(scene::Device* device) : Device(device) {
  if (!device) NoDevice("Error in ZMesh");
}

ZMeshList::~ZMeshList() { DeleteAll(); }

ZMesh* ZMeshList::GetMesh(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return static_cast<ZMesh*>(Objects(index));
}

void ZMeshList::Delete(int index) {
  ZMesh* mesh = GetMesh(index);
  if (!mesh) return;
  delete mesh;
  Objects(index) = nullptr;
  Strings(index) = "";
}

void ZMeshList::DeleteAll() {
  for (int i = 0; i < Count(); ++i) Delete(i);
  Clear();
}
