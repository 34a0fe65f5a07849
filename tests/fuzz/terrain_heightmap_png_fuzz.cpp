// Feeds arbitrary bytes to the PNG height-map decoder and the terrain (a 17 x 9 sample
// grid): a refused file gives the plateau, a decoded one samples within its maximum,
// and every height lies between 0 and full height. The input is also decoded with
// every chunk's checksum put right, so that mutations reach the pixels and the
// transforms instead of stopping at the first checksum.
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "terrain/terrain.h"
#include "textures/png_decode.h"

namespace {

uint32_t BigEndian(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

// Chunks after the signature: length, type, data, checksum over type and data.
std::vector<uint8_t> WithChecksumsFixed(const uint8_t* data, size_t size) {
  std::vector<uint8_t> out(data, data + size);
  for (size_t at = 8; at + 12 <= out.size();) {
    const uint64_t length = BigEndian(&out[at]);
    if (length > out.size() - at - 12) break;
    const uLong crc = crc32(0, &out[at + 4], uInt(length + 4));
    for (int i = 0; i < 4; ++i) out[at + 8 + length + size_t(i)] = uint8_t(crc >> (24 - 8 * i));
    at += 12 + length;
  }
  return out;
}

void Check(const uint8_t* data, size_t size) {
  Terrain terrain;
  terrain.SetStepSize(0.5f);
  terrain.SetHeightScaling(3.0f);
  const float top = 1.5f;
  // Pictures are capped at a million pixels so that a header promising a huge one only
  // costs time, not a finding.
  std::string reason;
  const std::optional<SampleImage> image = DecodePng(data, size, &reason, int64_t{1} << 20);
  if (image) {
    const bool full = image->maxValue == 65535 || std::all_of(image->samples.begin(), image->samples.end(),
                                                                [](uint16_t s) { return s <= 255; });
    if (!full || image->samples.size() != size_t(image->width) * size_t(image->height)) std::abort();
  } else if (reason.empty()) {
    std::abort();
  }
  if (!terrain.BuildHeightFieldFromImage(image ? &*image : nullptr, 17, 9)) std::abort();
  for (uint32_t i = 0; i <= 16; ++i) {
    for (uint32_t j = 0; j <= 8; ++j) {
      const float h = terrain.Sample(i, j);
      if (!(h >= 0.0f && h <= top * 1.00001f) || (!image && h != terrain.Sample(16, 8))) std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Check(data, size);
  const std::vector<uint8_t> fixed = WithChecksumsFixed(data, size);
  Check(fixed.data(), fixed.size());
  return 0;
}
