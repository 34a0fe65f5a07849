// BMP decoding: the headers are checked here with a bounds-checked byte reader, so
// that SDL's BMP reader only ever sees files whose sizes, offsets, palettes and RLE
// streams stay inside the bytes given and inside the image. SDL then decodes and
// converts to RGB24. No video or event part of SDL is used.
#include "textures/bmp_decode.h"

#include <SDL_error.h>
#include <SDL_pixels.h>
#include <SDL_rwops.h>
#include <SDL_surface.h>

#include <climits>
#include <algorithm>
#include <cstring>
#include <fstream>
#include <memory>

namespace {

// [SECTION] Byte reader

// Little-endian reads at absolute offsets; every read says whether it fitted.
class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool Has(uint64_t at, uint64_t count) const { return at <= size_ && count <= size_ - at; }
  bool U8(uint64_t at, uint8_t* out) const {
    if (!Has(at, 1)) return false;
    *out = data_[at];
    return true;
  }
  bool U16(uint64_t at, uint16_t* out) const {
    if (!Has(at, 2)) return false;
    *out = static_cast<uint16_t>(data_[at] | (data_[at + 1] << 8));
    return true;
  }
  bool U32(uint64_t at, uint32_t* out) const {
    if (!Has(at, 4)) return false;
    *out = static_cast<uint32_t>(data_[at]) | (static_cast<uint32_t>(data_[at + 1]) << 8) |
           (static_cast<uint32_t>(data_[at + 2]) << 16) | (static_cast<uint32_t>(data_[at + 3]) << 24);
    return true;
  }
  bool S32(uint64_t at, int32_t* out) const {
    uint32_t u = 0;
    if (!U32(at, &u)) return false;
    int32_t s;
    std::memcpy(&s, &u, sizeof s);
    *out = s;
    return true;
  }
  size_t size() const { return size_; }

 private:
  const uint8_t* data_;
  size_t size_;
};

// [SECTION] Header

constexpr uint32_t kCompressionNone = 0;
constexpr uint32_t kCompressionRle8 = 1;
constexpr uint32_t kCompressionRle4 = 2;
constexpr uint32_t kCompressionBitfields = 3;

struct BmpHeader {
  uint32_t pixelOffset = 0;
  uint32_t infoSize = 0;
  int64_t width = 0;
  int64_t height = 0;  // absolute value
  bool topDown = false;
  uint16_t bitCount = 0;
  uint32_t compression = kCompressionNone;
  uint32_t colours = 0;  // palette entries, palette images only
};

bool Fail(std::string* error, const char* reason) {
  if (error) *error = reason;
  return false;
}

// Reads and checks everything up to the start of the pixel data.
bool ReadHeader(const ByteReader& in, int64_t maxPixels, BmpHeader* h, std::string* error) {
  uint8_t b = 0, m = 0;
  if (!in.U8(0, &b) || !in.U8(1, &m) || b != 'B' || m != 'M') return Fail(error, "not a BMP file");
  uint32_t infoSize = 0;
  if (!in.U32(10, &h->pixelOffset) || !in.U32(14, &infoSize)) return Fail(error, "file shorter than its headers");
  if (infoSize != 12 && infoSize != 40 && infoSize != 56 && infoSize != 108 && infoSize != 124) {
    return Fail(error, "unsupported header size");
  }
  h->infoSize = infoSize;
  if (!in.Has(14, infoSize)) return Fail(error, "file shorter than its headers");

  uint16_t planes = 0;
  uint32_t coloursUsed = 0;
  if (infoSize == 12) {
    // The old short header: 16-bit unsigned sizes, no compression, 3-byte palette entries.
    uint16_t w = 0, hgt = 0;
    in.U16(18, &w);
    in.U16(20, &hgt);
    in.U16(22, &planes);
    in.U16(24, &h->bitCount);
    h->width = w;
    h->height = hgt;
  } else {
    int32_t w = 0, hgt = 0;
    in.S32(18, &w);
    in.S32(22, &hgt);
    in.U16(26, &planes);
    in.U16(28, &h->bitCount);
    in.U32(30, &h->compression);
    in.U32(46, &coloursUsed);
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
      if (bits != 16 && bits != 32) return Fail(error, "bit fields need 16 or 32 bits per pixel");
      break;
    default:
      return Fail(error, "unsupported compression");
  }
  if ((h->compression == kCompressionRle8 || h->compression == kCompressionRle4) && h->topDown) {
    return Fail(error, "top-down RLE image");
  }

  // Everything between the file header and the pixels: info header, the three
  // colour masks that follow a 40-byte header with bit fields, and the palette.
  uint64_t headersEnd = 14 + uint64_t{infoSize};
  if (infoSize == 40 && h->compression == kCompressionBitfields) headersEnd += 12;
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

// [SECTION] Pixel data checks

uint64_t RowBytes(const BmpHeader& h) { return (uint64_t{h.bitCount} * static_cast<uint64_t>(h.width) + 31) / 32 * 4; }

// Uncompressed palette pixels must index the palette the file has.
bool CheckPaletteIndices(const ByteReader& in, const BmpHeader& h, std::string* error) {
  if (h.colours >= (1u << h.bitCount)) return true;
  const uint64_t rowBytes = RowBytes(h);
  const int perByte = 8 / h.bitCount;
  const uint8_t mask = static_cast<uint8_t>((1u << h.bitCount) - 1);
  for (int64_t row = 0; row < h.height; ++row) {
    const uint64_t rowStart = h.pixelOffset + static_cast<uint64_t>(row) * rowBytes;
    for (int64_t x = 0; x < h.width; ++x) {
      uint8_t byte = 0;
      in.U8(rowStart + static_cast<uint64_t>(x / perByte), &byte);
      const int shift = 8 - h.bitCount * (1 + static_cast<int>(x % perByte));
      if (((byte >> shift) & mask) >= h.colours) return Fail(error, "palette index beyond the palette");
    }
  }
  return true;
}

// Walks an RLE stream to its end-of-bitmap mark (or the end of the file): every
// index must lie inside the palette, deltas inside the image, and nothing may be
// drawn once the rows are used up. A run or literal that reaches past the right edge
// is clipped there, as the decoder does: common encoders write a row's padding bytes
// as part of its last run.
bool CheckRle(const ByteReader& in, const BmpHeader& h, std::string* error) {
  const bool four = h.compression == kCompressionRle4;
  uint64_t at = h.pixelOffset;
  int64_t x = 0, y = 0;
  auto indexOk = [&](uint8_t index) { return index < h.colours; };
  while (in.Has(at, 2)) {
    uint8_t count = 0, value = 0;
    in.U8(at, &count);
    in.U8(at + 1, &value);
    at += 2;
    if (count > 0) {
      if (y >= h.height) return Fail(error, "RLE run leaves the image");
      // A 4-bit run alternates the two indices of its byte; a run of 1 uses only the high one.
      const bool ok = four ? indexOk(value >> 4) && (count == 1 || indexOk(value & 15)) : indexOk(value);
      if (!ok) return Fail(error, "palette index beyond the palette");
      x = std::min<int64_t>(x + count, h.width);
    } else if (value == 0) {  // end of line
      x = 0;
      if (y < h.height) ++y;
    } else if (value == 1) {  // end of bitmap
      return true;
    } else if (value == 2) {  // delta: move right and up
      uint8_t dx = 0, dy = 0;
      if (!in.U8(at, &dx) || !in.U8(at + 1, &dy)) return Fail(error, "truncated RLE data");
      at += 2;
      x += dx;
      y += dy;
      if (x > h.width || y > h.height || (y == h.height && x > 0)) return Fail(error, "RLE delta leaves the image");
    } else {  // literal pixels, padded to a 16-bit boundary
      const uint64_t n = value;
      const uint64_t bytes = four ? (n + 1) / 2 : n;
      if (y >= h.height) return Fail(error, "RLE run leaves the image");
      if (!in.Has(at, bytes)) return Fail(error, "truncated RLE data");
      for (uint64_t i = 0; i < n; ++i) {
        uint8_t byte = 0;
        in.U8(at + (four ? i / 2 : i), &byte);
        const uint8_t index = four ? ((i % 2 == 0) ? byte >> 4 : byte & 15) : byte;
        if (!indexOk(index)) return Fail(error, "palette index beyond the palette");
      }
      at += (bytes + 1) / 2 * 2;
      x = std::min<int64_t>(x + static_cast<int64_t>(n), h.width);
    }
  }
  // No end mark: the decoder stops at the end of the data.
  return true;
}

bool CheckPixelData(const ByteReader& in, const BmpHeader& h, std::string* error) {
  if (h.compression == kCompressionRle8 || h.compression == kCompressionRle4) return CheckRle(in, h, error);
  const uint64_t end = uint64_t{h.pixelOffset} + RowBytes(h) * static_cast<uint64_t>(h.height);
  if (end > in.size()) return Fail(error, "truncated pixel data");
  if (h.bitCount <= 8) return CheckPaletteIndices(in, h, error);
  return true;
}

// [SECTION] SDL decoding

struct SurfaceDeleter {
  void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
using SurfacePtr = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

}  // namespace

std::optional<RgbImage> DecodeBmp(const uint8_t* data, size_t size, std::string* error) {
  return DecodeBmp(data, size, error, kMaxImagePixels);
}

std::optional<RgbImage> DecodeBmp(const uint8_t* data, size_t size, std::string* error, int64_t maxPixels) {
  if (data == nullptr) size = 0;
  if (maxPixels > kMaxImagePixels) maxPixels = kMaxImagePixels;
  const ByteReader in(data, size);
  BmpHeader header;
  if (!ReadHeader(in, maxPixels, &header, error) || !CheckPixelData(in, header, error)) return std::nullopt;
  if (size > static_cast<size_t>(INT_MAX)) {
    Fail(error, "file too large");
    return std::nullopt;
  }

  SDL_RWops* rw = SDL_RWFromConstMem(data, static_cast<int>(size));
  if (rw == nullptr) {
    Fail(error, "out of memory");
    return std::nullopt;
  }
  SurfacePtr loaded(SDL_LoadBMP_RW(rw, 1));
  if (!loaded) {
    if (error) *error = std::string("cannot decode: ") + SDL_GetError();
    return std::nullopt;
  }
  // Whatever format SDL chose (palette, 16-bit, 32-bit with masks), convert it.
  SurfacePtr rgb(SDL_ConvertSurfaceFormat(loaded.get(), SDL_PIXELFORMAT_RGB24, 0));
  if (!rgb) {
    if (error) *error = std::string("cannot convert: ") + SDL_GetError();
    return std::nullopt;
  }
  if (rgb->w != header.width || rgb->h != header.height || rgb->pitch < rgb->w * 3) {
    Fail(error, "decoded size differs from the header");
    return std::nullopt;
  }

  RgbImage image;
  image.width = rgb->w;
  image.height = rgb->h;
  const size_t rowBytes = static_cast<size_t>(rgb->w) * 3;
  image.pixels.resize(rowBytes * static_cast<size_t>(rgb->h));
  const auto* src = static_cast<const uint8_t*>(rgb->pixels);
  for (int row = 0; row < rgb->h; ++row) {
    std::memcpy(&image.pixels[row * rowBytes], src + static_cast<size_t>(row) * static_cast<size_t>(rgb->pitch),
                rowBytes);
  }
  return image;
}

// [SECTION] Files

bool ReadWholeFile(const char* file, std::vector<uint8_t>* bytes, std::string* error) {
  std::ifstream in(file ? file : "", std::ios::binary);
  if (!in) return Fail(error, "cannot open file");
  in.seekg(0, std::ios::end);
  const std::streamoff length = in.tellg();
  if (length < 0) return Fail(error, "cannot read file");
  if (static_cast<uint64_t>(length) > kMaxFileBytes) return Fail(error, "file too large");
  in.seekg(0, std::ios::beg);
  bytes->resize(static_cast<size_t>(length));
  if (length > 0 && !in.read(reinterpret_cast<char*>(bytes->data()), length)) return Fail(error, "cannot read file");
  return true;
}

std::optional<RgbImage> LoadBmpFile(const char* file, std::string* error) {
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(file, &bytes, error)) return std::nullopt;
  return DecodeBmp(bytes.data(), bytes.size(), error);
}
