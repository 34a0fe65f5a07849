// BMP decoding for every image the program reads from a bitmap file (textures and
// the height map). Works on bytes in memory; reading the file is the caller's step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A decoded picture in 8-bit RGB, three bytes per pixel (red, green, blue), rows
// top-down: row 0 is the top row of the picture as a viewer sees it. Palette images
// are resolved to their palette colours.
struct RgbImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> pixels;  // width * height * 3 bytes

  const uint8_t* Pixel(int32_t column, int32_t row) const {
    return &pixels[(static_cast<size_t>(row) * static_cast<size_t>(width) + static_cast<size_t>(column)) * 3];
  }
};

// Largest picture the program accepts from a file (width x height), so that no
// header can make it allocate without bound.
constexpr int64_t kMaxImagePixels = int64_t{16384} * 16384;

// Decodes any BMP that the decoder understands (1/4/8-bit palette, RLE8 and RLE4,
// 16/24/32-bit with the default channels or bit-field masks of any position and
// width, top-down, larger headers). On failure returns nothing and sets `error` to a
// short reason ("not a BMP file", "truncated pixel data", ...).
std::optional<RgbImage> DecodeBmp(const uint8_t* data, size_t size, std::string* error);
// The same with a smaller size limit (width x height at most `maxPixels`, itself
// at most kMaxImagePixels), for callers that need less, such as the fuzz target.
std::optional<RgbImage> DecodeBmp(const uint8_t* data, size_t size, std::string* error, int64_t maxPixels);

// Largest file the loaders read into memory: the biggest picture at 32 bits per
// pixel plus room for headers and palette.
constexpr uint64_t kMaxBmpFileBytes = static_cast<uint64_t>(kMaxImagePixels) * 4 + (uint64_t{1} << 20);

// Reads a whole image file of at most `maxBytes` into `bytes`. False when it cannot be
// opened ("cannot open file"), read ("cannot read file", or kFolderNotFile for a
// folder) or is larger ("file too large"); `error` then says which.
bool ReadImageFile(const char* file, uint64_t maxBytes, std::vector<uint8_t>* bytes, std::string* error);

// Reads a whole BMP file (at most kMaxBmpFileBytes) into `bytes`. False when it cannot
// be opened ("cannot open file"), read ("cannot read file") or is larger ("file too
// large"); `error` then says which.
bool ReadBmpFile(const char* file, std::vector<uint8_t>* bytes, std::string* error);

// Reads the whole file and decodes it. `error` names what went wrong (cannot open,
// or the decoder's reason).
std::optional<RgbImage> LoadBmpFile(const char* file, std::string* error);
