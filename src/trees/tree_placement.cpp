// Tree placement and the per-frame ordering: the reproducible generator, the spacing
// and ground tests, the far-to-near sort and the front-of-viewer test. No OpenGL here.
#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>
#include <new>
#include <optional>

#include "io/installed_memory.h"
#include "terrain/terrain.h"
#include "trees/tree_set.h"

namespace {

constexpr float kDegreesToRadians = 0.017453292f;

std::string CountError(const std::string& count, const std::string& what) {
  return "Trees/Count is " + count + ": " + what;
}

// The trees placed so far, sorted into square buckets over the grid's extent. A bucket
// is a little wider than the spacing limit, so a tree closer than the limit to another
// lies in the same bucket or in one of the eight around it: the spacing test compares
// a candidate with those trees only, with the very comparison of TreeSet::IsTooClose,
// and so gives its answers without looking at every earlier tree.
class SpacingGrid {
 public:
  // `limit` is twice the trees' size; extents in world units along z and x.
  SpacingGrid(float limit, float extentZ, float extentX, size_t treeCount)
      : limit_(limit), next_(treeCount, kNone) {
    if (!(limit > 0.0f)) return;  // nothing is ever too close: no buckets needed
    // The margin keeps rounding in the quotients below from putting two trees that
    // are just under the limit apart two buckets apart.
    const double widest = std::max({static_cast<double>(extentZ), static_cast<double>(extentX), 0.0});
    bucket_ = std::max(static_cast<double>(limit) * 1.01, widest / kMaxBucketsPerSide);
    if (!std::isfinite(bucket_)) bucket_ = std::numeric_limits<double>::max();
    bucketsZ_ = BucketsAlong(extentZ);
    bucketsX_ = BucketsAlong(extentX);
    heads_.assign(static_cast<size_t>(bucketsZ_) * static_cast<size_t>(bucketsX_), kNone);
  }

  // Whether `tree` stands closer than the limit to a tree added before.
  bool TooClose(const std::vector<Tree>& trees, const Tree& tree) const {
    if (heads_.empty()) return false;
    const int32_t bz = Bucket(tree.z, bucketsZ_);
    const int32_t bx = Bucket(tree.x, bucketsX_);
    for (int32_t z = std::max(bz - 1, 0); z <= std::min(bz + 1, bucketsZ_ - 1); ++z) {
      for (int32_t x = std::max(bx - 1, 0); x <= std::min(bx + 1, bucketsX_ - 1); ++x) {
        for (uint32_t i = heads_[Slot(z, x)]; i != kNone; i = next_[i]) {
          const float dx = std::fabs(trees[i].x - tree.x);
          const float dz = std::fabs(trees[i].z - tree.z);
          if (std::sqrt(dx * dx + dz * dz) < limit_) return true;
        }
      }
    }
    return false;
  }

  // Files tree `index` (its position final) under its bucket.
  void Add(const std::vector<Tree>& trees, size_t index) {
    if (heads_.empty()) return;
    const Tree& tree = trees[index];
    uint32_t& head = heads_[Slot(Bucket(tree.z, bucketsZ_), Bucket(tree.x, bucketsX_))];
    next_[index] = head;
    head = static_cast<uint32_t>(index);
  }

 private:
  static constexpr uint32_t kNone = UINT32_MAX;
  static constexpr double kMaxBucketsPerSide = 1024.0;

  int32_t BucketsAlong(float extent) const {
    const double count = std::floor(static_cast<double>(extent) / bucket_) + 1.0;
    return count >= 1.0 && count <= kMaxBucketsPerSide + 1.0 ? static_cast<int32_t>(count) : 1;
  }
  // Positions outside the extent (or NaN) go to the nearest edge bucket; clamping
  // never moves two positions' buckets further apart, so neighbours stay neighbours.
  int32_t Bucket(float coordinate, int32_t buckets) const {
    const double q = std::floor(static_cast<double>(coordinate) / bucket_);
    if (!(q >= 0.0)) return 0;
    return q < static_cast<double>(buckets) ? static_cast<int32_t>(q) : buckets - 1;
  }
  size_t Slot(int32_t z, int32_t x) const {
    return static_cast<size_t>(z) * static_cast<size_t>(bucketsX_) + static_cast<size_t>(x);
  }

  float limit_;
  double bucket_ = 1.0;
  int32_t bucketsZ_ = 1;
  int32_t bucketsX_ = 1;
  std::vector<uint32_t> heads_;  // per bucket: the last tree filed there, or kNone
  std::vector<uint32_t> next_;   // per tree: the tree filed before it in its bucket
};

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

bool TreeSet::Place(int32_t count, float size, const std::string& countWritten) {
  placeError.clear();
  const std::string shown = countWritten.empty() ? std::to_string(count) : countWritten;
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
      placeError = CountError(shown, "the terrain has only " + std::to_string(centres) +
                                         " cells and holds at most one tree per cell");
      return false;
    }
  }
  const uint64_t bytes = static_cast<uint64_t>(count) * sizeof(Tree);
  const uint64_t limit = memoryLimit != 0 ? memoryLimit : InstalledMemoryBytes();
  if (bytes > limit) {
    placeError = CountError(shown, "not enough memory for that many trees");
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
    placeError = CountError(shown, "not enough memory for that many trees");
    return false;
  }

  const int textureCount = textures.lastTexture + 1;
  const float halfStep = step * 0.5f;
  // Every tree has this size, so the spacing limit is that of IsTooClose().
  std::optional<SpacingGrid> spacing;
  try {
    spacing.emplace(2.0f * size, static_cast<float>(cellsZ) * step, static_cast<float>(cellsX) * step,
                    trees.size());
  } catch (const std::bad_alloc&) {
    std::vector<Tree>().swap(trees);
    placeError = CountError(shown, "not enough memory for that many trees");
    return false;
  }
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
      if (!spacing->TooClose(trees, tree) && FitsGround(j)) break;
    }
    spacing->Add(trees, j);
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
