// Decodes a PNG file into 8-bit RGBA pixels with libpng.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct RgbaImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // rows top to bottom, 4 bytes a pixel: R G B A
};

// Any colour type and depth is accepted; 16-bit channels are reduced to 8.
// Gives false, and leaves image empty, for a missing or broken file.
bool DecodePngFile(const std::string& path, RgbaImage& image);
bool DecodePngBytes(const std::uint8_t* data, std::size_t size, RgbaImage& image);

}  // namespace platform
