// PNG decoding through libpng, on bytes in memory. libpng reports errors by calling a
// handler that must not return: ours keeps the message and jumps back to the one
// setjmp below. Between that setjmp and any jump there are only libpng's frames and
// functions without objects to destroy; every C++ object lives in DecodePng(), outside
// the jump, so nothing is skipped and libpng's structures are freed on every way out.
#include "textures/png_decode.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

#include "io/byte_reader.h"

namespace {

constexpr size_t kSignatureBytes = 8;

// What libpng's callbacks see: the bytes being read and the reason of a failure.
struct PngInput {
  const uint8_t* data;
  ByteReader in;
  char reason[128];
};

[[noreturn]] void OnError(png_structp png, png_const_charp text) {
  auto* input = static_cast<PngInput*>(png_get_error_ptr(png));
  std::snprintf(input->reason, sizeof input->reason, "%s", text);
  png_longjmp(png, 1);
}

// A warning (a damaged ancillary chunk, which libpng then skips) never stops the
// picture, and nothing of it reaches the terminal.
void OnWarning(png_structp, png_const_charp) {}

void OnRead(png_structp png, png_bytep out, size_t length) {
  auto* input = static_cast<PngInput*>(png_get_io_ptr(png));
  const uint64_t at = input->in.Position();
  if (!input->in.Skip(length)) png_error(png, "truncated PNG data");
  std::memcpy(out, input->data + at, length);
}

// Frees libpng's structures whichever way DecodePng() ends.
struct PngHandles {
  png_structp png = nullptr;
  png_infop info = nullptr;
  PngHandles() = default;
  PngHandles(const PngHandles&) = delete;
  PngHandles& operator=(const PngHandles&) = delete;
  ~PngHandles() {
    if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
  }
};

// Reads the header, sets the transforms and fills `image` row by row. Any libpng error
// jumps out of here; `row` and `image` belong to the caller. Interlaced pictures are
// read pass by pass into the one row buffer: each pass's row carries only the pixels
// of that pass, which are taken and the rest left, so no whole picture in libpng's
// layout is ever held.
void ReadPicture(png_structp png, png_infop info, int64_t maxPixels, std::vector<uint8_t>* row,
                 SampleImage* image) {
  // The pixel count below is the limit; libpng's own (a million per side) would refuse
  // long thin pictures that fit it.
  png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
  // Only the header, palette, transparency and pixels count. libpng would allocate a
  // text or profile chunk's whole length, as the file claims it, before reading it;
  // skipped chunks are read through a small buffer instead.
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
  png_read_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  if (static_cast<uint64_t>(width) * height > static_cast<uint64_t>(maxPixels)) png_error(png, "image too large");
  const png_byte colourType = png_get_color_type(png, info);
  if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colourType == PNG_COLOR_TYPE_GRAY && png_get_bit_depth(png, info) < 8) png_set_expand_gray_1_2_4_to_8(png);
  png_set_strip_alpha(png);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);

  // After the transforms: grey (1 channel) or RGB (3), should alpha survive anyway
  // it is the last channel and never read. Big-endian samples of 8 or 16 bits.
  const size_t channels = png_get_channels(png, info);
  const size_t sampleBytes = png_get_bit_depth(png, info) == 16 ? 2 : 1;
  const size_t used = channels >= 3 ? 2 : 0;  // blue, or the grey level
  const size_t pixelBytes = channels * sampleBytes;
  if (png_get_rowbytes(png, info) < pixelBytes * width) png_error(png, "unexpected row layout");
  row->resize(png_get_rowbytes(png, info));
  image->width = static_cast<int32_t>(width);
  image->height = static_cast<int32_t>(height);
  image->maxValue = sampleBytes == 2 ? 65535 : 255;
  image->samples.assign(static_cast<size_t>(width) * height, 0);

  for (int pass = 0; pass < passes; ++pass) {
    for (png_uint_32 y = 0; y < height; ++y) {
      png_read_row(png, row->data(), nullptr);
      if (passes > 1 && !PNG_ROW_IN_INTERLACE_PASS(y, pass)) continue;
      uint16_t* out = &image->samples[static_cast<size_t>(y) * width];
      for (png_uint_32 x = 0; x < width; ++x) {
        if (passes > 1 && !PNG_COL_IN_INTERLACE_PASS(x, pass)) continue;
        const uint8_t* s = row->data() + x * pixelBytes + used * sampleBytes;
        out[x] = static_cast<uint16_t>(sampleBytes == 2 ? s[0] << 8 | s[1] : s[0]);
      }
    }
  }
  // The rest of the file must be whole too: a cut or a broken checksum after the
  // pixels still marks a damaged file.
  png_read_end(png, nullptr);
}

// The jump target of every libpng error. Nothing here has a destructor.
bool ReadProtected(png_structp png, png_infop info, int64_t maxPixels, std::vector<uint8_t>* row,
                   SampleImage* image) {
  if (setjmp(png_jmpbuf(png))) return false;
  ReadPicture(png, info, maxPixels, row, image);
  return true;
}

std::optional<SampleImage> Fail(std::string* error, const char* reason) {
  if (error) *error = reason;
  return std::nullopt;
}

}  // namespace

bool IsPng(const uint8_t* data, size_t size) {
  return data != nullptr && size >= kSignatureBytes && png_sig_cmp(data, 0, kSignatureBytes) == 0;
}

std::optional<SampleImage> DecodePng(const uint8_t* data, size_t size, std::string* error, int64_t maxPixels) {
  if (!IsPng(data, size)) return Fail(error, "not a PNG file");
  maxPixels = std::min(maxPixels, kMaxImagePixels);
  PngInput input{data, ByteReader(data, size), {}};
  PngHandles handles;
  handles.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &input, OnError, OnWarning);
  if (handles.png) handles.info = png_create_info_struct(handles.png);
  if (!handles.info) return Fail(error, "out of memory");
  png_set_read_fn(handles.png, &input, OnRead);
  SampleImage image;
  std::vector<uint8_t> row;
  try {
    if (!ReadProtected(handles.png, handles.info, maxPixels, &row, &image)) return Fail(error, input.reason);
  } catch (const std::bad_alloc&) {
    return Fail(error, "out of memory");
  }
  return image;
}
