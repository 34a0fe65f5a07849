// The BMP decoder: every layout it accepts decodes to the right colours with rows
// top-down, and every broken header or pixel stream is refused with a reason.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "support/bmp_writer.h"
#include "textures/bmp_decode.h"
#include "textures/texture_pixels.h"

namespace {

void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A file with a 40-byte info header, `palette` (BGRX entries) and the given stored
// pixel bytes, rows as the caller lays them out.
std::vector<uint8_t> RawBmp(int32_t width, int32_t height, uint16_t bits, uint32_t compression,
                            const std::vector<uint32_t>& palette, const std::vector<uint8_t>& pixels,
                            uint32_t coloursUsed = 0) {
  const size_t offset = 54 + palette.size() * 4;
  std::vector<uint8_t> b(offset, 0);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 10, static_cast<uint32_t>(offset));
  Put32(b, 14, 40);
  Put32(b, 18, static_cast<uint32_t>(width));
  Put32(b, 22, static_cast<uint32_t>(height));
  Put16(b, 26, 1);
  Put16(b, 28, bits);
  Put32(b, 30, compression);
  Put32(b, 46, coloursUsed);
  for (size_t i = 0; i < palette.size(); ++i) Put32(b, 54 + i * 4, palette[i]);
  b.insert(b.end(), pixels.begin(), pixels.end());
  Put32(b, 2, static_cast<uint32_t>(b.size()));
  return b;
}

Rgb Pattern(int x, int y) {
  return Rgb{static_cast<uint8_t>(x * 7 + 1), static_cast<uint8_t>(y * 13 + 2), static_cast<uint8_t>(x + y * 3)};
}

std::optional<RgbImage> Decode(const std::vector<uint8_t>& bytes, std::string* error = nullptr) {
  std::string ignored;
  return DecodeBmp(bytes.data(), bytes.size(), error ? error : &ignored);
}

std::string Reason(const std::vector<uint8_t>& bytes) {
  std::string error;
  EXPECT_FALSE(Decode(bytes, &error).has_value());
  return error;
}

void ExpectRgb(const RgbImage& image, int x, int y, Rgb c) {
  const uint8_t* p = image.Pixel(x, y);
  EXPECT_EQ(p[0], c.r) << x << "," << y;
  EXPECT_EQ(p[1], c.g) << x << "," << y;
  EXPECT_EQ(p[2], c.b) << x << "," << y;
}

}  // namespace

TEST(BmpDecodeTest, TrueColourLayoutsRoundTripTopDown) {
  for (uint32_t header : {40u, 56u, 108u, 124u}) {
    for (bool topDown : {false, true}) {
      for (int width : {1, 2, 3, 5, 124, 127}) {
        BmpLayout layout;
        layout.infoHeaderSize = header;
        layout.topDown = topDown;
        const int height = 3;
        auto image = Decode(MakeBmp(width, height, Pattern, layout));
        ASSERT_TRUE(image) << header << " " << topDown << " " << width;
        ASSERT_EQ(image->width, width);
        ASSERT_EQ(image->height, height);
        for (int y = 0; y < height; ++y) {
          for (int x = 0; x < width; ++x) ExpectRgb(*image, x, y, Pattern(x, y));
        }
      }
    }
  }
}

TEST(BmpDecodeTest, PaletteImagesResolveToPaletteColours) {
  for (int width : {1, 3, 5, 127}) {
    BmpLayout layout;
    layout.bitsPerPixel = 8;
    auto image = Decode(MakeBmp(width, 2, [](int x, int y) { return Rgb{0, 0, static_cast<uint8_t>(x * 2 + y)}; },
                                layout));
    ASSERT_TRUE(image) << width;
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < width; ++x) {
        const uint8_t g = static_cast<uint8_t>(x * 2 + y);
        ExpectRgb(*image, x, y, Rgb{g, g, g});
      }
    }
  }
  // 1-bit and 4-bit: two-colour and sixteen-colour palettes, rows bottom-up.
  auto mono = Decode(RawBmp(3, 2, 1, 0, {0x00FF0000, 0x0000FF00}, {0xA0, 0, 0, 0, 0x40, 0, 0, 0}));
  ASSERT_TRUE(mono);
  ExpectRgb(*mono, 0, 0, Rgb{255, 0, 0});
  ExpectRgb(*mono, 1, 0, Rgb{0, 255, 0});
  ExpectRgb(*mono, 0, 1, Rgb{0, 255, 0});
  ExpectRgb(*mono, 2, 1, Rgb{0, 255, 0});
  std::vector<uint32_t> sixteen(16, 0);
  sixteen[3] = 0x00123456;
  auto nibbles = Decode(RawBmp(3, 1, 4, 0, sixteen, {0x30, 0x30, 0, 0}));
  ASSERT_TRUE(nibbles);
  ExpectRgb(*nibbles, 0, 0, Rgb{0x12, 0x34, 0x56});
  ExpectRgb(*nibbles, 1, 0, Rgb{0, 0, 0});
  ExpectRgb(*nibbles, 2, 0, Rgb{0x12, 0x34, 0x56});
}

TEST(BmpDecodeTest, SixteenAndThirtyTwoBitAndShortHeaderAndRle) {
  // 16-bit 5-5-5: pure red, pure blue.
  auto sixteen = Decode(RawBmp(2, 1, 16, 0, {}, {0x00, 0x7C, 0x1F, 0x00}));
  ASSERT_TRUE(sixteen);
  ExpectRgb(*sixteen, 0, 0, Rgb{255, 0, 0});
  ExpectRgb(*sixteen, 1, 0, Rgb{0, 0, 255});
  // 32-bit BGRX; an alpha byte of 0 must not turn the colour black.
  auto deep = Decode(RawBmp(1, 1, 32, 0, {}, {0x30, 0x20, 0x10, 0x00}));
  ASSERT_TRUE(deep);
  ExpectRgb(*deep, 0, 0, Rgb{0x10, 0x20, 0x30});

  // The 12-byte header: 16-bit sizes, 3-byte palette entries (none for 24-bit).
  std::vector<uint8_t> core(26, 0);
  core[0] = 'B';
  core[1] = 'M';
  Put32(core, 10, 26);
  Put32(core, 14, 12);
  Put16(core, 18, 1);
  Put16(core, 20, 1);
  Put16(core, 22, 1);
  Put16(core, 24, 24);
  core.insert(core.end(), {0x03, 0x02, 0x01, 0x00});
  auto small = Decode(core);
  ASSERT_TRUE(small);
  ExpectRgb(*small, 0, 0, Rgb{1, 2, 3});

  // RLE8: a run of 3 of index 1, end of line, 3 literal pixels (0, 1, 1) and a pad
  // byte, end of bitmap.
  auto rle = Decode(RawBmp(3, 2, 8, 1, {0x00000000, 0x00FFFFFF}, {3, 1, 0, 0, 0, 3, 0, 1, 1, 0, 0, 1}, 2));
  ASSERT_TRUE(rle);
  ExpectRgb(*rle, 0, 1, Rgb{255, 255, 255});
  ExpectRgb(*rle, 2, 1, Rgb{255, 255, 255});
  ExpectRgb(*rle, 0, 0, Rgb{0, 0, 0});
  ExpectRgb(*rle, 1, 0, Rgb{255, 255, 255});
}

TEST(BmpDecodeTest, SizeAndColourCountFieldsAreNeverTrusted) {
  auto bytes = MakeSolidBmp(4, 4, Rgb{9, 8, 7});
  Put32(bytes, 46, 0xFFFFFFF0u);  // colours used: only a hint at 24 bits
  EXPECT_TRUE(Decode(bytes));
  Put32(bytes, 34, 0);
  EXPECT_TRUE(Decode(bytes));
  Put32(bytes, 34, 0xFFFFFFFFu);
  auto image = Decode(bytes);
  ASSERT_TRUE(image);
  ExpectRgb(*image, 3, 3, Rgb{9, 8, 7});
}

TEST(BmpDecodeTest, RefusesBrokenHeaders) {
  const auto good = MakeSolidBmp(4, 4, Rgb{1, 2, 3});
  struct Patch {
    size_t at;
    uint32_t value;
    int bytes;
    const char* reason;
  };
  const Patch patches[] = {
      {0, 0x4D43, 2, "not a BMP file"},           {26, 0, 2, "planes not 1"},
      {26, 2, 2, "planes not 1"},                 {14, 0, 4, "unsupported header size"},
      {14, 66, 4, "unsupported header size"},     {14, 200, 4, "unsupported header size"},
      {18, 0, 4, "bad image width"},              {18, 0xFFFFFFFC, 4, "bad image width"},
      {22, 0, 4, "bad image height"},             {22, 0x80000000u, 4, "bad image height"},
      {22, 16384u * 16384u / 4 + 1, 4, "image too large"},
      {28, 0, 2, "unsupported bit count"},        {28, 2, 2, "unsupported bit count"},
      {28, 64, 2, "unsupported bit count"},       {28, 255, 2, "unsupported bit count"},
      {30, 4, 4, "unsupported compression"},      {30, 1, 4, "RLE8 compression needs 8 bits per pixel"},
  };
  for (const Patch& p : patches) {
    auto b = good;
    p.bytes == 2 ? Put16(b, p.at, p.value) : Put32(b, p.at, p.value);
    EXPECT_EQ(Reason(b), p.reason) << "offset " << p.at << " value " << p.value;
  }
  EXPECT_EQ(Reason({}), "not a BMP file");
  EXPECT_EQ(Reason(std::vector<uint8_t>(good.begin(), good.begin() + 40)), "file shorter than its headers");
}

TEST(BmpDecodeTest, RefusesOffsetsAndPixelDataOutsideTheFile) {
  const auto good = MakeSolidBmp(5, 4, Rgb{1, 2, 3});  // rows of 15 bytes padded to 16
  auto b = good;
  Put32(b, 10, 20);
  EXPECT_EQ(Reason(b), "pixel data offset inside the headers");
  Put32(b, 10, static_cast<uint32_t>(good.size()));
  EXPECT_EQ(Reason(b), "pixel data offset past the end of the file");
  Put32(b, 10, 0xFFFFFFFFu);
  EXPECT_EQ(Reason(b), "pixel data offset past the end of the file");
  // Missing only the last row's padding is already too short.
  EXPECT_EQ(Reason(std::vector<uint8_t>(good.begin(), good.end() - 1)), "truncated pixel data");
  BmpLayout cut;
  cut.truncateTo = 60;
  EXPECT_EQ(Reason(MakeSolidBmp(5, 4, Rgb{1, 2, 3}, cut)), "truncated pixel data");
  // A palette that would run into the pixels.
  BmpLayout grey;
  grey.bitsPerPixel = 8;
  auto pal = MakeSolidBmp(4, 4, Rgb{1, 2, 3}, grey);
  Put32(pal, 10, 54 + 100);
  EXPECT_EQ(Reason(pal), "pixel data offset inside the headers");
}

TEST(BmpDecodeTest, RefusesPaletteIndicesAndRunsOutsideTheImage) {
  const std::vector<uint32_t> two = {0x00000000, 0x00FFFFFF};
  EXPECT_EQ(Reason(RawBmp(4, 1, 8, 0, two, {0, 1, 5, 0}, 2)), "palette index beyond the palette");
  EXPECT_EQ(Reason(RawBmp(4, 1, 8, 0, std::vector<uint32_t>(256, 0), {0, 1, 5, 0}, 300)),
            "more palette colours than the bit depth allows");
  EXPECT_EQ(Reason(RawBmp(3, 1, 4, 0, std::vector<uint32_t>(16, 0), {0x00, 0x00, 0, 0}, 17)),
            "more palette colours than the bit depth allows");
  // Padding after the last pixel may hold anything.
  EXPECT_TRUE(Decode(RawBmp(3, 1, 8, 0, two, {0, 1, 0, 9}, 2)));

  EXPECT_EQ(Reason(RawBmp(3, 2, 8, 1, two, {4, 1, 0, 1}, 2)), "RLE run leaves the image");
  EXPECT_EQ(Reason(RawBmp(3, 2, 8, 1, two, {0, 4, 1, 1, 1, 1, 0, 1}, 2)), "RLE run leaves the image");
  EXPECT_EQ(Reason(RawBmp(3, 2, 8, 1, two, {0, 2, 1, 5, 1, 1, 0, 1}, 2)), "RLE delta leaves the image");
  EXPECT_EQ(Reason(RawBmp(3, 2, 8, 1, two, {0, 2, 9, 0, 0, 1}, 2)), "RLE delta leaves the image");
  // Two lines used up, then one more run.
  EXPECT_EQ(Reason(RawBmp(3, 2, 8, 1, two, {0, 0, 0, 0, 1, 1, 0, 1}, 2)), "RLE run leaves the image");
  EXPECT_EQ(Reason(RawBmp(3, 2, 8, 1, two, {2, 7, 0, 1}, 2)), "palette index beyond the palette");
  EXPECT_EQ(Reason(RawBmp(3, 2, 8, 1, two, {0, 3, 1, 0}, 2)), "truncated RLE data");
  EXPECT_EQ(Reason(RawBmp(4, 1, 4, 2, std::vector<uint32_t>(3, 0), {4, 0x13, 0, 1}, 3)),
            "palette index beyond the palette");
  EXPECT_EQ(Reason(RawBmp(4, -1, 4, 2, std::vector<uint32_t>(16, 0), {4, 0x12, 0, 1})), "top-down RLE image");
}

TEST(TexturePixelsTest, BottomRowFirstAndColourKey) {
  RgbImage image;
  image.width = 2;
  image.height = 2;
  // Top row: black, pure blue. Bottom row: (1,0,0), (0,1,255).
  image.pixels = {0, 0, 0, 0, 0, 255, 1, 0, 0, 0, 1, 255};
  EXPECT_EQ(BottomUpRgb(image), (std::vector<uint8_t>{1, 0, 0, 0, 1, 255, 0, 0, 0, 0, 0, 255}));
  EXPECT_EQ(BottomUpColourKeyedRgba(image),
            (std::vector<uint8_t>{1, 0, 0, 255, 0, 1, 255, 255, 0, 0, 0, 0, 0, 0, 255, 0}));
  image.pixels.pop_back();
  EXPECT_TRUE(BottomUpRgb(image).empty());
  EXPECT_TRUE(BottomUpColourKeyedRgba(image).empty());
}

TEST(TexturePixelsTest, PowerOfTwoSizesAndResampling) {
  const std::pair<int32_t, int32_t> sizes[] = {{1, 1}, {2, 2}, {3, 4}, {5, 4}, {6, 8}, {12, 16},
                                               {100, 128}, {127, 128}, {129, 128}, {64, 64}};
  for (auto [size, pot] : sizes) EXPECT_EQ(PowerOfTwoSize(size, 8192), pot) << size;
  EXPECT_EQ(PowerOfTwoSize(16384, 8192), 8192);
  EXPECT_EQ(PowerOfTwoSize(12000, 4096), 4096);

  // Two pixels into one average; one into two repeats; one colour stays exact.
  EXPECT_EQ(ResampleImage({10, 20, 30, 40}, 2, 1, 2, 1, 1), (std::vector<uint8_t>{20, 30}));
  EXPECT_EQ(ResampleImage({7, 9}, 1, 1, 2, 2, 3), (std::vector<uint8_t>{7, 9, 7, 9, 7, 9, 7, 9, 7, 9, 7, 9}));
  // Rows of one colour each (width 5 -> 4, height kept): no row is lost or mixed.
  std::vector<uint8_t> rows;
  for (uint8_t row : {250, 3, 128}) rows.insert(rows.end(), 5 * 3, row);
  const auto narrow = ResampleImage(rows, 5, 3, 3, 4, 3);
  ASSERT_EQ(narrow.size(), 4u * 3 * 3);
  for (size_t i = 0; i < narrow.size(); ++i) EXPECT_EQ(narrow[i], rows[i / 12 * 15]) << i;
  EXPECT_TRUE(ResampleImage(rows, 5, 4, 3, 4, 4).empty());
  EXPECT_TRUE(ResampleImage(rows, 5, 3, 3, 0, 4).empty());
}
