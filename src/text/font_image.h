// The bitmap font's image and glyph grid: the uncompressed Targa reader (bytes in,
// pixels out, with the loader's status codes) and the table of glyph cells. No
// OpenGL here; text_printer.cpp uploads the image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Status codes of the font loader.
constexpr int kFontLoaded = 1;
constexpr int kFontCannotOpen = -13;
constexpr int kFontBadType = -14;     // colour map present, or image type not 2 or 3
constexpr int kFontBadSize = -15;     // width or height not a power of two in 2..512
constexpr int kFontBadDepth = -16;    // bits per pixel not 8, 24 or 32
constexpr int kFontNoPixels = -17;    // file ends before all pixels (or its header) are read
constexpr int kFontIsFolder = -18;    // the name is a folder's

constexpr size_t kTgaHeaderBytes = 18;
constexpr int kFontMaxSide = 512;

enum class FontPixelFormat { Alpha, Rgba };

struct FontImage {
  int32_t width = 0;
  int32_t height = 0;
  FontPixelFormat format = FontPixelFormat::Alpha;
  // Rows bottom-up (the bottom row becomes texture row 0); RGBA byte order.
  std::vector<uint8_t> pixels;
};

// Decodes an uncompressed Targa image: type 2 or 3, no colour map, sides a power of
// two from 2 to 512, 8 (alpha), 24 (BGR to RGBA, black transparent) or 32 (BGRA to
// RGBA) bits. Pixels start after the image-ID field; rows stored top-down or right to
// left (descriptor bits 5 and 4) are put in the usual bottom-up, left-to-right order.
// Returns kFontLoaded or a negative status; `image` is only filled on success.
int DecodeFontImage(const uint8_t* data, size_t size, FontImage* image);
// Opens the file for reading only (an installed, read-only font loads) and decodes it.
int ReadFontFile(const char* path, FontImage* image);
// A short reason for a status, for the error line.
const char* FontStatusText(int status);

struct GlyphCoord {
  float u = 0.0f;  // lower-left corner of the glyph's cell, texture units
  float v = 0.0f;
};

// The 16 x 16 glyph grid: cell size and, per character code, its cell's lower-left
// corner. Character 0 is the top-left cell, 15 the top-right, 255 the bottom-right.
struct FontGrid {
  int32_t rows = 0;
  int32_t columns = 0;
  float cellWidth = 0.0f;   // texture units
  float cellHeight = 0.0f;  // texture units
  GlyphCoord glyphs[256] = {};
};

// Sets the grid to 16 rows by 16 columns and fills the glyph table.
void BuildFontGrid(FontGrid* grid);
