// Tree placement and the per-frame ordering: the reproducible generator, the spacing
// and ground tests, the far-to-near sort and the front-of-viewer test. No OpenGL here.
#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <cmath>
#include <new>

#include "terrain/terrain.h"
#include "trees/tree_set.h"

namespace {

constexpr float kDegreesToRadians = 0.017453292f;

uint64_t InstalledMemoryBytes() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGE_SIZE);
  if (pages <= 0 || pageSize <= 0) return UINT64_MAX;  // unknown: rely on bad_alloc
  return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
}

std::string CountError(int32_t count, const std::string& what) {
  return "Trees/Count is " + std::to_string(count) + ": " + what;
}

}  // namespace

const char* const TreeSet::kNoRoomMessage = "Can't find enough valid places to place all trees";

// [SECTION] Generator

int TreeRandom::Next() {
  state = state * 214013u + 2531011u;
  return static_cast<int>((state >> 16) & 32767u);
}

int TreeSet::ScaleRandom(int n, int r) {
  // 64-bit so that no n can overflow; for the grid sizes a terrain can have the
  // result is that of the 32-bit product.
  const int64_t index = static_cast<int64_t>(n) * r / 32767;
  // The quotient reaches n itself for the largest value, 32767, which would name a
  // texture slot past the filled ones and a cell past the grid's edge: that one value
  // gives the last index instead.
  if (n >= 1 && index > n - 1) return n - 1;
  return static_cast<int>(index);
}

int TreeSet::RandomIndex(int n) { return ScaleRandom(n, random.Next()); }

// [SECTION] Placement

void Tree::UpdateDistance(float viewerX, float viewerY, float viewerZ) {
  const float dx = viewerX - x;
  const float dy = viewerY - y;
  const float dz = viewerZ - z;
  distance = dx * dx + dy * dy + dz * dz;
}

void TreeSet::SetMaxRoughness(float value) {
  if (value > 0.0f) maxRoughness = value;
}

bool TreeSet::IsTooClose(size_t index) const {
  assert(index < trees.size() && "tree index outside the array");
  if (index == 0 || index >= trees.size()) return false;
  // All trees share one size. A distance is never below a limit of 0 or less (nor
  // below NaN), so the comparisons can be skipped then with the same answer.
  const float limit = 2.0f * trees[0].size;
  if (!(limit > 0.0f)) return false;
  const Tree& tree = trees[index];
  for (size_t i = 0; i < index; ++i) {
    const float dx = std::fabs(trees[i].x - tree.x);
    const float dz = std::fabs(trees[i].z - tree.z);
    if (std::sqrt(dx * dx + dz * dz) < limit) return true;
  }
  return false;
}

bool TreeSet::FitsGround(size_t index) const {
  assert(index < trees.size() && "tree index outside the array");
  if (!terrain || index >= trees.size()) return false;
  const Tree& tree = trees[index];
  const float s = tree.size;
  const float corners[4] = {
      terrain->HeightAt(tree.z - s, tree.x - s),
      terrain->HeightAt(tree.z + s, tree.x - s),
      terrain->HeightAt(tree.z - s, tree.x + s),
      terrain->HeightAt(tree.z + s, tree.x + s),
  };
  // One-sided: ground falling away from the foot never matters.
  for (const float height : corners) {
    const float rise = height - tree.y;
    if (!(rise <= maxRoughness)) return false;
  }
  return true;
}

bool TreeSet::Place(int32_t count, float size) {
  placeError.clear();
  if (!terrain || textures.lastTexture < 0) {
    placeError = kNoRoomMessage;
    return false;
  }
  if (count <= 0) return true;

  // The grid: cells along world z (the height query's first coordinate) and x.
  const TerrainBounds bounds = terrain->GetBounds();
  const int32_t cellsZ = bounds.last0;
  const int32_t cellsX = bounds.last1;
  const float step = terrain->StepSize();

  // Every tree stands on a cell centre, and with a positive size no two trees can
  // share one, so a count beyond the number of centres can never be placed. Refuse
  // it, and any array larger than memory, before allocating anything.
  if (size > 0.0f) {
    const uint64_t centres =
        static_cast<uint64_t>(std::max(cellsZ, 1)) * static_cast<uint64_t>(std::max(cellsX, 1));
    if (static_cast<uint64_t>(count) > centres) {
      placeError = CountError(count, "the terrain has only " + std::to_string(centres) +
                                         " cells and holds at most one tree per cell");
      return false;
    }
  }
  const uint64_t bytes = static_cast<uint64_t>(count) * sizeof(Tree);
  const uint64_t limit = memoryLimit != 0 ? memoryLimit : InstalledMemoryBytes();
  if (bytes > limit) {
    placeError = CountError(count, "not enough memory for that many trees");
    return false;
  }

  // The earlier trees are gone from here on, so nothing is drawn until this
  // placement succeeds.
  placedCount = -1;
  std::vector<Tree>().swap(trees);
  try {
    trees.resize(static_cast<size_t>(count));
  } catch (const std::bad_alloc&) {
    std::vector<Tree>().swap(trees);
    placeError = CountError(count, "not enough memory for that many trees");
    return false;
  }

  const int textureCount = textures.lastTexture + 1;
  const float halfStep = step * 0.5f;
  for (size_t j = 0; j < trees.size(); ++j) {
    Tree& tree = trees[j];
    tree.texture = RandomIndex(textureCount);
    tree.size = size;
    for (int attempts = 1;; ++attempts) {
      // Cell index times step, rounded to float, then half a step: the cell centre.
      const float zCorner = static_cast<float>(RandomIndex(cellsZ)) * step;
      tree.z = zCorner + halfStep;
      const float xCorner = static_cast<float>(RandomIndex(cellsX)) * step;
      tree.x = xCorner + halfStep;
      tree.y = terrain->HeightAt(tree.z, tree.x);
      if (attempts > kMaxCandidates) {
        placeError = kNoRoomMessage;
        return false;
      }
      if (!IsTooClose(j) && FitsGround(j)) break;
    }
  }
  placedCount = count;
  return true;
}

// [SECTION] Ordering and the front test

void TreeSet::SortFarToNear(float viewerX, float viewerY, float viewerZ) {
  for (Tree& tree : trees) tree.UpdateDistance(viewerX, viewerY, viewerZ);
  // NaN distances (a viewer off in NaN) count as nearest, so the ordering stays
  // strict and the sort stays within the array.
  const auto key = [](float d) { return std::isnan(d) ? -1.0f : d; };
  std::sort(trees.begin(), trees.end(),
            [&key](const Tree& a, const Tree& b) { return key(a.distance) > key(b.distance); });
}

Plane ViewerCrossPlane(float heading, float viewerX, float viewerY, float viewerZ) {
  const float a = (heading + 90.0f) * kDegreesToRadians;
  const float b = (heading - 90.0f) * kDegreesToRadians;
  Plane plane;
  // One unit to either side of the feet and one above: a vertical plane across the
  // view direction.
  plane.P1 = Float3{viewerX + std::sin(a), viewerY, viewerZ + std::cos(a)};
  plane.P2 = Float3{viewerX + std::sin(b), viewerY, viewerZ + std::cos(b)};
  plane.P3 = Float3{viewerX, viewerY + 1.0f, viewerZ};
  plane.ComputeNormal();
  return plane;
}

bool IsInFront(const Plane& plane, const Tree& tree) {
  return plane.Distance(Float3{tree.x, tree.y, tree.z}) > 0.0f;
}
