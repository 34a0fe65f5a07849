// The bitmap font atlas: 256 character cells of 16 x 16 pixels, rendered with
// FreeType from a monospaced TrueType font. Code c sits in column c % 16 and row
// c / 16 of the picture counted from the top; codes 32..126 and 160..255 (Latin-1)
// get glyphs, control codes stay empty. Grey level = glyph coverage.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdio>

#include "worldgen.h"

namespace worldgen {

namespace {

constexpr int kCell = 16;
constexpr int kGrid = 16;
// The printer draws every cell as a 12-pixel square and advances by its full width,
// while a monospaced glyph is only about 0.6 em wide: widening the rendering fills
// more of the cell, so the printed text is not spaced out. Capitals and digits fill
// most of the cell's height so that the shrunken text stays readable; the lowest rows
// of descenders are cut off.
constexpr int kPixelWidth = 22;
constexpr int kPixelHeight = 17;
constexpr int kBaseline = 14;  // rows from the cell top

bool HasGlyph(int code) { return (code >= 32 && code <= 126) || code >= 160; }

}  // namespace

std::optional<GreyImage> MakeFontAtlas(const std::string& fontFile) {
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) {
    std::fprintf(stderr, "Error: worldgen: FreeType could not be initialised\n");
    return std::nullopt;
  }
  FT_Face face = nullptr;
  if (FT_New_Face(library, fontFile.c_str(), 0, &face) != 0) {
    std::fprintf(stderr, "Error: worldgen: [%s] cannot be read as a font\n", fontFile.c_str());
    FT_Done_FreeType(library);
    return std::nullopt;
  }
  if (FT_Set_Pixel_Sizes(face, kPixelWidth, kPixelHeight) != 0) {
    std::fprintf(stderr, "Error: worldgen: [%s] cannot be scaled to %d x %d pixels\n", fontFile.c_str(),
                 kPixelWidth, kPixelHeight);
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return std::nullopt;
  }

  const int baseline = kBaseline;

  GreyImage atlas(kCell * kGrid, kCell * kGrid);
  for (int code = 0; code < kGrid * kGrid; ++code) {
    if (!HasGlyph(code)) continue;
    if (FT_Load_Char(face, static_cast<FT_ULong>(code), FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT) != 0) continue;
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) continue;
    const int advance = static_cast<int>(slot->advance.x >> 6);
    const int cellLeft = (code % kGrid) * kCell;
    const int cellTop = (code / kGrid) * kCell;
    const int originX = (kCell - advance) / 2 + slot->bitmap_left;
    const int originY = baseline - slot->bitmap_top;
    for (unsigned row = 0; row < bitmap.rows; ++row) {
      for (unsigned col = 0; col < bitmap.width; ++col) {
        const int x = originX + static_cast<int>(col);
        const int y = originY + static_cast<int>(row);
        if (x < 0 || x >= kCell || y < 0 || y >= kCell) continue;  // never bleed into a neighbour
        const uint8_t coverage = bitmap.buffer[static_cast<long>(row) * bitmap.pitch + col];
        uint8_t& pixel = atlas.At(cellLeft + x, cellTop + y);
        pixel = std::max(pixel, coverage);
      }
    }
  }
  FT_Done_Face(face);
  FT_Done_FreeType(library);
  return atlas;
}

}  // namespace worldgen
