// Mesh objects and a reader for text .X files (vertices, faces, materials).
#include "platform/scene/Scene.h"
#include "platform/rtl/FileText.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <sstream>

namespace scene {

Mesh::Mesh(std::vector<Vec3> vertices, std::vector<uint32_t> indices, std::vector<uint32_t> faceSubsets,
           std::vector<MeshMaterial> materials)
    : vertices_(std::move(vertices)),
      indices_(std::move(indices)),
      faceSubsets_(std::move(faceSubsets)),
      materials_(std::move(materials)) {
  faceSubsets_.resize(indices_.size() / 3, 0);
}

int Mesh::SubsetCount() const {
  uint32_t count = static_cast<uint32_t>(materials_.size());
  for (uint32_t s : faceSubsets_) count = std::max(count, s + 1);
  return static_cast<int>(count);
}

bool Mesh::DrawSubset(int subset) {
  if (subset < 0 || subset >= SubsetCount()) return false;
  ++drawCount_;
  return true;
}

namespace {

// Tokens of a text .X file: words, numbers, strings and braces; ';' and ',' separate.
class XTokens {
 public:
  explicit XTokens(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) {
      const char c = text[i];
      if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
        i = SkipLine(text, i);
      } else if (c == '#') {
        i = SkipLine(text, i);
      } else if (c == '{' || c == '}') {
        tokens_.emplace_back(1, c);
        ++i;
      } else if (c == '"') {
        const size_t end = text.find('"', i + 1);
        if (end == std::string::npos) break;
        tokens_.push_back(text.substr(i, end - i + 1));
        i = end + 1;
      } else if (std::isspace(static_cast<unsigned char>(c)) || c == ';' || c == ',') {
        ++i;
      } else {
        size_t j = i;
        while (j < text.size() && !std::isspace(static_cast<unsigned char>(text[j])) &&
               std::string(";,{}\"").find(text[j]) == std::string::npos)
          ++j;
        tokens_.push_back(text.substr(i, j - i));
        i = j;
      }
    }
  }

  bool AtEnd() const { return pos_ >= tokens_.size(); }
  const std::string& Peek() const { return AtEnd() ? empty_ : tokens_[pos_]; }
  std::string Next() { return AtEnd() ? std::string() : tokens_[pos_++]; }
  bool Accept(const std::string& t) {
    if (Peek() != t) return false;
    ++pos_;
    return true;
  }

  bool Number(double& v) {
    const std::string t = Next();
    if (t.empty()) return false;
    char* end = nullptr;
    v = std::strtod(t.c_str(), &end);
    return end && *end == '\0';
  }

  bool Count(uint32_t& n, uint32_t limit) {
    double v = 0;
    if (!Number(v) || v < 0 || v > limit || v != static_cast<uint32_t>(v)) return false;
    n = static_cast<uint32_t>(v);
    return true;
  }

  // Skips up to and including the brace that closes the block just entered.
  void SkipBlock() {
    for (int depth = 1; depth > 0 && !AtEnd();) {
      const std::string t = Next();
      if (t == "{") ++depth;
      if (t == "}") --depth;
    }
  }

 private:
  static size_t SkipLine(const std::string& text, size_t i) {
    const size_t end = text.find('\n', i);
    return end == std::string::npos ? text.size() : end + 1;
  }
  std::vector<std::string> tokens_;
  size_t pos_ = 0;
  std::string empty_;
};

constexpr uint32_t MaxItems = 1u << 22;

bool ReadColor(XTokens& t, ColorValue& c, bool withAlpha) {
  double r, g, b, a = 1.0;
  if (!t.Number(r) || !t.Number(g) || !t.Number(b)) return false;
  if (withAlpha && !t.Number(a)) return false;
  c = {static_cast<float>(r), static_cast<float>(g), static_cast<float>(b), static_cast<float>(a)};
  return true;
}

// Body of a Material block, after its '{'.
bool ReadMaterial(XTokens& t, MeshMaterial& m) {
  double power = 0;
  if (!ReadColor(t, m.Mat.Diffuse, true) || !t.Number(power) || !ReadColor(t, m.Mat.Specular, false) ||
      !ReadColor(t, m.Mat.Emissive, false))
    return false;
  m.Mat.Power = static_cast<float>(power);
  while (!t.AtEnd() && !t.Accept("}")) {
    const std::string word = t.Next();
    if (word == "TextureFilename" || word == "TextureFileName") {
      if (!t.Accept("{")) return false;
      const std::string name = t.Next();
      if (name.size() >= 2 && name.front() == '"') m.TextureFilename = name.substr(1, name.size() - 2);
      t.SkipBlock();
    } else if (word == "{") {
      t.SkipBlock();
    }
  }
  return true;
}

// Skips an optional block name, then expects '{'.
bool OpenBlock(XTokens& t) {
  if (t.Peek() != "{") t.Next();
  return t.Accept("{");
}

struct XMesh {
  std::vector<Vec3> vertices;
  std::vector<uint32_t> indices;
  std::vector<uint32_t> faceSubsets;
  std::vector<MeshMaterial> materials;
};

bool ReadMaterialList(XTokens& t, size_t faceCount, XMesh& mesh,
                      const std::map<std::string, MeshMaterial>& named,
                      const std::vector<uint32_t>& polygonOfFace) {
  uint32_t nMaterials = 0, nIndices = 0;
  if (!t.Count(nMaterials, MaxItems) || !t.Count(nIndices, MaxItems)) return false;
  std::vector<uint32_t> perPolygon(nIndices);
  for (auto& v : perPolygon)
    if (!t.Count(v, nMaterials ? nMaterials - 1 : 0)) return false;
  while (!t.AtEnd() && !t.Accept("}")) {
    const std::string word = t.Next();
    MeshMaterial m;
    if (word == "Material") {
      if (!OpenBlock(t) || !ReadMaterial(t, m)) return false;
      mesh.materials.push_back(m);
    } else if (word == "{") {  // reference to a named material
      const auto it = named.find(t.Next());
      if (it == named.end()) return false;
      mesh.materials.push_back(it->second);
      t.SkipBlock();
    }
  }
  mesh.faceSubsets.assign(faceCount, 0);
  for (size_t f = 0; f < faceCount; ++f) {
    const uint32_t poly = polygonOfFace[f];
    if (!perPolygon.empty()) mesh.faceSubsets[f] = perPolygon[std::min<size_t>(poly, perPolygon.size() - 1)];
  }
  return true;
}

// Body of a Mesh block, after its '{'.
bool ReadMesh(XTokens& t, XMesh& mesh, const std::map<std::string, MeshMaterial>& named) {
  uint32_t nVertices = 0, nFaces = 0;
  if (!t.Count(nVertices, MaxItems)) return false;
  mesh.vertices.resize(nVertices);
  for (auto& v : mesh.vertices) {
    double x, y, z;
    if (!t.Number(x) || !t.Number(y) || !t.Number(z)) return false;
    v = {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
  }
  if (!t.Count(nFaces, MaxItems)) return false;
  std::vector<uint32_t> polygonOfFace;
  for (uint32_t f = 0; f < nFaces; ++f) {
    uint32_t k = 0;
    if (!t.Count(k, 64) || k < 3) return false;
    std::vector<uint32_t> poly(k);
    for (auto& i : poly)
      if (!t.Count(i, nVertices ? nVertices - 1 : 0) || nVertices == 0) return false;
    for (uint32_t j = 1; j + 1 < k; ++j) {  // fan into triangles
      mesh.indices.insert(mesh.indices.end(), {poly[0], poly[j], poly[j + 1]});
      polygonOfFace.push_back(f);
    }
  }
  while (!t.AtEnd() && !t.Accept("}")) {
    const std::string word = t.Next();
    if (word == "MeshMaterialList") {
      if (!OpenBlock(t) || !ReadMaterialList(t, polygonOfFace.size(), mesh, named, polygonOfFace))
        return false;
    } else if (word == "{") {
      t.SkipBlock();
    }
  }
  return true;
}

}  // namespace

std::unique_ptr<Mesh> Mesh::LoadFromX(const std::string& path, std::string* error) {
  auto fail = [error](const std::string& text) -> std::unique_ptr<Mesh> {
    if (error) *error = text;
    return nullptr;
  };
  std::string native = path;
  std::replace(native.begin(), native.end(), '\\', '/');
  std::string text;
  if (!rtl_detail::ReadWholeFile(native, text)) return fail("cannot open " + path);
  if (text.compare(0, 4, "xof ") != 0 || text.size() < 16 || text.compare(8, 3, "txt") != 0)
    return fail("not a text .X file: " + path);

  XTokens t(text.substr(16));
  std::map<std::string, MeshMaterial> named;
  while (!t.AtEnd()) {
    const std::string word = t.Next();
    if (word == "template") {
      t.Next();
      if (t.Accept("{")) t.SkipBlock();
    } else if (word == "Material") {
      const std::string name = t.Peek() == "{" ? std::string() : t.Next();
      MeshMaterial m;
      if (!t.Accept("{") || !ReadMaterial(t, m)) return fail("bad material in " + path);
      if (!name.empty()) named[name] = m;
    } else if (word == "Mesh") {
      XMesh mesh;
      if (!OpenBlock(t) || !ReadMesh(t, mesh, named)) return fail("bad mesh in " + path);
      return std::make_unique<Mesh>(std::move(mesh.vertices), std::move(mesh.indices),
                                    std::move(mesh.faceSubsets), std::move(mesh.materials));
    }
  }
  return fail("no mesh in " + path);
}

}  // namespace scene
