// PNG writer for the tests: libpng writes into memory, rows packed as the bit depth asks.
#include "support/png_file_writer.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>

namespace {

void Append(png_structp png, png_bytep data, size_t length) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void Flush(png_structp) {}

// The tests only ask for layouts libpng writes; anything else is a broken test.
[[noreturn]] void Refuse(png_structp, png_const_charp text) {
  std::fprintf(stderr, "libpng could not write the test picture: %s\n", text);
  std::abort();
}

}  // namespace

std::vector<uint8_t> MakePng(int width, int height, const std::function<uint32_t(int, int, int)>& sample,
                             const PngLayout& layout) {
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, Refuse, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &out, Append, Flush);
  png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), layout.bitDepth, layout.colourType,
               layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_color palette[256];
  for (int k = 0; k < 256; ++k) palette[k] = png_color{png_byte(k), png_byte(2 * k), png_byte(255 - k)};
  if (layout.colourType == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(png, info, palette, 1 << layout.bitDepth);
  png_write_info(png, info);
  const int channels = png_get_channels(png, info);
  std::vector<std::vector<uint8_t>> rows(size_t(height), std::vector<uint8_t>(png_get_rowbytes(png, info), 0));
  std::vector<png_bytep> pointers;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < channels; ++c) {
        const uint32_t v = sample(x, y, c);
        const size_t bit = size_t(x * channels + c) * size_t(layout.bitDepth);
        if (layout.bitDepth == 16) {
          rows[y][bit / 8] = uint8_t(v >> 8);
          rows[y][bit / 8 + 1] = uint8_t(v);
        } else {
          rows[y][bit / 8] |= uint8_t(v << (8 - layout.bitDepth - int(bit % 8)));
        }
      }
    }
    pointers.push_back(rows[size_t(y)].data());
  }
  png_set_interlace_handling(png);
  png_write_image(png, pointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}
