// JPEG through libjpeg. Every libjpeg error and every warning (for example a file that ends early, which
// libjpeg would otherwise pad with grey) makes the whole decode fail.
#include "platform/imaging/Codecs.h"
#include "platform/imaging/PixelAccess.h"

#include <jpeglib.h>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

namespace imaging::detail {
namespace {

struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
  int warnings;
};

void OnError(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1); }

void OnMessage(j_common_ptr info, int level) {
  if (level < 0) ++reinterpret_cast<ErrorManager*>(info->err)->warnings;
}

void InitErrors(ErrorManager& errors) {
  jpeg_std_error(&errors.base);
  errors.base.error_exit = OnError;
  errors.base.emit_message = OnMessage;
  errors.warnings = 0;
}

// Reads the header into info and isCmyk and, with out, decodes into it; false on a libjpeg error. Kept free
// of C++ objects with destructors, because libjpeg errors leave it with longjmp.
bool ReadHeader(const uint8_t* data, size_t size, FileInfo* info, Image* out, bool* isCmyk = nullptr) {
  ErrorManager errors;
  jpeg_decompress_struct cinfo;
  InitErrors(errors);
  cinfo.err = &errors.base;
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  if (cinfo.image_width == 0 || cinfo.image_height == 0 ||
      int64_t(cinfo.image_width) * cinfo.image_height > MaxPixels) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  const bool grey = cinfo.num_components == 1;
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  if (isCmyk) *isCmyk = cmyk;
  if (info) {
    info->type = FileType::JPEG;
    info->width = int(cinfo.image_width);
    info->height = int(cinfo.image_height);
    info->bitsPerChannel = 8;
    info->bitsPerPixel = 8 * cinfo.num_components;
    info->model = grey ? ColourModel::Grey : ColourModel::RGB;
    if (cinfo.saw_JFIF_marker && cinfo.X_density > 0 && cinfo.Y_density > 0) {
      double unit = cinfo.density_unit == 1 ? 1.0 : cinfo.density_unit == 2 ? 2.54 : 0.0;
      info->dpiX = cinfo.X_density * unit;
      info->dpiY = cinfo.Y_density * unit;
    }
  }
  if (!out) {
    jpeg_destroy_decompress(&cinfo);
    return true;
  }
  cinfo.out_color_space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_start_decompress(&cinfo);
  const int components = cinfo.output_components;
  // out was sized by the caller from the header; a mismatch here means a corrupt file.
  if (int(cinfo.output_width) != out->width || int(cinfo.output_height) != out->height ||
      components != (grey   ? 1
                     : cmyk ? 4
                            : 3)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = out->pixels.data() + size_t(cinfo.output_scanline) * out->stride;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return errors.warnings == 0;
}

}  // namespace

bool ReadJpegInfo(const uint8_t* data, size_t size, FileInfo& info) {
  return data && size > 0 && ReadHeader(data, size, &info, nullptr);
}

Image DecodeJpeg(const uint8_t* data, size_t size) {
  FileInfo info;
  bool cmyk = false;
  if (!data || size == 0 || !ReadHeader(data, size, &info, nullptr, &cmyk)) return {};
  // CMYK rows are decoded 4 bytes per pixel into an RGBA-sized buffer, then turned into RGB.
  Image image = MakeImage(info.width, info.height, info.model == ColourModel::Grey ? 1 : cmyk ? 4 : 3, false);
  if (image.Empty() || !ReadHeader(data, size, nullptr, &image)) return {};
  if (!cmyk) return image;
  Image rgb = MakeImage(info.width, info.height, 3, false);
  if (rgb.Empty()) return {};
  for (size_t i = 0, n = size_t(info.width) * info.height; i < n; ++i) {
    // Inverted CMYK as the usual writers store it.
    const uint8_t* p = &image.pixels[i * 4];
    for (int c = 0; c < 3; ++c) rgb.pixels[i * 3 + c] = uint8_t(p[c] * p[3] / 255);
  }
  return rgb;
}

namespace {

bool Compress(const ImageRef& image, int quality, unsigned char** buffer, unsigned long* size,
              std::vector<uint8_t>* rowScratch) {
  ErrorManager errors;
  jpeg_compress_struct cinfo;
  InitErrors(errors);
  cinfo.err = &errors.base;
  if (setjmp(errors.jump)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, buffer, size);
  const bool grey = image.depth <= 1;
  cinfo.image_width = JDIMENSION(image.width);
  cinfo.image_height = JDIMENSION(image.height);
  cinfo.input_components = grey ? 1 : 3;
  cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  const ImageRef row{rowScratch->data(), image.width, 1, int(rowScratch->size()), grey ? 1 : 3, false};
  while (cinfo.next_scanline < cinfo.image_height) {
    const ImageRef source{
        RowOf(image, int(cinfo.next_scanline)), image.width, 1, image.stride, image.depth, image.wide};
    Convert(source, row);
    JSAMPROW rows[1] = {rowScratch->data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

}  // namespace

std::vector<uint8_t> EncodeJpeg(const ImageRef& image, int quality) {
  if (!IsValid(image) || quality < 1 || quality > 100) return {};
  std::vector<uint8_t> scratch(size_t(RowBytes(image.width, image.depth <= 1 ? 1 : 3, false)));
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  std::vector<uint8_t> result;
  if (Compress(image, quality, &buffer, &size, &scratch) && buffer) result.assign(buffer, buffer + size);
  std::free(buffer);
  return result;
}

}  // namespace imaging::detail
