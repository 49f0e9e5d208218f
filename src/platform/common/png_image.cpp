#include "platform/common/png_image.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <iterator>

namespace platform {

namespace {

struct Reader {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t offset;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
  auto* reader = static_cast<Reader*>(png_get_io_ptr(png));
  if (reader->size - reader->offset < length) png_error(png, "truncated PNG");
  std::memcpy(out, reader->data + reader->offset, length);
  reader->offset += length;
}

// libpng reports errors by longjmp; everything that needs freeing lives outside
// the jump so nothing leaks on a broken file.
bool Decode(Reader& reader, RgbaImage& image) {
  if (reader.size < 8 || png_sig_cmp(reader.data, 0, 8) != 0) return false;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  std::vector<png_bytep> rows;
  RgbaImage decoded;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, &reader, ReadFromMemory);
  png_read_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  if (width == 0 || height == 0 || width > 16384 || height > 16384) png_error(png, "size");

  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != width * 4) png_error(png, "layout");

  decoded.width = static_cast<int>(width);
  decoded.height = static_cast<int>(height);
  decoded.pixels.resize(static_cast<std::size_t>(width) * height * 4);
  rows.resize(height);
  for (png_uint_32 y = 0; y < height; ++y)
    rows[y] = decoded.pixels.data() + std::size_t{y} * width * 4;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  image = std::move(decoded);
  return true;
}

}  // namespace

bool DecodePngBytes(const std::uint8_t* data, std::size_t size, RgbaImage& image) {
  image = RgbaImage{};
  Reader reader{data, size, 0};
  return Decode(reader, image);
}

// Read with stdio: the streams library would add most of a megabyte of
// locale code to the Windows executable for this one read.
bool DecodePngFile(const std::string& path, RgbaImage& image) {
  image = RgbaImage{};
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[16384];
  std::size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
    bytes.insert(bytes.end(), chunk, chunk + got);
  const bool complete = !std::ferror(file);
  std::fclose(file);
  return complete && DecodePngBytes(bytes.data(), bytes.size(), image);
}

}  // namespace platform
