// The height field: grid sizes and their memory, heights from the height-map picture,
// the two triangles of every cell with their face normals, the averaged vertex
// normals, and the height queries. No OpenGL here (see terrain_mesh.cpp).
#include <algorithm>
#include <cassert>
#include <cctype>
#include <cmath>
#include <cstring>
#include <new>
#include <optional>
#include <utility>

#include "io/installed_memory.h"
#include "log/log.h"
#include "terrain/terrain.h"
#include "textures/bmp_decode.h"
#include "textures/png_decode.h"

namespace {

constexpr uint64_t kMegabyte = uint64_t{1024} * 1024;

// Bytes of one mesh vertex in its buffer: texture coordinate, normal and position
// as floats.
constexpr uint64_t kVertexBytes = 8 * sizeof(float);

std::string MemoryError(int32_t samplesX, int32_t samplesY, uint64_t needed, uint64_t available) {
  return "a world of " + std::to_string(samplesX) + " x " + std::to_string(samplesY) +
         " samples needs " + std::to_string((needed + kMegabyte - 1) / kMegabyte) +
         " MB of memory; only " + std::to_string(available / kMegabyte) + " MB are available";
}

void SetError(std::string* error, const std::string& text) {
  if (error) *error = text;
}

// [SECTION] Height-map pictures

// The height-map picture as one of the two decoders gives it (neither: unusable).
struct HeightPicture {
  std::optional<RgbImage> bmp;
  std::optional<SampleImage> png;
};

// A name ending in ".png", in any case.
bool NamedPng(const char* name) {
  const size_t length = name ? std::strlen(name) : 0;
  if (length < 4) return false;
  const char* tail = name + length - 4;
  return tail[0] == '.' && std::tolower(static_cast<unsigned char>(tail[1])) == 'p' &&
         std::tolower(static_cast<unsigned char>(tail[2])) == 'n' &&
         std::tolower(static_cast<unsigned char>(tail[3])) == 'g';
}

// The first bytes decide the format: a PNG by its signature, anything else goes to the
// bitmap decoder. A file that is neither is "not a PNG file" when its name says PNG.
HeightPicture DecodeHeightMap(const uint8_t* data, size_t size, const char* name, std::string* reason) {
  HeightPicture picture;
  if (IsPng(data, size)) {
    picture.png = DecodePng(data, size, reason);
  } else {
    picture.bmp = DecodeBmp(data, size, reason);
    if (!picture.bmp && NamedPng(name) && *reason == "not a BMP file") *reason = "not a PNG file";
  }
  return picture;
}

// A picture's height-map sample at column i, row j, the value that stands for full
// height, and how many pixels its storage holds: a bitmap's blue out of 255, a sample
// image's samples out of their own maximum.
uint32_t SampleAt(const RgbImage& image, uint32_t i, uint32_t j) {
  return image.Pixel(static_cast<int32_t>(i), static_cast<int32_t>(j))[2];
}
uint32_t SampleAt(const SampleImage& image, uint32_t i, uint32_t j) {
  return image.At(static_cast<int32_t>(i), static_cast<int32_t>(j));
}
uint32_t FullValue(const RgbImage&) { return 255; }
uint32_t FullValue(const SampleImage& image) { return std::max<uint32_t>(image.maxValue, 1); }
uint64_t StoredPixels(const RgbImage& image) { return image.pixels.size() / 3; }
uint64_t StoredPixels(const SampleImage& image) { return image.samples.size(); }

}  // namespace

// [SECTION] Configuration

void Terrain::SetHeightScaling(float value) {
  if (!std::isfinite(value)) return;
  heightScaling = value;
}

void Terrain::SetStepSize(float value) {
  // Written so that NaN fails the test.
  if (value > 0.0f && value < 1000.0f) stepSize = value;
}

// [SECTION] Sizes and memory

uint64_t Terrain::BytesNeeded(int32_t samplesX, int32_t samplesY, bool withMesh) {
  const uint64_t sx = static_cast<uint64_t>(std::max(samplesX, 1));
  const uint64_t sy = static_cast<uint64_t>(std::max(samplesY, 1));
  const uint64_t samples = sx * sy;
  const uint64_t cellCount = (sx - 1) * (sy - 1);
  uint64_t bytes = samples * (sizeof(float) + sizeof(Float3));
  if (withMesh) {
    // A patch holds at most kPatchSize + 2 vertex rows and columns (a texture seam
    // doubles one of each), and six 16-bit indices per cell.
    const uint64_t patchCount = ((sx - 1) / kPatchSize + 1) * ((sy - 1) / kPatchSize + 1);
    const uint64_t side = kPatchSize + 2;
    bytes += patchCount * (side * side * kVertexBytes + sizeof(TerrainPatch)) + cellCount * 6 * sizeof(uint16_t);
  }
  return bytes;
}

void Terrain::Clear() {
  heights = std::vector<float>();
  normals = std::vector<Float3>();
  // The mesh no longer matches; its buffers stay for BuildMesh() to replace.
  patches = std::vector<TerrainPatch>();
  cellsX = 0;
  cellsY = 0;
}

bool Terrain::CheckSamples(const char* key, int32_t value, std::string* error, const std::string& written) {
  if (value >= kMinSamples && value <= kMaxSamples) return true;
  const std::string shown = written.empty() ? std::to_string(value) : written;
  SetError(error, std::string(key) + " is " + shown + "; it must be between " + std::to_string(kMinSamples) +
                      " and " + std::to_string(kMaxSamples) + " samples");
  return false;
}

bool Terrain::Allocate(int16_t samplesX, int16_t samplesY, bool withMesh, std::string* error) {
  Clear();
  if (!CheckSamples("World/WorldSizeX", samplesX, error) || !CheckSamples("World/WorldSizeY", samplesY, error)) {
    return false;
  }
  const uint64_t needed = BytesNeeded(samplesX, samplesY, withMesh);
  const uint64_t available = memoryLimit != 0 ? memoryLimit : InstalledMemoryBytes();
  if (needed > available) {
    SetError(error, MemoryError(samplesX, samplesY, needed, available));
    return false;
  }
  try {
    const size_t samples = static_cast<size_t>(samplesX) * static_cast<size_t>(samplesY);
    heights.assign(samples, 0.0f);
    normals.assign(samples, Float3{0.0f, 0.0f, 0.0f});
  } catch (const std::bad_alloc&) {
    Clear();
    SetError(error, MemoryError(samplesX, samplesY, needed, available));
    return false;
  }
  cellsX = static_cast<uint32_t>(samplesX - 1);
  cellsY = static_cast<uint32_t>(samplesY - 1);
  return true;
}

// [SECTION] Building the height field

bool Terrain::Prepare(int16_t samplesX, int16_t samplesY, bool withMesh, std::string* error) {
  // A product this large would turn every height into infinity or NaN.
  if (!std::isfinite(stepSize * heightScaling)) {
    Clear();
    SetError(error, "World/HeightScaling is " + std::to_string(heightScaling) +
                        "; with a step of " + std::to_string(stepSize) +
                        " the heights do not fit in a float");
    return false;
  }
  return Allocate(samplesX, samplesY, withMesh, error);
}

bool Terrain::BuildFromFile(const char* heightMapFile, int16_t samplesX, int16_t samplesY,
                            bool withMesh, std::string* error) {
  if (!Prepare(samplesX, samplesY, withMesh, error)) return false;
  HeightPicture picture;
  // No name means that no height map is wanted: the plateau, without a word.
  if (heightMapFile && heightMapFile[0] != '\0') {
    std::string reason;
    std::vector<uint8_t> bytes;
    if (ReadImageFile(heightMapFile, std::max(kMaxBmpFileBytes, kMaxPngFileBytes), &bytes, &reason)) {
      picture = DecodeHeightMap(bytes.data(), bytes.size(), heightMapFile, &reason);
    }
    if (!picture.bmp && !picture.png) {
      Log("height map", QuotedFile(heightMapFile),
          "cannot be used (" + reason + "); the ground is level at full height");
    }
  }
  if (picture.png) {
    LoadHeightMap(&*picture.png);
  } else {
    LoadHeightMap(picture.bmp ? &*picture.bmp : nullptr);
  }
  BuildTriangles();
  return true;
}

bool Terrain::BuildHeightField(const char* heightMapFile, int16_t samplesX, int16_t samplesY,
                               std::string* error) {
  return BuildFromFile(heightMapFile, samplesX, samplesY, false, error);
}

bool Terrain::BuildHeightFieldFromImage(const RgbImage* image, int16_t samplesX,
                                        int16_t samplesY, std::string* error) {
  if (!Prepare(samplesX, samplesY, false, error)) return false;
  LoadHeightMap(image);
  BuildTriangles();
  return true;
}

bool Terrain::BuildHeightFieldFromImage(const SampleImage* image, int16_t samplesX,
                                        int16_t samplesY, std::string* error) {
  if (!Prepare(samplesX, samplesY, false, error)) return false;
  LoadHeightMap(image);
  BuildTriangles();
  return true;
}

bool Terrain::BuildHeightFieldFromBytes(const uint8_t* data, size_t size, int16_t samplesX,
                                        int16_t samplesY, std::string* error) {
  std::string reason;
  HeightPicture picture;
  if (data) picture = DecodeHeightMap(data, size, nullptr, &reason);
  if (picture.png) return BuildHeightFieldFromImage(&*picture.png, samplesX, samplesY, error);
  return BuildHeightFieldFromImage(picture.bmp ? &*picture.bmp : nullptr, samplesX, samplesY, error);
}

template <typename Image>
void Terrain::LoadHeightMap(const Image* image) {
  // Every sample is one of full + 1 values; the table keeps the exact arithmetic
  // value / (full / (step * scaling)) in floats, full being 255 for a bitmap's blue
  // and for the plateau.
  const uint32_t full = image ? FullValue(*image) : 255;
  std::vector<float> level(full + 1);
  const float divisor = static_cast<float>(full) / (stepSize * heightScaling);
  for (uint32_t value = 0; value <= full; ++value) level[value] = static_cast<float>(value) / divisor;

  // Column i of the image runs along the first index (world z), row j counted from
  // the top along the second (world x). Pixels the image does not have read as full.
  uint32_t width = 0;
  uint32_t height = 0;
  if (image && image->width > 0 && image->height > 0 &&
      StoredPixels(*image) / static_cast<uint64_t>(image->width) >= static_cast<uint64_t>(image->height)) {
    width = static_cast<uint32_t>(image->width);
    height = static_cast<uint32_t>(image->height);
  }
  for (uint32_t i = 0; i <= cellsX; ++i) {
    for (uint32_t j = 0; j <= cellsY; ++j) {
      uint32_t value = full;
      if (i < width && j < height) value = std::min(SampleAt(*image, i, j), full);
      heights[Index(i, j)] = level[value];
    }
  }
}

TerrainCell Terrain::Cell(uint32_t i, uint32_t j) const {
  assert(i < cellsX && j < cellsY && "cell index outside the grid");
  TerrainCell cell;
  TerrainTriangle& first = cell.triangles[0];
  first.P1 = Corner(i, j);
  first.P2 = Corner(i + 1, j + 1);
  first.P3 = Corner(i, j + 1);
  first.ComputeNormal();
  TerrainTriangle& second = cell.triangles[1];
  second.P1 = Corner(i + 1, j);
  second.P2 = Corner(i + 1, j + 1);
  second.P3 = Corner(i, j);
  second.ComputeNormal();
  return cell;
}

void Terrain::BuildTriangles() {
  // Face normals of one row of cells: [2 * j] the first triangle of cell j, [2 * j + 1]
  // the second. Two rows are kept, the one before sample row i and the one after it.
  std::vector<Float3> before(2 * static_cast<size_t>(cellsY));
  std::vector<Float3> after(2 * static_cast<size_t>(cellsY));
  // The triangles of Cell(i, j), with the corners read straight from the two sample
  // rows of the cell row: the same points and the same normal arithmetic, without
  // the per-corner index checks and copies.
  TerrainTriangle first;
  TerrainTriangle second;
  auto faceRow = [&](uint32_t i, std::vector<Float3>& faces) {
    const float* near = &heights[Index(i, 0)];
    const float* far = &heights[Index(i + 1, 0)];
    const float z0 = static_cast<float>(i) * stepSize;
    const float z1 = static_cast<float>(i + 1) * stepSize;
    for (uint32_t j = 0; j < cellsY; ++j) {
      const float x0 = static_cast<float>(j) * stepSize;
      const float x1 = static_cast<float>(j + 1) * stepSize;
      first.P1 = Float3{x0, near[j], z0};      // P(i, j)
      first.P2 = Float3{x1, far[j + 1], z1};   // P(i+1, j+1)
      first.P3 = Float3{x1, near[j + 1], z0};  // P(i, j+1)
      first.ComputeNormal();
      second.P1 = Float3{x0, far[j], z1};      // P(i+1, j)
      second.P2 = first.P2;                    // P(i+1, j+1)
      second.P3 = first.P1;                    // P(i, j)
      second.ComputeNormal();
      faces[2 * j] = first.Normal;
      faces[2 * j + 1] = second.Normal;
    }
  };

  // Vertex normals: the sum of the face normals of the (up to six) triangles that
  // share the sample, times one third. The terms are added in the order of a sweep
  // over the cells with j as the outer loop, which fixes the float rounding:
  // cell [i-1][j-1] (both), [i][j-1] (first), [i-1][j] (second), [i][j] (both).
  for (uint32_t i = 0; i <= cellsX; ++i) {
    std::swap(before, after);
    if (i < cellsX) faceRow(i, after);
    for (uint32_t j = 0; j <= cellsY; ++j) {
      Float3& n = normals[Index(i, j)];
      // The two edges with index 0 point straight up; nothing is summed there.
      if (i == 0 || j == 0) {
        n = Float3{0.0f, 1.0f, 0.0f};
        continue;
      }
      Float3 sum{0.0f, 0.0f, 0.0f};
      auto add = [&sum](const Float3& face) {
        sum.x += face.x;
        sum.y += face.y;
        sum.z += face.z;
      };
      add(before[2 * (j - 1)]);
      add(before[2 * (j - 1) + 1]);
      if (i < cellsX) add(after[2 * (j - 1)]);
      if (j < cellsY) add(before[2 * j + 1]);
      if (i < cellsX && j < cellsY) {
        add(after[2 * j]);
        add(after[2 * j + 1]);
      }
      // Left unnormalised: an interior sample on level ground gets (0, 2, 0).
      n = Float3{sum.x * 0.33333334f, sum.y * 0.33333334f, sum.z * 0.33333334f};
    }
  }
}

// [SECTION] Queries

float Terrain::HeightAt(float z, float x) const {
  if (heights.empty()) return -1.0f;
  // Written so that NaN fails too.
  if (!(z >= 0.0f) || !(x >= 0.0f)) return -1.0f;
  if (z > static_cast<float>(cellsX) * stepSize || x > static_cast<float>(cellsY) * stepSize) {
    return -1.0f;
  }
  const float u = z / stepSize;
  const float v = x / stepSize;
  const float floorU = std::floor(u);
  const float ceilU = std::ceil(u);
  const float floorV = std::floor(v);
  const float ceilV = std::ceil(v);

  float a1 = u - floorU;
  float a0 = ceilU - u;
  if (a0 == 0.0f && a1 == 0.0f) a0 = a1 = 0.5f;
  float b1 = v - floorV;
  float b0 = ceilV - v;
  if (b0 == 0.0f && b1 == 0.0f) b0 = b1 = 0.5f;

  // The division can land a hair beyond the last sample for a point on the far
  // edge; clamp the indices, not the point.
  const float lastU = static_cast<float>(cellsX);
  const float lastV = static_cast<float>(cellsY);
  const uint32_t i0 = static_cast<uint32_t>(std::min(floorU, lastU));
  const uint32_t i1 = static_cast<uint32_t>(std::min(ceilU, lastU));
  const uint32_t j0 = static_cast<uint32_t>(std::min(floorV, lastV));
  const uint32_t j1 = static_cast<uint32_t>(std::min(ceilV, lastV));

  const float h00 = heights[Index(i0, j0)];
  const float h10 = heights[Index(i1, j0)];
  const float h01 = heights[Index(i0, j1)];
  const float h11 = heights[Index(i1, j1)];
  return b0 * (a0 * h00 + a1 * h10) + b1 * (a0 * h01 + a1 * h11);
}

TerrainBounds Terrain::GetBounds() const {
  TerrainBounds bounds;
  bounds.last0 = static_cast<int32_t>(cellsX);
  bounds.last1 = static_cast<int32_t>(cellsY);
  return bounds;
}

float Terrain::StepSize() const { return stepSize; }

float Terrain::Sample(uint32_t i, uint32_t j) const {
  assert(i <= cellsX && j <= cellsY && !heights.empty() && "sample index outside the grid");
  return heights[Index(i, j)];
}

const Float3& Terrain::Normal(uint32_t i, uint32_t j) const {
  assert(i <= cellsX && j <= cellsY && !normals.empty() && "sample index outside the grid");
  return normals[Index(i, j)];
}

Float3 Terrain::Corner(uint32_t i, uint32_t j) const {
  assert(i <= cellsX && j <= cellsY && !heights.empty() && "sample index outside the grid");
  return Float3{static_cast<float>(j) * stepSize, heights[Index(i, j)],
                static_cast<float>(i) * stepSize};
}
