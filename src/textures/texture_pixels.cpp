// Bottom-up RGB and colour-keyed RGBA buffers from a top-down decoded picture.
#include "textures/texture_pixels.h"

#include <algorithm>
#include <cstring>

namespace {

bool Consistent(const RgbImage& image) {
  if (image.width <= 0 || image.height <= 0) return false;
  const uint64_t expected = uint64_t{static_cast<uint32_t>(image.width)} * static_cast<uint32_t>(image.height) * 3;
  return expected == image.pixels.size();
}

}  // namespace

std::vector<uint8_t> BottomUpRgb(const RgbImage& image) {
  if (!Consistent(image)) return {};
  const size_t rowBytes = static_cast<size_t>(image.width) * 3;
  std::vector<uint8_t> out(image.pixels.size());
  for (int32_t t = 0; t < image.height; ++t) {
    std::memcpy(&out[static_cast<size_t>(t) * rowBytes], image.Pixel(0, image.height - 1 - t), rowBytes);
  }
  return out;
}

std::vector<uint8_t> BottomUpColourKeyedRgba(const RgbImage& image) {
  if (!Consistent(image)) return {};
  std::vector<uint8_t> out(static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 4);
  uint8_t* dst = out.data();
  for (int32_t t = 0; t < image.height; ++t) {
    for (int32_t x = 0; x < image.width; ++x) {
      const uint8_t* p = image.Pixel(x, image.height - 1 - t);
      dst[0] = p[0];
      dst[1] = p[1];
      dst[2] = p[2];
      dst[3] = (p[0] == 0 && p[1] == 0) ? 0 : 255;
      dst += 4;
    }
  }
  return out;
}

int32_t PowerOfTwoSize(int32_t size, int32_t maxSize) {
  int64_t lower = 1;
  while (lower * 2 <= size) lower *= 2;
  int64_t chosen = (size - lower < lower * 2 - size) ? lower : lower * 2;
  if (size <= 1) chosen = 1;
  while (chosen > maxSize && chosen > 1) chosen /= 2;
  return static_cast<int32_t>(chosen);
}

namespace {

// One pass along one axis: `count` lines of `inLength` samples become `outLength`
// samples, each the coverage-weighted mean of the source samples under it.
// `along` is the distance between neighbouring samples, `across` between lines.
void ResampleAxis(const std::vector<uint8_t>& in, std::vector<uint8_t>& out, int64_t inLength, int64_t outLength,
                  int64_t count, int components, size_t inAlong, size_t inAcross, size_t outAlong,
                  size_t outAcross) {
  const double scale = static_cast<double>(inLength) / static_cast<double>(outLength);
  for (int64_t o = 0; o < outLength; ++o) {
    const double start = static_cast<double>(o) * scale;
    const double end = static_cast<double>(o + 1) * scale;
    const int64_t first = static_cast<int64_t>(start);
    int64_t last = static_cast<int64_t>(end);
    if (last >= inLength) last = inLength - 1;
    for (size_t line = 0; line < static_cast<size_t>(count); ++line) {
      for (size_t c = 0; c < static_cast<size_t>(components); ++c) {
        double sum = 0.0;
        for (int64_t i = first; i <= last; ++i) {
          const double cover = std::min(end, static_cast<double>(i + 1)) - std::max(start, static_cast<double>(i));
          if (cover > 0) sum += cover * in[line * inAcross + static_cast<size_t>(i) * inAlong + c];
        }
        const double mean = sum / (end - start) + 0.5;
        const size_t at = line * outAcross + static_cast<size_t>(o) * outAlong + c;
        out[at] = static_cast<uint8_t>(mean >= 255.0 ? 255 : mean);
      }
    }
  }
}

}  // namespace

std::vector<uint8_t> ResampleImage(const std::vector<uint8_t>& pixels, int32_t width, int32_t height,
                                   int components, int32_t newWidth, int32_t newHeight) {
  if (width <= 0 || height <= 0 || newWidth <= 0 || newHeight <= 0 || components <= 0) return {};
  const size_t comps = static_cast<size_t>(components);
  if (uint64_t{static_cast<uint32_t>(width)} * static_cast<uint32_t>(height) * comps != pixels.size()) return {};
  if (width == newWidth && height == newHeight) return pixels;

  // Rows first (width changes), then columns (height changes).
  std::vector<uint8_t> wide(static_cast<size_t>(newWidth) * static_cast<size_t>(height) * comps);
  ResampleAxis(pixels, wide, width, newWidth, height, components, comps, static_cast<size_t>(width) * comps, comps,
               static_cast<size_t>(newWidth) * comps);
  std::vector<uint8_t> out(static_cast<size_t>(newWidth) * static_cast<size_t>(newHeight) * comps);
  const size_t rowOut = static_cast<size_t>(newWidth) * comps;
  ResampleAxis(wide, out, height, newHeight, newWidth, components, rowOut, comps, rowOut, comps);
  return out;
}
