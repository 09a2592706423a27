// The scene object and its resources on an off-screen device.
#include "display/DirectXBase.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace {

constexpr float Eps = 1e-6f;

class ZXBaseTest : public ::testing::Test {
 protected:
  ZXBase base;
  void SetUp() override {
    ASSERT_TRUE(base.CheckDevice());
    ASSERT_TRUE(base.CreateDevice(nullptr, 1024, 768));
    ASSERT_NE(base.Device, nullptr);
  }
};

TEST(ColorTest, ColorToD3DSwapsRedAndBlue) {
  struct Case {
    TColor in;
    uint32_t out;
  };
  const Case cases[] = {
      {0x0000FF, 0x00FF0000}, {0xFF0000, 0x000000FF}, {0x00FF00, 0x0000FF00},
      {0xC0DCC0, 0x00C0DCC0}, {0x123456, 0x00563412}, {0xFFFF00, 0x0000FFFF},
  };
  for (const auto& c : cases) EXPECT_EQ(ColorToD3D(c.in), c.out) << std::hex << c.in;
}

TEST(ColorTest, SystemColoursAreResolved) {
  for (TColor sys : {clBtnFace, clWindow, clBackground, clHighlight}) {
    const TColor rgb = ColorToRGB(sys);
    EXPECT_EQ(ColorToD3D(sys), ColorToD3D(rgb)) << std::hex << sys;
  }
}

TEST_F(ZXBaseTest, CreateDeviceSetsDefaults) {
  EXPECT_EQ(base.ClearColor, 0x00C0DCC0u);
  EXPECT_FLOAT_EQ(base.Aspect, 1024.0f / 768.0f);
  EXPECT_EQ(base.Device->GetTransform(scene::TransformKind::View),
            scene::Matrix::LookAtLH({0, 0, -500}, {0, 0, 0}, {0, 1, 0}));
  EXPECT_EQ(base.Projection,
            scene::Matrix::PerspectiveFovLH(DegreesToRadians(45), 1024.0f / 768.0f, 0.1f, 10000));
  EXPECT_EQ(base.Device->GetSamplerState(0, scene::SamplerState::MagFilter), scene::FilterLinear);
  EXPECT_EQ(base.Device->GetRenderState(scene::RenderState::NormalizeNormals), 1u);
  EXPECT_EQ(base.RotationY, scene::Matrix::Identity());
  EXPECT_EQ(base.Scaling, scene::Matrix::Identity());
  ASSERT_NE(base.Font, nullptr);
  EXPECT_EQ(base.Font->Desc().FaceName, "Arial");
  EXPECT_EQ(base.Font->Desc().Height, -22);
  ASSERT_NE(base.TextureList, nullptr);
  ASSERT_NE(base.LightList, nullptr);
  EXPECT_EQ(base.LightList->Count(), 8);
  EXPECT_TRUE(base.Device->IsLightEnabled(0));
  for (int i = 1; i < 8; ++i) EXPECT_FALSE(base.Device->IsLightEnabled(i)) << i;
  EXPECT_FALSE(base.CreateDevice(nullptr, 1024, 768));  // made once
}

TEST(ZXBaseCreateTest, BadSizesAreRefused) {
  for (auto [w, h] : {std::pair{1024, 0}, std::pair{0, 768}, std::pair{-5, 768}}) {
    ZXBase base;
    EXPECT_FALSE(base.CreateDevice(nullptr, w, h));
    EXPECT_EQ(base.Device, nullptr);
    EXPECT_NE(base.LastResult, SceneOk);
    EXPECT_FALSE(base.BeginScene());
    EXPECT_FALSE(base.EndScene());
    EXPECT_FALSE(base.EnableAlphaBlend());
    EXPECT_FALSE(base.SetLight(0, LightPoint));
    EXPECT_FALSE(base.SetLightDiffuse(0, 10));
  }
}

TEST_F(ZXBaseTest, BeginClearsAndEndPresents) {
  base.SetClearColor(0x0000FF);  // red as TColor
  ASSERT_TRUE(base.BeginScene());
  EXPECT_EQ(base.Device->PixelAt(500, 400), 0xFFFF0000u);
  EXPECT_FALSE(base.BeginScene());  // nested
  ASSERT_TRUE(base.EndScene());
  EXPECT_EQ(base.Device->PresentCount(), 1);
  EXPECT_FALSE(base.EndScene());  // not in a scene: no second present
  EXPECT_EQ(base.Device->PresentCount(), 1);
  const auto shown = base.Device->GrabPresented(64, 48);
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown[24 * 64 + 32] & 0xFFFFFF, 0xFF0000u);
}

TEST_F(ZXBaseTest, SystemClearColourUsesTheSystemValue) {
  base.SetClearColor(static_cast<TColor>(0x80000001));
  EXPECT_EQ(base.ClearColor, ColorToD3D(ColorToRGB(clBackground)));
  base.Clear();
  EXPECT_EQ(base.Device->PixelAt(0, 0), base.ClearColor | 0xFF000000u);
}

TEST_F(ZXBaseTest, ProjectionWithZeroHeightChangesNothing) {
  ASSERT_TRUE(base.SetProjection(1024, 768, 45, 100, 100000));
  const scene::Matrix before = base.Projection;
  EXPECT_EQ(base.Device->GetTransform(scene::TransformKind::Projection), before);
  EXPECT_FALSE(base.SetProjection(1024, 0, 60, 1, 10));
  EXPECT_EQ(base.Projection, before);
  EXPECT_EQ(base.Device->GetTransform(scene::TransformKind::Projection), before);
  EXPECT_FLOAT_EQ(base.Aspect, 1024.0f / 768.0f);
  // A non-4:3 projection uses a float aspect and leaves the stored aspect alone.
  ASSERT_TRUE(base.SetProjection(1000, 300, 45, 100, 100000));
  EXPECT_NEAR(base.Projection.m[0][0], base.Projection.m[1][1] * 0.3f, 1e-5);
  EXPECT_FLOAT_EQ(base.Aspect, 1024.0f / 768.0f);
}

TEST_F(ZXBaseTest, CameraAndAlphaBlendAreStored) {
  ASSERT_TRUE(base.SetCamera(-1000));
  const scene::Vec3 origin = base.View.TransformPoint({0, 0, 0});
  EXPECT_NEAR(origin.z, 1000, 1e-3);
  ASSERT_TRUE(base.EnableAlphaBlend());
  EXPECT_EQ(base.Device->GetRenderState(scene::RenderState::AlphaBlendEnable), 1u);
  EXPECT_EQ(base.Device->GetRenderState(scene::RenderState::SrcBlend), scene::BlendSrcAlpha);
  EXPECT_EQ(base.Device->GetRenderState(scene::RenderState::DestBlend), scene::BlendInvSrcAlpha);
}

TEST_F(ZXBaseTest, RotationBuildsThreeSeparateMatrices) {
  base.SetRotation(10, 20, 30);
  EXPECT_EQ(base.RotationX, scene::Matrix::RotationX(DegreesToRadians(10)));
  EXPECT_EQ(base.RotationY, scene::Matrix::RotationY(DegreesToRadians(20)));
  EXPECT_EQ(base.RotationZ, scene::Matrix::RotationZ(DegreesToRadians(30)));
  base.SetScaling(2);
  EXPECT_EQ(base.Scaling.m[1][1], 2.0f);
  base.SetTranslation(1, 2, 3);
  EXPECT_EQ(base.Translation.m[3][2], 3.0f);
  base.ResetRotation();
  base.ResetScaling();
  base.ResetTranslation();
  for (const auto* m : {&base.RotationX, &base.RotationY, &base.RotationZ, &base.Scaling, &base.Translation})
    EXPECT_EQ(*m, scene::Matrix::Identity());
}

TEST_F(ZXBaseTest, StartUpLightIsStoredInSlotZero) {
  ASSERT_TRUE(base.SetLight(0, LightPoint));
  ASSERT_TRUE(base.SetLightDiffuse(0, 180));
  ASSERT_TRUE(base.SetLightSpecular(0, 255));
  ASSERT_TRUE(base.SetLightPosition(0, 0, 1000, 0));
  ASSERT_TRUE(base.SetLightRange(0, 10));
  scene::Light l;
  ASSERT_TRUE(base.Device->GetLight(0, l));
  EXPECT_EQ(l.Type, scene::LightType::Point);
  EXPECT_NEAR(l.Diffuse.r, 180 / 255.0, Eps);
  EXPECT_NEAR(l.Diffuse.b, 180 / 255.0, Eps);
  EXPECT_EQ(l.Diffuse.a, 1.0f);
  EXPECT_EQ(l.Specular.g, 1.0f);
  EXPECT_EQ(l.Position.y, 1000.0f);
  EXPECT_EQ(l.Range, 10.0f);
  EXPECT_EQ(l.Falloff, 1.0f);
  EXPECT_EQ(l.Attenuation0, 1.0f);

  // Changing the diffuse keeps the rest.
  ASSERT_TRUE(base.SetLightDiffuse(0, 120));
  ASSERT_TRUE(base.Device->GetLight(0, l));
  EXPECT_NEAR(l.Diffuse.g, 120 / 255.0, Eps);
  EXPECT_EQ(l.Position.y, 1000.0f);
  EXPECT_EQ(l.Range, 10.0f);
  EXPECT_EQ(l.Type, scene::LightType::Point);

  for (int bad : {-1, 8}) {
    EXPECT_FALSE(base.SetLight(bad, LightPoint));
    EXPECT_FALSE(base.SetLightRange(bad, 3));
  }
}

TEST(LightRecordTest, RecordsAndNullRecords) {
  const scene::Light empty = ZXBase::EmptyLight();
  EXPECT_EQ(static_cast<int>(empty.Type), 0);
  EXPECT_EQ(empty.Range, 0.0f);
  EXPECT_EQ(empty.Falloff, 0.0f);
  const scene::Light spot = ZXBase::DefaultLight(LightSpot);
  EXPECT_EQ(spot.Type, scene::LightType::Spot);
  EXPECT_EQ(spot.Falloff, 1.0f);
  EXPECT_EQ(spot.Attenuation0, 1.0f);
  EXPECT_EQ(spot.Diffuse.a, 0.0f);

  ZXBase base;
  scene::Light l = ZXBase::EmptyLight();
  base.SetDiffuseOf(&l, 0x0000FF);
  EXPECT_EQ(l.Diffuse.r, 1.0f);
  EXPECT_EQ(l.Diffuse.b, 0.0f);
  EXPECT_EQ(l.Diffuse.a, 1.0f);
  base.SetDiffuseOf(nullptr, 0x0000FF);
  base.SetSpecularOf(nullptr, 0);
  base.SetPositionOf(nullptr, 1, 2, 3);
  base.SetRangeOf(nullptr, 5);
  const scene::ColorValue v = base.ToColorValue(0x336699, 51);
  EXPECT_NEAR(v.r, 0x99 / 255.0, Eps);
  EXPECT_NEAR(v.g, 0x66 / 255.0, Eps);
  EXPECT_NEAR(v.b, 0x33 / 255.0, Eps);
  EXPECT_NEAR(v.a, 0.2, Eps);
}

TEST_F(ZXBaseTest, SetFontKeepsThirtyOneCharacters) {
  const std::string exact(31, 'F');
  ASSERT_TRUE(base.SetFont(exact, 16, 8, 700));
  EXPECT_EQ(base.Font->Desc().FaceName, exact);
  EXPECT_EQ(base.Font->Desc().Weight, 700);
  EXPECT_EQ(base.Font->Desc().Quality, 2);
  EXPECT_EQ(base.Font->Desc().OutputPrecision, 4);
  ASSERT_TRUE(base.SetFont(std::string(40, 'G'), 16, 8, 0));
  EXPECT_EQ(base.Font->Desc().FaceName, std::string(31, 'G'));
  // Multi-byte characters count as one and are never cut in half.
  std::string umlauts;
  for (int i = 0; i < 40; ++i) umlauts += "\xC3\xA4";
  ASSERT_TRUE(base.SetFont(umlauts, 16, 8, 0));
  EXPECT_EQ(base.Font->Desc().FaceName.size(), 62u);
}

class LightListTest : public ZXBaseTest {};

TEST_F(LightListTest, DefaultsOfTheSceneLights) {
  ZLight* light = base.LightList->GetLight(3);
  ASSERT_NE(light, nullptr);
  EXPECT_FALSE(light->Enabled);
  scene::Light l;
  ASSERT_TRUE(base.Device->GetLight(3, l));
  EXPECT_EQ(l.Type, scene::LightType::Point);
  EXPECT_EQ(l.Diffuse.r, 1.0f);
  EXPECT_EQ(l.Diffuse.a, 0.0f);
  EXPECT_NEAR(l.Specular.g, 80 / 255.0, Eps);
  EXPECT_EQ(l.Ambient.r, 0.0f);
  EXPECT_EQ(l.Range, 5000.0f);
  EXPECT_NEAR(l.Attenuation0, 0.2, Eps);
  EXPECT_NEAR(l.Theta, M_PI / 4, 1e-6);
  EXPECT_NEAR(l.Phi, M_PI / 8, 1e-6);
  EXPECT_EQ(l.Position.z, -300.0f);
  EXPECT_EQ(l.Direction.z, 1.0f);
  EXPECT_EQ(base.LightList->GetLight(8), nullptr);
  EXPECT_EQ(base.LightList->GetLight(-1), nullptr);
}

TEST_F(LightListTest, SetTypeMapsKinds) {
  ZLight* light = base.LightList->GetLight(0);
  struct Case {
    uint8_t kind;
    scene::LightType type;
  };
  const Case cases[] = {{1, scene::LightType::Directional},
                        {2, scene::LightType::Spot},
                        {7, scene::LightType::Spot},
                        {0, scene::LightType::Point}};
  for (const auto& c : cases) {
    light->SetType(c.kind);
    scene::Light l;
    base.Device->GetLight(0, l);
    EXPECT_EQ(l.Type, c.type) << int(c.kind);
  }
}

TEST_F(LightListTest, FullListRefusesAndDeleteLeavesAnEmptyEntry) {
  auto* extra = new ZLight(base.Device, 9, true);
  EXPECT_EQ(base.LightList->AddLight(extra, "extra"), -1);
  EXPECT_EQ(base.LightList->Count(), 8);
  delete extra;

  ASSERT_TRUE(base.Device->IsLightEnabled(0));
  base.LightList->Delete(0);
  EXPECT_FALSE(base.Device->IsLightEnabled(0));
  EXPECT_EQ(base.LightList->Count(), 8);
  EXPECT_EQ(base.LightList->GetLight(0), nullptr);
  EXPECT_EQ(base.LightList->Strings(0), "");
  base.LightList->Delete(0);   // again: nothing
  base.LightList->Delete(-1);  // outside: nothing
  base.LightList->Delete(100);
  EXPECT_EQ(base.LightList->Count(), 8);
}

TEST(NullDeviceTest, ObjectsWithoutADeviceDoNotCrash) {
  ZLight light(nullptr, 0, true);
  EXPECT_EQ(light.Light.Range, 5000.0f);  // the record still gets its defaults
  ZLightList lights(nullptr, 2);
  EXPECT_EQ(lights.Count(), 2);
  ZTextureList textures(nullptr);
  ZSprite sprite(nullptr);
  EXPECT_FALSE(sprite.LoadTexture("x.tga", true, 32, 32));
  EXPECT_FALSE(sprite.Draw());
  ZMesh mesh(nullptr);
  EXPECT_FALSE(mesh.Render(nullptr));
}

class ResourceTest : public ZXBaseTest {
 protected:
  std::filesystem::path dir;
  void SetUp() override {
    ZXBaseTest::SetUp();
    dir = std::filesystem::temp_directory_path() /
          ("scene_res_" + std::to_string(::getpid()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  // A w x h 24-bit BMP: white square in the middle, black around it.
  std::vector<uint8_t> Bmp(int w, int h) {
    const int rowBytes = (w * 3 + 3) & ~3;
    const int size = 54 + rowBytes * h;
    std::vector<uint8_t> b(static_cast<size_t>(size), 0);
    auto put32 = [&](int at, uint32_t v) {
      for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, static_cast<uint32_t>(size));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(w));
    put32(22, static_cast<uint32_t>(h));
    b[26] = 1;
    b[28] = 24;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (x >= w / 4 && x < 3 * w / 4 && y >= h / 4 && y < 3 * h / 4)
          for (int c = 0; c < 3; ++c) b[54 + y * rowBytes + x * 3 + c] = 0xFF;
    return b;
  }
  std::string WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    const auto path = dir / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path.string();
  }
};

TEST_F(ResourceTest, TextureListOwnsAndFindsByName) {
  ZTextureList& list = *base.TextureList;
  const uint32_t px = 0xFFFFFFFF;
  EXPECT_EQ(list.AddTexture("a.png", scene::Texture::FromPixels(&px, 1, 1, 4)), 0);
  EXPECT_EQ(list.AddTexture("b.png", scene::Texture::FromPixels(&px, 1, 1, 4)), 1);
  EXPECT_EQ(list.IndexOfName("b.png"), 1);
  EXPECT_EQ(list.IndexOfName("c.png"), -1);
  EXPECT_NE(list.GetTexture(0), nullptr);
  EXPECT_EQ(list.GetTexture(-1), nullptr);
  EXPECT_EQ(list.GetTexture(2), nullptr);
  list.Delete(0);
  EXPECT_EQ(list.GetTexture(0), nullptr);
  EXPECT_EQ(list.Count(), 2);
  list.DeleteAll();
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(ResourceTest, SpriteLoadsCentresAndDrawsModulated) {
  const std::string file = WriteFile("cursor.bmp", Bmp(8, 8));
  ZSprite sprite(base.Device);
  ASSERT_TRUE(sprite.LoadTexture(file, true, 32, 32));
  EXPECT_EQ(sprite.Texture->Width(), 32);
  EXPECT_EQ(sprite.Centre.x, 16.0f);
  EXPECT_EQ(sprite.Centre.y, 16.0f);
  EXPECT_EQ(sprite.Centre.z, 0.0f);

  sprite.SetColor(0xFFFF00, 160);  // aqua
  EXPECT_EQ(sprite.Color, 0xA000FFFFu);
  base.SetClearColor(0x404040);
  base.Clear();
  sprite.Position = {300, 200, 0};
  ASSERT_TRUE(sprite.Draw());
  const uint32_t mid = base.Device->PixelAt(300, 200);
  EXPECT_NEAR(static_cast<int>(mid >> 16 & 0xFF), 24, 2);  // 0x40 x 95/255
  EXPECT_NEAR(static_cast<int>(mid >> 8 & 0xFF), 184, 2);  // 255 x 160/255 + 24
  EXPECT_NEAR(static_cast<int>(mid & 0xFF), 184, 2);
  EXPECT_EQ(base.Device->PixelAt(286, 186), 0xFF404040u);  // keyed black corner
  EXPECT_EQ(sprite.Transform, scene::Matrix::Identity());

  // Centre not requested keeps the centre the caller set.
  sprite.Centre = {1, 2, 0};
  ASSERT_TRUE(sprite.LoadTexture(file, false, -1, -1));
  EXPECT_EQ(sprite.Texture->Width(), 8);
  EXPECT_EQ(sprite.Centre.y, 2.0f);

  EXPECT_FALSE(sprite.LoadTexture((dir / "missing.tga").string(), true, 32, 32));
  EXPECT_EQ(sprite.Texture, nullptr);
  EXPECT_FALSE(sprite.LoadTexture("", true, 32, 32));
  EXPECT_TRUE(sprite.Draw());  // nothing to draw, as before
}

TEST_F(ResourceTest, SpriteFromStreamAndTransformed) {
  const auto bytes = Bmp(16, 4);
  TMemoryStream stream;
  stream.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
  ZSprite sprite(base.Device);
  ASSERT_TRUE(sprite.LoadTextureFromStream(&stream, false, 64, 24));
  EXPECT_EQ(sprite.Texture->Width(), 64);
  EXPECT_EQ(sprite.Texture->Height(), 24);
  EXPECT_EQ(sprite.Centre.x, 0.0f);
  EXPECT_FALSE(sprite.LoadTextureFromStream(nullptr, false, 64, 24));
  TMemoryStream junk;
  junk.Write("BMxx", 4);
  EXPECT_FALSE(sprite.LoadTextureFromStream(&junk, false, 64, 24));

  ASSERT_TRUE(sprite.LoadTextureFromStream(&stream, false, 64, 24));
  sprite.SetColor(0xFFFFFF, 255);
  base.SetClearColor(0);
  base.Clear();
  const scene::Matrix m = scene::Matrix::Scaling(2, 2, 1) * scene::Matrix::Translation(100, 100, 0);
  ASSERT_TRUE(sprite.DrawTransformed(&m));
  EXPECT_EQ(sprite.Transform, m);
  EXPECT_EQ(base.Device->PixelAt(164, 124), 0xFFFFFFFFu);  // texture middle, doubled
  EXPECT_EQ(base.Device->PixelAt(102, 102), 0xFF000000u);
  ASSERT_TRUE(sprite.DrawTransformed(nullptr));
  EXPECT_EQ(sprite.Transform, scene::Matrix::Identity());
}

const char* const MeshText = R"(xof 0303txt 0032
Mesh M {
 3; 0;0;0;, 1;0;0;, 0;1;0;;
 1; 3;0,1,2;;
 MeshMaterialList { 1; 1; 0;;
  Material { 0.5;0.25;0.0;1.0;; 5.0; 0;0;0;; 0;0;0;; TextureFilename { "shared.bmp"; } }
 }
}
)";

TEST_F(ResourceTest, MeshesShareTexturesByName) {
  WriteFile("shared.bmp", Bmp(4, 4));
  const std::string file = WriteFile("m.x", std::vector<uint8_t>(MeshText, MeshText + std::strlen(MeshText)));
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir);  // material textures are relative names
  ZTextureList textures(base.Device);
  ZMesh a(base.Device), b(base.Device);
  EXPECT_TRUE(a.Open(file, &textures));
  EXPECT_TRUE(b.Open(file, &textures));
  std::filesystem::current_path(cwd);
  EXPECT_EQ(textures.Count(), 1);
  ASSERT_EQ(a.MaterialCount, 1u);
  EXPECT_EQ(a.TextureIndices[0], 0);
  EXPECT_EQ(b.TextureIndices[0], 0);
  EXPECT_EQ(a.Materials[0].Ambient.r, 0.5f);  // ambient takes the diffuse colour
  EXPECT_EQ(a.Materials[0].Ambient.g, 0.25f);

  a.SetScale(2, 2, 2);
  a.SetPosition(10, 0, 0);
  ASSERT_TRUE(a.Render(&textures));
  EXPECT_EQ(a.World, scene::Matrix::Scaling(2, 2, 2) * scene::Matrix::Translation(10, 0, 0));
  EXPECT_EQ(base.Device->GetTransform(scene::TransformKind::World), a.World);
  EXPECT_EQ(base.Device->GetTexture(0), textures.GetTexture(0));
  EXPECT_EQ(base.Device->GetMaterial().Diffuse.g, 0.25f);
  EXPECT_EQ(a.Mesh->DrawCount(), 1);

  a.Visible = 0;
  EXPECT_TRUE(a.Render(&textures));
  EXPECT_EQ(a.Mesh->DrawCount(), 1);  // hidden: nothing drawn
}

TEST_F(ResourceTest, MeshOpenFailures) {
  ZTextureList textures(base.Device);
  ZMesh mesh(base.Device);
  const std::string file = WriteFile("m.x", std::vector<uint8_t>(MeshText, MeshText + std::strlen(MeshText)));
  EXPECT_FALSE(mesh.Open((dir / "missing.x").string(), &textures));
  EXPECT_FALSE(mesh.Open(file, nullptr));
  EXPECT_FALSE(mesh.Render(&textures));  // no mesh
  const std::string bad = WriteFile("bad.x", {'x', 'o', 'f', ' ', '0'});
  EXPECT_FALSE(mesh.Open(bad, &textures));
  EXPECT_EQ(mesh.Mesh, nullptr);
  // A texture that cannot be loaded leaves the subset untextured.
  EXPECT_TRUE(mesh.Open(file, &textures));
  EXPECT_EQ(mesh.TextureIndices[0], -1);
  EXPECT_EQ(textures.Count(), 0);
}

TEST_F(ResourceTest, MeshMatricesAndList) {
  ZMesh mesh(base.Device);
  mesh.SetRotation(0.5f, 0.25f, 0.125f);
  EXPECT_EQ(mesh.Rotation, scene::Matrix::RotationYawPitchRoll(0.5f, 0.25f, 0.125f));
  mesh.SetScale(1, 2, 3);
  mesh.Free();
  EXPECT_EQ(mesh.Scaling, scene::Matrix::Identity());
  EXPECT_EQ(mesh.Rotation, scene::Matrix::Identity());

  ZMeshList list(base.Device);
  list.AddObject("one", new ZMesh(base.Device));
  EXPECT_NE(list.GetMesh(0), nullptr);
  EXPECT_EQ(list.GetMesh(1), nullptr);
  list.Delete(0);
  EXPECT_EQ(list.GetMesh(0), nullptr);
  EXPECT_EQ(list.Count(), 1);
}

}  // namespace
