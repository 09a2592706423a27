// Meshes: the text .X reader and the stored geometry.
#include "platform/scene/Scene.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

#include <fstream>

using namespace scene;

namespace {

std::string Write(const QTemporaryDir& dir, const std::string& name, const std::string& text) {
  const std::string path = dir.path().toStdString() + "/" + name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

const char* const Quad = R"(xof 0303txt 0032
template Vector {
 <3D82AB5E-62DA-11cf-AB39-0020AF71E433>
 FLOAT x; FLOAT y; FLOAT z;
}
Material Red {
 1.000000;0.000000;0.000000;1.000000;;
 20.000000;
 1.000000;1.000000;1.000000;;
 0.000000;0.000000;0.000000;;
 TextureFilename { "red.png"; }
}
Frame Root {
 Mesh Quad {
  4;
  0.0;0.0;0.0;,
  1.0;0.0;0.0;,
  1.0;1.0;0.0;,
  0.0;1.0;0.0;;
  2;
  4;0,1,2,3;,
  3;0,2,3;;
  MeshNormals { 1; 0.0;0.0;-1.0;; 1; 3;0,0,0;; }
  MeshMaterialList {
   2;
   2;
   0,
   1;;
   {Red}
   Material {
    0.0;0.5;0.0;1.0;;
    1.0;
    0.0;0.0;0.0;;
    0.0;0.0;0.0;;
   }
  }
 }
}
)";

TEST(MeshTest, ReadsVerticesFacesAndMaterials) {
  QTemporaryDir dir;
  std::string error;
  auto mesh = Mesh::LoadFromX(Write(dir, "quad.x", Quad), &error);
  ASSERT_TRUE(mesh) << error;
  ASSERT_EQ(mesh->Vertices().size(), 4u);
  EXPECT_EQ(mesh->Vertices()[2].y, 1.0f);
  EXPECT_EQ(mesh->FaceCount(), 3);  // the quad is split into two triangles
  EXPECT_EQ(mesh->Indices()[3], 0u);
  EXPECT_EQ(mesh->Indices()[5], 3u);
  ASSERT_EQ(mesh->Materials().size(), 2u);
  EXPECT_EQ(mesh->Materials()[0].Mat.Diffuse.r, 1.0f);
  EXPECT_EQ(mesh->Materials()[0].Mat.Power, 20.0f);
  EXPECT_EQ(mesh->Materials()[0].TextureFilename, "red.png");
  EXPECT_EQ(mesh->Materials()[1].Mat.Diffuse.g, 0.5f);
  EXPECT_EQ(mesh->Materials()[1].TextureFilename, "");
  EXPECT_EQ(mesh->SubsetCount(), 2);
  EXPECT_TRUE(mesh->DrawSubset(1));
  EXPECT_FALSE(mesh->DrawSubset(2));
  EXPECT_FALSE(mesh->DrawSubset(-1));
  EXPECT_EQ(mesh->DrawCount(), 1);
}

TEST(MeshTest, BadFilesGiveNullAndAReason) {
  QTemporaryDir dir;
  const std::pair<const char*, std::string> cases[] = {
      {"binary.x", "xof 0303bin 0032\x01\x02"},
      {"empty.x", ""},
      {"nomesh.x", "xof 0303txt 0032\nFrame A { }\n"},
      {"truncated.x", "xof 0303txt 0032\nMesh M { 4; 0.0;0.0;0.0;, 1.0;"},
      {"badindex.x", "xof 0303txt 0032\nMesh M { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,7;; }"},
      {"hugecount.x", "xof 0303txt 0032\nMesh M { 4000000000; }"},
      {"badnumber.x", "xof 0303txt 0032\nMesh M { 1; a;b;c;; 0; }"},
      {"unknownmat.x",
       "xof 0303txt 0032\nMesh M { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; "
       "MeshMaterialList { 1; 1; 0;; {Nope} } }"},
  };
  for (const auto& [name, text] : cases) {
    std::string error;
    EXPECT_FALSE(Mesh::LoadFromX(Write(dir, name, text), &error)) << name;
    EXPECT_FALSE(error.empty()) << name;
  }
  std::string error;
  EXPECT_FALSE(Mesh::LoadFromX(dir.path().toStdString() + "/missing.x", &error));
  EXPECT_FALSE(error.empty());
}

TEST(MeshTest, MeshMadeInMemoryKeepsItsData) {
  Mesh mesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2}, {}, {});
  EXPECT_EQ(mesh.FaceCount(), 1);
  EXPECT_EQ(mesh.SubsetCount(), 1);  // faces without materials form subset 0
  EXPECT_TRUE(mesh.DrawSubset(0));
}

}  // namespace
