// The world generator: builds the default height map, ground texture, tree
// billboards, crosshair, sky, bitmap font and held lantern model from fixed seeds,
// and encodes them in the file formats the program reads. Every generator returns
// the finished file's bytes; writing them to disk is main.cpp's job.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace worldgen {

using Bytes = std::vector<uint8_t>;

// [SECTION] Images in memory

// 24-bit colour picture, rows stored top row first (as it is looked at).
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // width * height * 3, red first

  RgbImage() = default;
  RgbImage(int w, int h) : width(w), height(h), rgb(static_cast<size_t>(w) * h * 3, 0) {}
  uint8_t* At(int x, int y) { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
  const uint8_t* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
  void Set(int x, int y, uint8_t r, uint8_t g, uint8_t b) {
    uint8_t* p = At(x, y);
    p[0] = r;
    p[1] = g;
    p[2] = b;
  }
};

// 8-bit grey picture, rows top row first.
struct GreyImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> grey;

  GreyImage() = default;
  GreyImage(int w, int h) : width(w), height(h), grey(static_cast<size_t>(w) * h, 0) {}
  uint8_t& At(int x, int y) { return grey[static_cast<size_t>(y) * width + x]; }
  uint8_t At(int x, int y) const { return grey[static_cast<size_t>(y) * width + x]; }
};

// [SECTION] File encoders

// Bottom-up 24-bit BMP with the plain 54-byte header (BITMAPINFOHEADER), rows padded
// to whole 4-byte words.
Bytes EncodeBmp24(const RgbImage& image);
// Bottom-up 8-bit BMP with a 256-entry grey palette (entry k = grey k, so a reader
// that looks up the palette gets blue = the stored level).
Bytes EncodeBmpGrey8(const GreyImage& image);
// Uncompressed grey Targa (image type 3, 8 bits), stored bottom row first with
// descriptor 0, no image ID and no colour map.
Bytes EncodeTgaGrey8(const GreyImage& image);

// [SECTION] Generated pictures (fixed seeds: the same output on every run)

GreyImage MakeHeightmap();  // 257 x 257 rolling hills, valleys and flat meadows
RgbImage MakeGroundTexture();  // 256 x 256 grass and earth, tiling on both axes
RgbImage MakeSky();  // 512 x 256 blue gradient with soft clouds, tiling on both axes
RgbImage MakeCrosshair();  // 64 x 64, black (transparent) around a light cross
// The five tree kinds, 128 x 256 each, black where transparent. The billboard
// shows the picture on a square, so the shapes are drawn squeezed to half width.
enum class TreeKind { Conifer, Broadleaf, Birch, Bush, DeadTree };
RgbImage MakeTree(TreeKind kind);
constexpr int kTreeKindCount = 5;

// 256 x 256 atlas of 16 x 16 cells; character code c sits in cell column c % 16 and
// row c / 16 counted from the top of the picture. Glyph coverage is the grey level.
// nullopt (and one stderr line) when the font file cannot be read.
std::optional<GreyImage> MakeFontAtlas(const std::string& fontFile);

// [SECTION] The held lantern

struct LanternFiles {
  Bytes model;  // MD2
  RgbImage skin;
};
// The lantern in eye-space units: drawn with the identity model-view matrix under a
// 90-degree perspective it hangs in the lower right of the view.
LanternFiles MakeLantern();

// Default font used for the atlas.
constexpr const char* kDefaultFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";

// Writes every asset under outDir (creating the folders). Returns false after one
// stderr line naming the file that could not be written or read.
bool WriteWorld(const std::string& outDir, const std::string& fontFile);

}  // namespace worldgen
