// The BMP decoder: every layout it accepts decodes to the right colours with rows
// top-down, every broken header or pixel stream is refused with a reason; the sizes and
// averaging of the pictures the texture loaders upload. The file loader's reasons (no
// file, a folder) show in the start-up rows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/bmp_writer.h"
#include "textures/bmp_decode.h"
#include "textures/texture_pixels.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Patched(Bytes b, size_t at, uint32_t v, int bytes = 4) {
  for (int i = 0; i < bytes; ++i) b.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
  return b;
}

// A file with an info header of `header` bytes followed by `table` (palette entries as
// 0xRRGGBB, or the three colour masks) and the stored pixel bytes.
Bytes RawBmp(int32_t width, int32_t height, uint16_t bits, uint32_t compression, const std::vector<uint32_t>& table,
             const Bytes& pixels, uint32_t coloursUsed = 0, uint32_t header = 40) {
  Bytes b(14 + header + table.size() * 4, 0);
  for (auto [at, v] : {std::pair<size_t, uint32_t>{0, 0x4D42}, {10, uint32_t(b.size())}, {14, header}, {18, width},
                       {22, height}, {26, 1}, {28, bits}, {30, compression}, {46, coloursUsed}})
    b = Patched(b, at, v);
  for (size_t i = 0; i < table.size(); ++i) b = Patched(b, 14 + header + i * 4, table[i]);
  b.insert(b.end(), pixels.begin(), pixels.end());
  return b;
}

// The decoded picture as 0xRRGGBB values, rows top-down; nothing, with the reason in
// `error`, when the file is refused.
std::vector<uint32_t> Decoded(const Bytes& file, std::string* error) {
  std::vector<uint32_t> out;
  const auto image = DecodeBmp(file.data(), file.size(), error);
  for (size_t i = 0; image && i < image->pixels.size(); i += 3)
    out.push_back(uint32_t(image->pixels[i]) << 16 | image->pixels[i + 1] << 8 | image->pixels[i + 2]);
  return out;
}

Rgb Pattern(int x, int y) { return Rgb{uint8_t(x * 7 + 1), uint8_t(y * 13 + 2), uint8_t(x + y * 3)}; }

const std::vector<uint32_t> kTwo = {0x000000, 0xFFFFFF};
constexpr uint32_t W = 0xFFFFFF, R = 0xFF0000, G = 0x00FF00, B = 0x0000FF;
const char *kBeyond = "palette index beyond the palette", *kLeaves = "RLE run leaves the image",
           *kDelta = "RLE delta leaves the image", *kCut = "truncated RLE data";

// A 3 x 2 RLE8 picture in black and white.
Bytes Rle(const Bytes& stream) { return RawBmp(3, 2, 8, 1, kTwo, stream, 2); }

}  // namespace

TEST(BmpDecodeTest, EveryLayoutDecodesAndEveryBrokenFileHasItsReason) {
  // 1-bit palette, 1 x 1, with the short header's 3-byte palette entries.
  const Bytes core = {'B', 'M', 36, 0, 0, 0, 0, 0, 0, 0, 32, 0, 0, 0, 12, 0, 0, 0, 1, 0, 1, 0, 1, 0, 1, 0,
                      9, 9, 9, 3, 2, 1, 0x80, 0, 0, 0};
  const auto good = MakeSolidBmp(5, 4, Rgb{1, 2, 3});  // rows of 15 bytes padded to 16
  const std::vector<uint32_t> pal3(3, 0), pal16(16, 0);
  // Pattern() as decoded (rows of 3 pixels padded to 12 bytes); a grey palette that is
  // also the picture its indices 0..5 give, rows padded to 4 bytes.
  const std::vector<uint32_t> colours = {0x010200, 0x080201, 0x0F0202, 0x010F03, 0x080F04, 0x0F0F05},
                              greys = {0, 0x010101, 0x020202, 0x030303, 0x040404, 0x050505};
  const struct { Bytes file; std::vector<uint32_t> picture; const char* reason; } cases[] = {
      {MakeBmp(3, 2, Pattern, {124, true}), colours, ""}, {MakeBmp(3, 2, Pattern, {108}), colours, ""},
      {RawBmp(3, -2, 8, 0, greys, {0, 1, 2, 0, 3, 4, 5, 0}, 6, 56), greys, ""},
      {RawBmp(3, 2, 1, 0, {R, G}, {0xA0, 0, 0, 0, 0x40, 0, 0, 0}), {R, G, R, G, R, G}, ""},  // rows bottom-up
      {RawBmp(3, 1, 4, 0, {0, 0x123456}, {0x10, 0x09, 0, 0}, 2), {0x123456, 0, 0}, ""},  // padding holds anything
      {core, {0x010203}, ""},
      {RawBmp(2, 1, 16, 0, {}, {0x00, 0x7C, 0x1F, 0x80}), {R, B}, ""},  // 5-5-5
      {RawBmp(1, 1, 32, 0, {}, {0x30, 0x20, 0x10, 0x00}), {0x102030}, ""},
      {RawBmp(2, 1, 16, 3, {0xF800, 0x07E0, 0x001F}, {0x01, 0xF8, 0xE0, 0x87}), {0xFF0008, 0x83FF00}, ""},  // 5-6-5
      {RawBmp(1, 1, 16, 3, {0xF00, 0xF0, 0xF}, {0x81, 0x0F, 0, 0}), {0xFF8811}, ""},
      {RawBmp(1, 1, 32, 3, {0xFF000000, 0xFF0, 0xFF0000}, {0x78, 0x56, 0x34, 0x12}), {0x126734}, ""},
      {RawBmp(1, 1, 32, 6, {0xFF000000, 0xFF0, 0xFF0000, 0xFF}, {0x78, 0x56, 0x34, 0x12}), {0x126734}, ""},  // + alpha
      {RawBmp(1, 1, 32, 3, {0x3FF00000, 0xFFC00, 0x3FF}, {0x01, 0x00, 0xF8, 0x3F}), {0xFF8000}, ""},
      // Pictures made for the program were read as 5-6-5 whenever the red mask is 0.
      {RawBmp(1, 1, 16, 3, {0, 0x3E0, 0x1F}, {0x00, 0x80, 0, 0}), {0x830000}, ""},
      {Rle({3, 1, 0, 0, 0, 3, 0, 1, 1, 0, 0, 1}), {0, W, W, W, W, W}, ""},
      {RawBmp(5, 1, 4, 2, {0, B, G}, {5, 0x12, 0, 1}, 3), {B, G, B, G, B}, ""},  // RLE4
      // A delta skips pixels, which keep entry 0. Rows are laid out 4 wide: a run past
      // the right edge fills the spare byte, then goes on along the row below.
      {Rle({0, 2, 1, 1, 1, 1, 0, 1}), {0, W, 0, 0, 0, 0}, ""}, {Rle({0, 0, 6, 1, 0, 1}), {W, W, W, W, W, 0}, ""},
      {Patched(Patched(MakeSolidBmp(1, 1, Rgb{9, 8, 7}), 46, 0xFFFFFFF0u), 34, ~0u), {0x090807}, ""},  // mere hints
      {{}, {}, "not a BMP file"}, {Patched(good, 0, 0x4D43, 2), {}, "not a BMP file"},
      {Bytes(good.begin(), good.begin() + 40), {}, "file shorter than its headers"},
      {Patched(good, 26, 0, 2), {}, "planes not 1"}, {Patched(good, 22, 0x80000000u), {}, "bad image height"},
      {Patched(good, 14, 66), {}, "unsupported header size"}, {Patched(good, 18, 0xFFFFFFFC), {}, "bad image width"},
      {Patched(good, 22, 0), {}, "bad image height"}, {Patched(good, 28, 2, 2), {}, "unsupported bit count"},
      {Patched(good, 22, 16384u * 16384u / 5 + 1), {}, "image too large"},
      {Patched(good, 30, 4), {}, "unsupported compression"},
      {Patched(good, 30, 2), {}, "RLE4 compression needs 4 bits per pixel"},
      {Patched(good, 30, 1), {}, "RLE8 compression needs 8 bits per pixel"},
      {Patched(good, 30, 3), {}, "bit fields need 16 or 32 bits per pixel"},
      {RawBmp(4, -1, 4, 2, pal16, {4, 0x12, 0, 1}), {}, "top-down RLE image"},
      {RawBmp(3, 1, 4, 0, pal16, {0, 0, 0, 0}, 17), {}, "more palette colours than the bit depth allows"},
      // The palette, or the masks behind a 40-byte header, run into the pixels.
      {Patched(RawBmp(4, 1, 4, 0, pal16, {0, 0, 0, 0}), 10, 54 + 60), {}, "pixel data offset inside the headers"},
      {RawBmp(1, 1, 32, 3, {0xFF, 0xFF00}, {0, 0, 0, 0}), {}, "pixel data offset inside the headers"},
      {Patched(good, 10, uint32_t(good.size())), {}, "pixel data offset past the end of the file"},
      {Bytes(good.begin(), good.end() - 1), {}, "truncated pixel data"},  // the last row's padding
      {RawBmp(1, 1, 16, 3, {0xF0F, 0, 0}, {0, 0, 0, 0}), {}, "colour mask bits not contiguous"},
      {RawBmp(1, 1, 16, 3, {0x1F000, 0, 0}, {0, 0, 0, 0}), {}, "colour mask wider than the pixel"},
      {RawBmp(4, 1, 8, 0, kTwo, {0, 1, 2, 0}, 2), {}, kBeyond},
      {RawBmp(9, 1, 1, 0, {0}, {0, 0x80, 0, 0}, 1), {}, kBeyond},
      // RLE: after the last line, deltas off the picture, indices, streams cut short.
      {Rle({0, 0, 0, 0, 1, 1, 0, 1}), {}, kLeaves}, {Rle({0, 0, 0, 0, 0, 3, 1, 1, 1, 0}), {}, kLeaves},
      {Rle({0, 2, 1, 5, 0, 1}), {}, kDelta}, {Rle({0, 2, 9, 0, 0, 1}), {}, kDelta},
      {Rle({0, 2, 1, 2, 0, 1}), {}, kDelta},  // to the end of the top row
      {Rle({2, 7, 0, 1}), {}, kBeyond}, {RawBmp(4, 1, 4, 2, pal3, {4, 0x13, 0, 1}, 3), {}, kBeyond},
      {RawBmp(4, 1, 4, 2, pal3, {0, 3, 0x12, 0x30, 0, 1}, 3), {}, kBeyond},
      {Rle({0, 3, 1, 0, 1}), {}, kCut}, {Rle({0, 2, 1}), {}, kCut}, {Rle({3, 1, 0, 0}), {}, kCut},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_EQ(Decoded(c.file, &error), c.picture) << c.reason << error;
    EXPECT_EQ(error, c.reason);
  }
}

TEST(TexturePixelsTest, PowerOfTwoSizesAveragingAndMismatchedBuffers) {
  for (auto [size, pot] : {std::pair{1, 1}, {3, 4}, {5, 4}, {6, 8}, {12, 16}, {127, 128}, {129, 128}, {40000, 8192}})
    EXPECT_EQ(PowerOfTwoSize(size, 8192), pot) << size;
  EXPECT_EQ(ResampleImage({10, 21, 30, 40}, 2, 1, 2, 1, 1), (std::vector<uint8_t>{20, 31}));  // rounded
  // A pixel buffer that does not match its size is never read past.
  const RgbImage image{2, 2, std::vector<uint8_t>(11, 0)};
  EXPECT_TRUE(BottomUpRgb(image).empty() && BottomUpColourKeyedRgba(image).empty());
  EXPECT_TRUE(ResampleImage(image.pixels, 2, 2, 3, 4, 4).empty());
}
