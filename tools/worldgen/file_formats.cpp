// Encoders for the picture files the program reads: 24-bit and 8-bit palette BMP,
// and 8-bit grey Targa. All values are written little-endian byte by byte.
#include <cassert>

#include "worldgen.h"

namespace worldgen {

namespace {

void Put16(Bytes& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(Bytes& out, uint32_t v) {
  Put16(out, v & 0xFFFFu);
  Put16(out, v >> 16);
}

// File header (14 bytes) and BITMAPINFOHEADER (40 bytes) of a bottom-up,
// uncompressed BMP.
void PutBmpHeaders(Bytes& out, int width, int height, int bitsPerPixel, uint32_t paletteEntries,
                   uint32_t rowBytes) {
  const uint32_t pixelOffset = 14 + 40 + paletteEntries * 4;
  const uint32_t pixelBytes = rowBytes * static_cast<uint32_t>(height);
  out.push_back('B');
  out.push_back('M');
  Put32(out, pixelOffset + pixelBytes);  // file size
  Put32(out, 0);                         // reserved
  Put32(out, pixelOffset);
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(width));
  Put32(out, static_cast<uint32_t>(height));  // positive: bottom row first
  Put16(out, 1);                              // planes
  Put16(out, static_cast<uint32_t>(bitsPerPixel));
  Put32(out, 0);  // no compression
  Put32(out, pixelBytes);
  Put32(out, 2835);  // 72 dots per inch
  Put32(out, 2835);
  Put32(out, paletteEntries);
  Put32(out, 0);
}

}  // namespace

Bytes EncodeBmp24(const RgbImage& image) {
  assert(image.width > 0 && image.height > 0 && "empty picture");
  const uint32_t rowBytes = (static_cast<uint32_t>(image.width) * 3 + 3) & ~3u;
  Bytes out;
  out.reserve(54 + rowBytes * image.height);
  PutBmpHeaders(out, image.width, image.height, 24, 0, rowBytes);
  for (int y = image.height - 1; y >= 0; --y) {
    for (int x = 0; x < image.width; ++x) {
      const uint8_t* p = image.At(x, y);
      out.push_back(p[2]);
      out.push_back(p[1]);
      out.push_back(p[0]);
    }
    for (uint32_t pad = image.width * 3; pad < rowBytes; ++pad) out.push_back(0);
  }
  return out;
}

Bytes EncodeBmpGrey8(const GreyImage& image) {
  assert(image.width > 0 && image.height > 0 && "empty picture");
  const uint32_t rowBytes = (static_cast<uint32_t>(image.width) + 3) & ~3u;
  Bytes out;
  PutBmpHeaders(out, image.width, image.height, 8, 256, rowBytes);
  for (uint32_t k = 0; k < 256; ++k) {
    out.push_back(static_cast<uint8_t>(k));  // blue
    out.push_back(static_cast<uint8_t>(k));  // green
    out.push_back(static_cast<uint8_t>(k));  // red
    out.push_back(0);
  }
  for (int y = image.height - 1; y >= 0; --y) {
    for (int x = 0; x < image.width; ++x) out.push_back(image.At(x, y));
    for (uint32_t pad = image.width; pad < rowBytes; ++pad) out.push_back(0);
  }
  return out;
}

Bytes EncodeTgaGrey8(const GreyImage& image) {
  assert(image.width > 0 && image.width <= 0xFFFF && image.height > 0 && image.height <= 0xFFFF);
  Bytes out;
  out.push_back(0);  // no image ID
  out.push_back(0);  // no colour map
  out.push_back(3);  // uncompressed grey
  for (int i = 0; i < 5; ++i) out.push_back(0);  // no colour map: first entry, length, entry size
  Put16(out, 0);                                  // x origin
  Put16(out, 0);                                  // y origin
  Put16(out, static_cast<uint32_t>(image.width));
  Put16(out, static_cast<uint32_t>(image.height));
  out.push_back(8);
  out.push_back(0);  // bottom-left origin, no alpha bits
  for (int y = image.height - 1; y >= 0; --y) {
    for (int x = 0; x < image.width; ++x) out.push_back(image.At(x, y));
  }
  return out;
}

}  // namespace worldgen
