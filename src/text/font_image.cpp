// Targa font reading and the glyph grid. The reader checks the header in the order of
// the status codes and never reads past the data it is given.
#include "text/font_image.h"

#include <cerrno>
#include <utility>

#include "io/byte_reader.h"
#include "io/file_bytes.h"

namespace {

bool IsFontSide(int side) {
  for (int s = 2; s <= kFontMaxSide; s *= 2) {
    if (side == s) return true;
  }
  return false;
}

}  // namespace

int DecodeFontImage(const uint8_t* data, size_t size, FontImage* image) {
  const ByteReader in(data, size);
  if (!in.HasAt(0, kTgaHeaderBytes)) return kFontNoPixels;
  uint8_t idLength = 0, colourMapType = 0, imageType = 0, bits = 0, descriptor = 0;
  uint16_t width = 0, height = 0;
  in.U8At(0, &idLength);
  in.U8At(1, &colourMapType);
  in.U8At(2, &imageType);
  in.U16At(12, &width);
  in.U16At(14, &height);
  in.U8At(16, &bits);
  in.U8At(17, &descriptor);
  if (colourMapType != 0 || (imageType != 2 && imageType != 3)) return kFontBadType;
  if (!IsFontSide(width) || !IsFontSide(height)) return kFontBadSize;
  if (bits != 8 && bits != 24 && bits != 32) return kFontBadDepth;

  // The pixels follow the image-ID field, whose length the header's first byte gives.
  const size_t start = kTgaHeaderBytes + idLength;
  const size_t bytesPerPixel = static_cast<size_t>(bits / 8);
  const size_t rowBytes = static_cast<size_t>(width) * bytesPerPixel;
  const size_t count = rowBytes * static_cast<size_t>(height);
  if (!in.HasAt(start, count)) return kFontNoPixels;

  // Rows go bottom-up into the image, whatever corner the file starts in (descriptor
  // bit 5: first row at the top; bit 4: each row from the right).
  const bool topDown = (descriptor & 0x20) != 0;
  const bool rightToLeft = (descriptor & 0x10) != 0;
  FontImage out;
  out.width = width;
  out.height = height;
  out.pixels.resize(bits == 24 ? count / 3 * 4 : count);
  const size_t outPixelBytes = bits == 24 ? 4 : bytesPerPixel;
  for (size_t row = 0; row < height; ++row) {
    const uint8_t* from = data + start + (topDown ? height - 1 - row : row) * rowBytes;
    for (size_t column = 0; column < width; ++column) {
      const uint8_t* pixel = from + (rightToLeft ? width - 1 - column : column) * bytesPerPixel;
      uint8_t* to = &out.pixels[(row * width + column) * outPixelBytes];
      if (bits == 8) {
        to[0] = pixel[0];
        continue;
      }
      // Stored blue, green, red (, alpha).
      to[0] = pixel[2];
      to[1] = pixel[1];
      to[2] = pixel[0];
      // A 24-bit font has no alpha: black is transparent, as in the tree images
      // (red and green both 0), so the text is not drawn on opaque boxes.
      to[3] = bits == 32 ? pixel[3] : (pixel[2] == 0 && pixel[1] == 0 ? 0 : 255);
    }
  }
  out.format = bits == 8 ? FontPixelFormat::Alpha : FontPixelFormat::Rgba;
  *image = std::move(out);
  return kFontLoaded;
}

int ReadFontFile(const char* path, FontImage* image) {
  // No font needs more than its header and 512 x 512 x 4 bytes: a longer file is
  // decoded from its first bytes, and a read that fails part-way from what came in.
  constexpr uint64_t kMaxBytes = kTgaHeaderBytes + uint64_t{kFontMaxSide} * kFontMaxSide * 4;
  std::vector<uint8_t> bytes;
  const FileResult file = ReadWholeFile(path, kMaxBytes + 255, &bytes);  // with the longest ID field
  if (file.status == FileStatus::kCannotOpen) return kFontCannotOpen;
  if (file.error == EISDIR) return kFontIsFolder;
  return DecodeFontImage(bytes.data(), bytes.size(), image);
}

const char* FontStatusText(int status) {
  switch (status) {
    case kFontLoaded: return "loaded";
    case kFontCannotOpen: return "cannot open the file";
    case kFontBadType: return "not an uncompressed true-colour or grey Targa image without colour map";
    case kFontBadSize: return "width and height must be powers of two from 2 to 512";
    case kFontBadDepth: return "bits per pixel must be 8, 24 or 32";
    case kFontNoPixels: return "the file ends before all pixels are read";
    case kFontIsFolder: return kFolderNotFile;
    default: return "unknown failure";
  }
}

void BuildFontGrid(FontGrid* grid) {
  grid->rows = 16;
  grid->columns = 16;
  grid->cellWidth = 1.0f / static_cast<float>(grid->columns);
  grid->cellHeight = 1.0f / static_cast<float>(grid->rows);
  // Rows from the top of the texture downwards, cells left to right. The cell sizes
  // are powers of two, so the float steps are exact and give 256 entries; the bound
  // keeps the table safe whatever the arithmetic does.
  int entry = 0;
  for (float v = 1.0f - grid->cellHeight; v >= 0.0f && entry < 256; v -= grid->cellHeight) {
    for (float u = 0.0f; u <= 1.0f - grid->cellWidth && entry < 256; u += grid->cellWidth) {
      grid->glyphs[entry].u = u;
      grid->glyphs[entry].v = v;
      ++entry;
    }
  }
}
