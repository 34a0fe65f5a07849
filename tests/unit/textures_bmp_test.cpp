// The BMP decoder: every layout it accepts decodes to the right colours with rows
// top-down, and every broken header or pixel stream is refused with a reason. Also the
// pixel layouts the texture loaders make from a decoded picture.
#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "support/bmp_writer.h"
#include "textures/bmp_decode.h"
#include "textures/texture_pixels.h"

namespace {

// Writes `v` little-endian over `bytes` bytes of `b` at `at`.
void Put(std::vector<uint8_t>& b, size_t at, uint32_t v, int bytes = 4) {
  for (int i = 0; i < bytes; ++i) b.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
}
std::vector<uint8_t> Patched(std::vector<uint8_t> b, size_t at, uint32_t v, int bytes = 4) {
  Put(b, at, v, bytes);
  return b;
}

// A file with a 40-byte info header, `palette` (BGRX entries) and the stored pixel bytes.
std::vector<uint8_t> RawBmp(int32_t width, int32_t height, uint16_t bits, uint32_t compression,
                            const std::vector<uint32_t>& palette, const std::vector<uint8_t>& pixels,
                            uint32_t coloursUsed = 0) {
  std::vector<uint8_t> b(54 + palette.size() * 4, 0);
  b[0] = 'B', b[1] = 'M';
  for (auto [at, v] : {std::pair<size_t, int64_t>{10, int64_t(b.size())}, {14, 40}, {18, width}, {22, height},
                       {30, compression}, {46, coloursUsed}})
    Put(b, at, static_cast<uint32_t>(v));
  Put(b, 26, 1, 2);
  Put(b, 28, bits, 2);
  for (size_t i = 0; i < palette.size(); ++i) Put(b, 54 + i * 4, palette[i]);
  b.insert(b.end(), pixels.begin(), pixels.end());
  return b;
}

Rgb Pattern(int x, int y) { return Rgb{uint8_t(x * 7 + 1), uint8_t(y * 13 + 2), uint8_t(x + y * 3)}; }

void ExpectRgb(const RgbImage& image, int x, int y, Rgb c) {
  const uint8_t* p = image.Pixel(x, y);
  EXPECT_TRUE(p[0] == c.r && p[1] == c.g && p[2] == c.b)
      << x << "," << y << " is " << int(p[0]) << " " << int(p[1]) << " " << int(p[2]);
}

const std::vector<uint32_t> kTwo = {0x00000000, 0x00FFFFFF};

}  // namespace

TEST(BmpDecodeTest, TrueColourAndGreyPaletteLayoutsRoundTripTopDown) {
  for (int bits : {24, 8})
    for (uint32_t header : {40u, 56u, 108u, 124u})
      for (bool topDown : {false, true})
        for (int width : {1, 2, 3, 5, 127}) {
          SCOPED_TRACE(testing::Message() << bits << " bits, header " << header << " top-down " << topDown
                                          << " width " << width);
          std::string error;
          const auto bytes = MakeBmp(width, 3, Pattern, BmpLayout{bits, header, topDown, 0});
          auto image = DecodeBmp(bytes.data(), bytes.size(), &error);
          ASSERT_TRUE(image) << error;
          ASSERT_TRUE(image->width == width && image->height == 3);
          for (int y = 0; y < 3; ++y)
            for (int x = 0; x < width; ++x) {
              const Rgb c = Pattern(x, y);
              ExpectRgb(*image, x, y, bits == 24 ? c : Rgb{c.b, c.b, c.b});
            }
        }
}

TEST(BmpDecodeTest, OtherLayoutsDecode) {
  struct Px { int x, y; Rgb c; };
  std::vector<uint32_t> sixteen(16, 0);
  sixteen[3] = 0x00123456;
  const Rgb red{255, 0, 0}, green{0, 255, 0}, white{255, 255, 255}, black{0, 0, 0};
  const struct { const char* what; std::vector<uint8_t> file; std::vector<Px> pixels; } cases[] = {
      {"1-bit, rows bottom-up", RawBmp(3, 2, 1, 0, {0x00FF0000, 0x0000FF00}, {0xA0, 0, 0, 0, 0x40, 0, 0, 0}),
       {{0, 0, red}, {1, 0, green}, {0, 1, green}, {2, 1, green}}},
      {"4-bit", RawBmp(3, 1, 4, 0, sixteen, {0x30, 0x30, 0, 0}), {{0, 0, {0x12, 0x34, 0x56}}, {1, 0, black}}},
      {"16-bit 5-5-5", RawBmp(2, 1, 16, 0, {}, {0x00, 0x7C, 0x1F, 0x00}), {{0, 0, red}, {1, 0, {0, 0, 255}}}},
      {"32-bit, alpha byte 0", RawBmp(1, 1, 32, 0, {}, {0x30, 0x20, 0x10, 0x00}), {{0, 0, {0x10, 0x20, 0x30}}}},
      {"12-byte header", {'B', 'M', 30, 0, 0, 0, 0, 0, 0, 0, 26, 0, 0, 0, 12, 0, 0, 0, 1, 0, 1, 0, 1, 0, 24, 0, 3, 2, 1, 0},
       {{0, 0, {1, 2, 3}}}},
      // A run of 3 of index 1, end of line, 3 literal pixels (0, 1, 1) and a pad, end of bitmap.
      {"RLE8", RawBmp(3, 2, 8, 1, kTwo, {3, 1, 0, 0, 0, 3, 0, 1, 1, 0, 0, 1}, 2),
       {{0, 1, white}, {2, 1, white}, {0, 0, black}, {1, 0, white}}},
      // Runs that also cover the row's padding, as common encoders write them, are clipped.
      {"RLE8 runs past the right edge", RawBmp(3, 2, 8, 1, kTwo, {4, 1, 0, 0, 0, 4, 0, 1, 1, 1, 0, 1}, 2),
       {{0, 1, white}, {2, 1, white}, {0, 0, black}, {2, 0, white}}},
      {"padding holds anything", RawBmp(3, 1, 8, 0, kTwo, {0, 1, 0, 9}, 2), {{0, 0, black}, {1, 0, white}}},
      {"file size and colour count are only hints",
       Patched(Patched(MakeSolidBmp(4, 4, Rgb{9, 8, 7}), 46, 0xFFFFFFF0u), 34, 0xFFFFFFFFu), {{3, 3, {9, 8, 7}}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string error;
    auto image = DecodeBmp(c.file.data(), c.file.size(), &error);
    ASSERT_TRUE(image) << error;
    for (const Px& p : c.pixels) ExpectRgb(*image, p.x, p.y, p.c);
  }
}

TEST(BmpDecodeTest, RefusesBrokenFilesWithAReason) {
  const auto good = MakeSolidBmp(5, 4, Rgb{1, 2, 3});  // rows of 15 bytes padded to 16
  const auto grey = MakeSolidBmp(4, 4, Rgb{1, 2, 3}, BmpLayout{8, 40, false, 0});
  const std::vector<uint32_t> pal16(16, 0);
  const struct { std::vector<uint8_t> file; const char* reason; } cases[] = {
      {{}, "not a BMP file"}, {Patched(good, 0, 0x4D43, 2), "not a BMP file"},
      {std::vector<uint8_t>(good.begin(), good.begin() + 40), "file shorter than its headers"},
      {Patched(good, 26, 0, 2), "planes not 1"}, {Patched(good, 14, 66), "unsupported header size"},
      {Patched(good, 18, 0xFFFFFFFC), "bad image width"}, {Patched(good, 22, 0), "bad image height"},
      {Patched(good, 22, 0x80000000u), "bad image height"}, {Patched(good, 28, 2, 2), "unsupported bit count"},
      {Patched(good, 22, 16384u * 16384u / 5 + 1), "image too large"},
      {Patched(good, 30, 4), "unsupported compression"}, {Patched(good, 30, 1), "RLE8 compression needs 8 bits per pixel"},
      {Patched(good, 10, 20), "pixel data offset inside the headers"},
      {Patched(grey, 10, 54 + 100), "pixel data offset inside the headers"},  // palette runs into the pixels
      {Patched(good, 10, good.size()), "pixel data offset past the end of the file"},
      {Patched(good, 10, 0xFFFFFFFFu), "pixel data offset past the end of the file"},
      {std::vector<uint8_t>(good.begin(), good.end() - 1), "truncated pixel data"},  // last row's padding
      {std::vector<uint8_t>(good.begin(), good.begin() + 60), "truncated pixel data"},
      {RawBmp(4, 1, 8, 0, kTwo, {0, 1, 5, 0}, 2), "palette index beyond the palette"},
      {RawBmp(4, 1, 8, 0, std::vector<uint32_t>(256, 0), {0, 1, 5, 0}, 300), "more palette colours than the bit depth allows"},
      {RawBmp(3, 1, 4, 0, pal16, {0, 0, 0, 0}, 17), "more palette colours than the bit depth allows"},
      {RawBmp(3, 2, 8, 1, kTwo, {0, 0, 0, 0, 1, 1, 0, 1}, 2), "RLE run leaves the image"},  // after the last line
      {RawBmp(3, 2, 8, 1, kTwo, {0, 2, 1, 5, 1, 1, 0, 1}, 2), "RLE delta leaves the image"},
      {RawBmp(3, 2, 8, 1, kTwo, {0, 2, 9, 0, 0, 1}, 2), "RLE delta leaves the image"},
      {RawBmp(3, 2, 8, 1, kTwo, {2, 7, 0, 1}, 2), "palette index beyond the palette"},
      {RawBmp(3, 2, 8, 1, kTwo, {0, 3, 1, 0}, 2), "truncated RLE data"},
      {RawBmp(4, 1, 4, 2, std::vector<uint32_t>(3, 0), {4, 0x13, 0, 1}, 3), "palette index beyond the palette"},
      {RawBmp(4, -1, 4, 2, pal16, {4, 0x12, 0, 1}), "top-down RLE image"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    std::string error;
    EXPECT_FALSE(DecodeBmp(cases[i].file.data(), cases[i].file.size(), &error)) << "case " << i;
    EXPECT_EQ(error, cases[i].reason) << "case " << i;
  }
}

TEST(TexturePixelsTest, PowerOfTwoSizesAveragingAndMismatchedBuffers) {
  for (auto [size, pot] : {std::pair{1, 1}, {3, 4}, {5, 4}, {6, 8}, {12, 16}, {127, 128}, {129, 128}, {16384, 8192}})
    EXPECT_EQ(PowerOfTwoSize(size, 8192), pot) << size;
  EXPECT_EQ(ResampleImage({10, 20, 30, 40}, 2, 1, 2, 1, 1), (std::vector<uint8_t>{20, 30}));
  // A pixel buffer that does not match its size is never read past.
  const RgbImage image{2, 2, std::vector<uint8_t>(11, 0)};
  EXPECT_TRUE(BottomUpRgb(image).empty() && BottomUpColourKeyedRgba(image).empty());
  EXPECT_TRUE(ResampleImage(image.pixels, 2, 2, 3, 4, 4).empty());
}
