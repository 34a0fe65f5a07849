// BMP decoding: the headers are checked first, then the pixels are decoded straight
// into 8-bit RGB, with every read bounds-checked and every palette index, RLE run and
// delta checked against the palette and the picture. Every file the earlier reader
// accepted decodes to the same bytes, so existing pictures keep their exact colours.
#include "textures/bmp_decode.h"

#include <algorithm>
#include <cerrno>
#include <climits>

#include "io/byte_reader.h"
#include "io/file_bytes.h"

namespace {

// [SECTION] Header

constexpr uint32_t kCompressionNone = 0;
constexpr uint32_t kCompressionRle8 = 1;
constexpr uint32_t kCompressionRle4 = 2;
constexpr uint32_t kCompressionBitfields = 3;
constexpr uint32_t kCompressionAlphaBitfields = 6;  // the same, with an alpha mask after blue

struct BmpHeader {
  uint32_t pixelOffset = 0;
  uint32_t infoSize = 0;
  int64_t width = 0;
  int64_t height = 0;  // absolute value
  bool topDown = false;
  uint16_t bitCount = 0;
  uint32_t compression = kCompressionNone;
  uint32_t colours = 0;      // palette entries, palette images only
  uint32_t masks[3] = {};    // red, green, blue bits of a 16- or 32-bit pixel
};

bool Fail(std::string* error, const char* reason) {
  if (error) *error = reason;
  return false;
}

// A colour mask must be one run of set bits (or none) inside the pixel.
const char* MaskProblem(uint32_t mask, uint16_t bits) {
  if (bits < 32 && (mask >> bits) != 0) return "colour mask wider than the pixel";
  const uint32_t low = mask & (~mask + 1);  // lowest set bit
  if (((mask + low) & mask) != 0) return "colour mask bits not contiguous";
  return nullptr;
}

// The colour masks of a 16- or 32-bit image: from the file with bit fields (right
// behind the 40-byte header fields, inside a larger header or after a 40-byte one),
// otherwise 5-5-5 for 16 bits and 8-8-8 for 32. A red mask of 0 stands for 5-6-5 or
// 8-8-8 whatever the other two say: pictures made for the program were read that way.
bool ReadMasks(const ByteReader& in, BmpHeader* h, std::string* error) {
  const bool sixteen = h->bitCount == 16;
  const bool bitfields = h->compression == kCompressionBitfields || h->compression == kCompressionAlphaBitfields;
  if (bitfields) {
    for (uint32_t c = 0; c < 3; ++c) in.U32At(54 + 4 * c, &h->masks[c]);
    if (h->masks[0] != 0) {
      for (uint32_t mask : h->masks) {
        if (const char* problem = MaskProblem(mask, h->bitCount)) return Fail(error, problem);
      }
      return true;
    }
  }
  h->masks[0] = sixteen ? (bitfields ? 0xF800u : 0x7C00u) : 0x00FF0000u;
  h->masks[1] = sixteen ? (bitfields ? 0x07E0u : 0x03E0u) : 0x0000FF00u;
  h->masks[2] = sixteen ? 0x001Fu : 0x000000FFu;
  return true;
}

// Reads and checks everything up to the start of the pixel data.
bool ReadHeader(const ByteReader& in, int64_t maxPixels, BmpHeader* h, std::string* error) {
  uint8_t b = 0, m = 0;
  if (!in.U8At(0, &b) || !in.U8At(1, &m) || b != 'B' || m != 'M') return Fail(error, "not a BMP file");
  uint32_t infoSize = 0;
  if (!in.U32At(10, &h->pixelOffset) || !in.U32At(14, &infoSize)) return Fail(error, "file shorter than its headers");
  if (infoSize != 12 && infoSize != 40 && infoSize != 56 && infoSize != 108 && infoSize != 124) {
    return Fail(error, "unsupported header size");
  }
  h->infoSize = infoSize;
  if (!in.HasAt(14, infoSize)) return Fail(error, "file shorter than its headers");

  uint16_t planes = 0;
  uint32_t coloursUsed = 0;
  if (infoSize == 12) {
    // The old short header: 16-bit unsigned sizes, no compression, 3-byte palette entries.
    uint16_t w = 0, hgt = 0;
    in.U16At(18, &w);
    in.U16At(20, &hgt);
    in.U16At(22, &planes);
    in.U16At(24, &h->bitCount);
    h->width = w;
    h->height = hgt;
  } else {
    int32_t w = 0, hgt = 0;
    in.I32At(18, &w);
    in.I32At(22, &hgt);
    in.U16At(26, &planes);
    in.U16At(28, &h->bitCount);
    in.U32At(30, &h->compression);
    in.U32At(46, &coloursUsed);
    if (hgt == INT_MIN) return Fail(error, "bad image height");
    h->width = w;
    h->topDown = hgt < 0;
    h->height = hgt < 0 ? -static_cast<int64_t>(hgt) : hgt;
  }
  if (planes != 1) return Fail(error, "planes not 1");
  if (h->width <= 0) return Fail(error, "bad image width");
  if (h->height == 0) return Fail(error, "bad image height");
  if (h->width * h->height > maxPixels) return Fail(error, "image too large");

  const uint16_t bits = h->bitCount;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
    return Fail(error, "unsupported bit count");
  }
  switch (h->compression) {
    case kCompressionNone:
      break;
    case kCompressionRle8:
      if (bits != 8) return Fail(error, "RLE8 compression needs 8 bits per pixel");
      break;
    case kCompressionRle4:
      if (bits != 4) return Fail(error, "RLE4 compression needs 4 bits per pixel");
      break;
    case kCompressionBitfields:
    case kCompressionAlphaBitfields:
      if (bits != 16 && bits != 32) return Fail(error, "bit fields need 16 or 32 bits per pixel");
      break;
    default:
      return Fail(error, "unsupported compression");
  }
  if ((h->compression == kCompressionRle8 || h->compression == kCompressionRle4) && h->topDown) {
    return Fail(error, "top-down RLE image");
  }

  // Everything between the file header and the pixels: info header, the three
  // colour masks (and alpha mask) that follow a 40-byte header with bit fields, and the palette.
  uint64_t headersEnd = 14 + uint64_t{infoSize};
  if (infoSize == 40 && h->compression == kCompressionBitfields) headersEnd += 12;
  if (infoSize == 40 && h->compression == kCompressionAlphaBitfields) headersEnd += 16;
  if (bits <= 8) {
    const uint32_t most = 1u << bits;
    if (coloursUsed > most) return Fail(error, "more palette colours than the bit depth allows");
    h->colours = coloursUsed != 0 ? coloursUsed : most;
    headersEnd += uint64_t{h->colours} * (infoSize == 12 ? 3 : 4);
  }
  // Deeper images may carry a colour table as a display hint; the pixel-data offset
  // skips it and its count is never used.
  if (h->pixelOffset < headersEnd) return Fail(error, "pixel data offset inside the headers");
  if (h->pixelOffset >= in.size()) return Fail(error, "pixel data offset past the end of the file");
  return true;
}

// [SECTION] Pixel data

uint64_t RowBytes(const BmpHeader& h) { return (uint64_t{h.bitCount} * static_cast<uint64_t>(h.width) + 31) / 32 * 4; }

// The picture being filled: rows top-down, as RgbImage holds them.
RgbImage NewImage(const BmpHeader& h) {
  RgbImage image;
  image.width = static_cast<int32_t>(h.width);
  image.height = static_cast<int32_t>(h.height);
  image.pixels.resize(static_cast<size_t>(h.width) * static_cast<size_t>(h.height) * 3);
  return image;
}

uint8_t* PixelAt(RgbImage& image, int64_t column, int64_t row) {
  return &image.pixels[(static_cast<size_t>(row) * static_cast<size_t>(image.width) + static_cast<size_t>(column)) * 3];
}

// The palette as the file stores it: blue, green, red and (except in the short
// header's files) one unused byte per entry. The header check keeps it inside the data.
std::vector<uint8_t> ReadPalette(const ByteReader& in, const BmpHeader& h) {
  const uint64_t entryBytes = h.infoSize == 12 ? 3 : 4;
  std::vector<uint8_t> rgb(size_t{h.colours} * 3);
  for (uint32_t i = 0; i < h.colours; ++i) {
    const uint64_t at = 14 + uint64_t{h.infoSize} + i * entryBytes;
    in.U8At(at + 2, &rgb[i * 3]);
    in.U8At(at + 1, &rgb[i * 3 + 1]);
    in.U8At(at, &rgb[i * 3 + 2]);
  }
  return rgb;
}

// One colour channel of a 16- or 32-bit pixel, widened to 8 bits: a channel of up to
// 8 bits is scaled by 255 / (2^bits - 1) and rounded down, a wider one keeps its top
// 8 bits, an empty mask gives 0.
class Channel {
 public:
  explicit Channel(uint32_t mask) : mask_(mask) {
    if (mask == 0) return;
    while (((mask >> shift_) & 1u) == 0) ++shift_;
    while (shift_ + bits_ < 32 && ((mask >> (shift_ + bits_)) & 1u) != 0) ++bits_;
    if (bits_ <= 8) {
      const uint32_t top = (1u << bits_) - 1;
      for (uint32_t v = 0; v <= top; ++v) table_[v] = static_cast<uint8_t>(v * 255 / top);
    }
  }
  uint8_t operator()(uint32_t pixel) const {
    const uint32_t v = (pixel & mask_) >> shift_;
    return bits_ <= 8 ? table_[v] : static_cast<uint8_t>(v >> (bits_ - 8));
  }

 private:
  uint32_t mask_;
  int shift_ = 0;
  int bits_ = 0;
  uint8_t table_[256] = {};
};

// Uncompressed pixels. Every row must be in the file, and palette pixels must index
// the palette the file has.
bool DecodeRows(const ByteReader& in, BmpHeader h, RgbImage* image, std::string* error) {
  const uint64_t rowBytes = RowBytes(h);
  if (uint64_t{h.pixelOffset} + rowBytes * static_cast<uint64_t>(h.height) > in.size()) {
    return Fail(error, "truncated pixel data");
  }
  if ((h.bitCount == 16 || h.bitCount == 32) && !ReadMasks(in, &h, error)) return false;
  *image = NewImage(h);
  const std::vector<uint8_t> palette = h.bitCount <= 8 ? ReadPalette(in, h) : std::vector<uint8_t>();
  const Channel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]);
  const int bits = h.bitCount;
  for (int64_t stored = 0; stored < h.height; ++stored) {
    const uint64_t rowStart = h.pixelOffset + static_cast<uint64_t>(stored) * rowBytes;
    // Files store the bottom row first unless the height is negative.
    uint8_t* dst = PixelAt(*image, 0, h.topDown ? stored : h.height - 1 - stored);
    for (int64_t x = 0; x < h.width; ++x, dst += 3) {
      const uint64_t bitAt = static_cast<uint64_t>(x) * static_cast<uint64_t>(bits);
      const uint64_t at = rowStart + bitAt / 8;
      if (bits <= 8) {
        uint8_t byte = 0;
        in.U8At(at, &byte);
        const uint32_t index = (byte >> (8 - uint64_t{h.bitCount} - bitAt % 8)) & ((1u << bits) - 1);
        if (index >= h.colours) return Fail(error, "palette index beyond the palette");
        std::copy_n(&palette[index * 3], 3, dst);
      } else if (bits == 24) {
        in.U8At(at + 2, &dst[0]);
        in.U8At(at + 1, &dst[1]);
        in.U8At(at, &dst[2]);
      } else {
        uint32_t pixel = 0;
        if (bits == 16) {
          uint16_t p16 = 0;
          in.U16At(at, &p16);
          pixel = p16;
        } else {
          in.U32At(at, &pixel);
        }
        dst[0] = red(pixel);
        dst[1] = green(pixel);
        dst[2] = blue(pixel);
      }
    }
  }
  return true;
}

// Walks an RLE stream to its end-of-bitmap mark: every index must lie inside the
// palette, deltas inside the image, and nothing may be drawn once the rows are used
// up. Indices go into `indices` (nothing is stored while it is empty, so a first walk
// only checks): rows of the width rounded up to 4, bottom row last, the way the
// earlier reader laid them out. So a run past the right edge fills that row's spare
// bytes and then carries on along the row below (common encoders write a row's
// padding as part of its last run), a delta moves on from where the run ended, and
// pixels the stream never sets keep index 0.
bool WalkRle(const ByteReader& in, const BmpHeader& h, uint64_t pitch, std::vector<uint8_t>* indices,
             std::string* error) {
  const bool four = h.compression == kCompressionRle4;
  uint64_t at = h.pixelOffset;
  int64_t x = 0, y = 0;   // rows counted from the bottom; x stops at the right edge
  uint64_t written = 0;   // the write position in the current row, not stopped there
  auto indexOk = [&](uint8_t index) { return index < h.colours; };
  // Stores `count` pixels alternating between `first` and `second`; whatever falls
  // past the last row is dropped without a step per pixel.
  auto put = [&](uint64_t count, uint8_t first, uint8_t second) {
    const uint64_t spot = static_cast<uint64_t>(h.height - 1 - y) * pitch + written;
    written += count;
    const uint64_t kept = spot < indices->size() ? std::min(count, indices->size() - spot) : 0;
    for (uint64_t i = 0; i < kept; ++i) (*indices)[spot + i] = i % 2 == 0 ? first : second;
  };
  for (;;) {
    uint8_t count = 0, value = 0;
    if (!in.U8At(at, &count) || !in.U8At(at + 1, &value)) return Fail(error, "truncated RLE data");
    at += 2;
    if (count > 0) {
      if (y >= h.height) return Fail(error, "RLE run leaves the image");
      // A 4-bit run alternates the two indices of its byte; a run of 1 uses only the high one.
      const bool ok = four ? indexOk(value >> 4) && (count == 1 || indexOk(value & 15)) : indexOk(value);
      if (!ok) return Fail(error, "palette index beyond the palette");
      put(count, four ? value >> 4 : value, four ? value & 15 : value);
      x = std::min<int64_t>(x + count, h.width);
    } else if (value == 0) {  // end of line
      x = 0;
      written = 0;
      if (y < h.height) ++y;
    } else if (value == 1) {  // end of bitmap
      return true;
    } else if (value == 2) {  // delta: move right and up
      uint8_t dx = 0, dy = 0;
      if (!in.U8At(at, &dx) || !in.U8At(at + 1, &dy)) return Fail(error, "truncated RLE data");
      at += 2;
      x += dx;
      written += dx;
      y += dy;
      if (x > h.width || y > h.height || (y == h.height && x > 0)) return Fail(error, "RLE delta leaves the image");
    } else {  // literal pixels, padded to a 16-bit boundary
      const uint64_t n = value;
      const uint64_t bytes = four ? (n + 1) / 2 : n;
      const uint64_t padded = (bytes + 1) / 2 * 2;
      if (y >= h.height) return Fail(error, "RLE run leaves the image");
      if (!in.HasAt(at, padded)) return Fail(error, "truncated RLE data");
      for (uint64_t i = 0; i < n; ++i) {
        uint8_t byte = 0;
        in.U8At(at + (four ? i / 2 : i), &byte);
        const uint8_t index = four ? ((i % 2 == 0) ? byte >> 4 : byte & 15) : byte;
        if (!indexOk(index)) return Fail(error, "palette index beyond the palette");
        put(1, index, index);
      }
      at += padded;
      x = std::min<int64_t>(x + static_cast<int64_t>(n), h.width);
    }
  }
}

// RLE pixels: checked first, so that a broken stream costs no picture-sized memory.
bool DecodeRle(const ByteReader& in, const BmpHeader& h, RgbImage* image, std::string* error) {
  const uint64_t pitch = (static_cast<uint64_t>(h.width) + 3) / 4 * 4;
  std::vector<uint8_t> indices;
  if (!WalkRle(in, h, pitch, &indices, error)) return false;
  indices.assign(pitch * static_cast<uint64_t>(h.height), 0);
  WalkRle(in, h, pitch, &indices, error);
  *image = NewImage(h);
  const std::vector<uint8_t> palette = ReadPalette(in, h);
  for (int64_t row = 0; row < h.height; ++row) {
    const uint8_t* src = &indices[static_cast<uint64_t>(row) * pitch];
    uint8_t* dst = PixelAt(*image, 0, row);
    for (int64_t column = 0; column < h.width; ++column, dst += 3) std::copy_n(&palette[src[column] * 3u], 3, dst);
  }
  return true;
}

}  // namespace

std::optional<RgbImage> DecodeBmp(const uint8_t* data, size_t size, std::string* error) {
  return DecodeBmp(data, size, error, kMaxImagePixels);
}

std::optional<RgbImage> DecodeBmp(const uint8_t* data, size_t size, std::string* error, int64_t maxPixels) {
  if (maxPixels > kMaxImagePixels) maxPixels = kMaxImagePixels;
  const ByteReader in(data, size);
  BmpHeader header;
  if (!ReadHeader(in, maxPixels, &header, error)) return std::nullopt;
  RgbImage image;
  const bool rle = header.compression == kCompressionRle8 || header.compression == kCompressionRle4;
  if (!(rle ? DecodeRle(in, header, &image, error) : DecodeRows(in, header, &image, error))) return std::nullopt;
  return image;
}

// [SECTION] Files

bool ReadImageFile(const char* file, uint64_t maxBytes, std::vector<uint8_t>* bytes, std::string* error) {
  const FileResult result = ReadWholeFile(file, maxBytes, bytes);
  switch (result.status) {
    case FileStatus::kRead: return true;
    case FileStatus::kCannotOpen: return Fail(error, "cannot open file");
    case FileStatus::kCannotRead: return Fail(error, result.error == EISDIR ? kFolderNotFile : "cannot read file");
    case FileStatus::kTooLarge: return Fail(error, "file too large");
  }
  return Fail(error, "cannot read file");
}

bool ReadBmpFile(const char* file, std::vector<uint8_t>* bytes, std::string* error) {
  return ReadImageFile(file, kMaxBmpFileBytes, bytes, error);
}

std::optional<RgbImage> LoadBmpFile(const char* file, std::string* error) {
  std::vector<uint8_t> bytes;
  if (!ReadBmpFile(file, &bytes, error)) return std::nullopt;
  return DecodeBmp(bytes.data(), bytes.size(), error);
}
