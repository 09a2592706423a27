// Writes small skin image files for the tests: uniform 24-bit BMPs and 32-bit TGAs with alpha.
#pragma once
#include <cstdint>
#include <string>

#include "tests/support/TempFolder.h"

namespace skinfiles {

inline void PutLE(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A bottom-up 24-bit BMP of one colour.
inline std::string Bmp(int width, int height, uint8_t r, uint8_t g, uint8_t b) {
  const int rowBytes = (width * 3 + 3) & ~3;
  std::string out = "BM";
  PutLE(out, 54 + rowBytes * height, 4);
  PutLE(out, 0, 4);
  PutLE(out, 54, 4);
  PutLE(out, 40, 4);
  PutLE(out, width, 4);
  PutLE(out, height, 4);
  PutLE(out, 1, 2);
  PutLE(out, 24, 2);
  PutLE(out, 0, 4);
  PutLE(out, rowBytes * height, 4);
  PutLE(out, 2835, 4);
  PutLE(out, 2835, 4);
  PutLE(out, 0, 4);
  PutLE(out, 0, 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      out.push_back(static_cast<char>(b));
      out.push_back(static_cast<char>(g));
      out.push_back(static_cast<char>(r));
    }
    out.append(rowBytes - width * 3, '\0');
  }
  return out;
}

// An uncompressed 32-bit TGA of one colour and alpha.
inline std::string Tga(int width, int height, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
  std::string out;
  out.push_back(0);
  out.push_back(0);
  out.push_back(2);
  out.append(5, '\0');
  PutLE(out, 0, 2);
  PutLE(out, 0, 2);
  PutLE(out, width, 2);
  PutLE(out, height, 2);
  out.push_back(32);
  out.push_back(0x08);
  for (int i = 0; i < width * height; ++i) {
    out.push_back(static_cast<char>(b));
    out.push_back(static_cast<char>(g));
    out.push_back(static_cast<char>(r));
    out.push_back(static_cast<char>(a));
  }
  PutLE(out, 0, 4);
  PutLE(out, 0, 4);
  out += "TRUEVISION-XFILE.";
  out.push_back(0);
  return out;
}

// A complete skin s in folder/Elements: grey main buttons 80 x 80 (active ones lighter), panels of
// distinct sizes, a frame button 140 x 40 and, when withSymbols, 13 half-transparent white symbols.
inline void WriteSkin(const TempFolder& folder, int skin, bool withSymbols) {
  const std::string s = std::to_string(skin + 100);
  for (int i = 1; i <= 9; ++i) {
    folder.Write("Elements/MainButNormal" + s + std::to_string(i + 100) + ".bmp", Bmp(80, 80, 40, 40, 40));
    folder.Write("Elements/MainButActive" + s + std::to_string(i + 100) + ".bmp", Bmp(80, 80, 60, 60, 60));
  }
  for (int i = 1; i <= 7; ++i)
    folder.Write("Elements/Panel" + s + std::to_string(i + 100) + ".bmp", Bmp(100 + i, 50 + i, 20, 30, 40));
  folder.Write("Elements/FrameBut" + s + "101.bmp", Bmp(140, 40, 100, 100, 100));
  if (withSymbols)
    for (int n = 0; n <= 12; ++n)
      folder.Write("Elements/Symbol_" + std::to_string(n) + ".tga", Tga(48, 48, 255, 255, 255, 128));
}

}  // namespace skinfiles
