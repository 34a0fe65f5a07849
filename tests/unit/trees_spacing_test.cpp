// Tree placement against the plain rules: TreeSet::Place keeps the trees placed so
// far in buckets, and must place exactly the trees (and stop at exactly the failing
// candidate) that the all-pairs spacing test would give.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "support/bmp_writer.h"
#include "terrain/terrain.h"
#include "trees/tree_set.h"

namespace {

// The placement loop with IsTooClose(), which compares a candidate with every tree
// placed before it.
bool PlaceByHand(TreeSet& set, int count, float size) {
  const TerrainBounds bounds = set.terrain->GetBounds();
  const float step = set.terrain->StepSize();
  set.trees.assign(static_cast<size_t>(count), Tree());
  for (size_t j = 0; j < set.trees.size(); ++j) {
    Tree& tree = set.trees[j];
    tree.texture = set.RandomIndex(set.textures.lastTexture + 1);
    tree.size = size;
    for (int attempts = 1;; ++attempts) {
      const float zCorner = static_cast<float>(set.RandomIndex(bounds.last0)) * step;
      tree.z = zCorner + step * 0.5f;
      const float xCorner = static_cast<float>(set.RandomIndex(bounds.last1)) * step;
      tree.x = xCorner + step * 0.5f;
      tree.y = set.terrain->HeightAt(tree.z, tree.x);
      if (attempts > TreeSet::kMaxCandidates) return false;
      if (!set.IsTooClose(j) && set.FitsGround(j)) break;
    }
  }
  return true;
}

bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

struct Case {
  const char* what;
  int samples;
  float step;
  float size;
  int count;
  float roughness;
};

}  // namespace

TEST(TreeSpacingTest, BucketedPlacementEqualsTheAllPairsTest) {
  const Case cases[] = {
      // Limit of exactly one step: neighbouring cell centres are exactly the limit apart.
      {"limit equal to the step", 60, 1.0f, 0.5f, 1500, 0.3f},
      {"step not exact in binary, several cells per limit", 70, 0.37f, 0.9f, 400, 0.05f},
      {"limit just below a whole number of steps", 50, 0.25f, std::nextafter(0.375f, 0.0f), 300, 1.0f},
      {"limit just above two steps, crowded", 40, 1.0f, 1.0001f, 250, 10.0f},
      {"limit wider than the world: one tree, then failure", 30, 0.5f, 100.0f, 3, 1.0f},
      {"size 0: no spacing at all, more trees than cells", 12, 1.0f, 0.0f, 500, 10.0f},
      {"negative size: no spacing either", 12, 1.0f, -1.0f, 50, 10.0f},
      {"more buckets than the grid allows per side", 1500, 0.01f, 0.001f, 3000, 0.5f},
      {"crowded until a tree finds no spot", 40, 0.2f, 0.35f, 1000, 0.08f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Terrain terrain;
    terrain.SetStepSize(c.step);
    terrain.SetHeightScaling(1.0f / c.step);  // heights 0..1 world units
    const std::vector<uint8_t> bmp = MakeBmp(c.samples, c.samples, [](int i, int j) {
      return Rgb{0, 0, static_cast<uint8_t>((i * 37 + j * 91) % 11 * 9)};
    });
    ASSERT_TRUE(terrain.BuildHeightFieldFromBytes(bmp.data(), bmp.size(), static_cast<int16_t>(c.samples),
                                                  static_cast<int16_t>(c.samples)));
    TreeSet placed, reference;
    for (TreeSet* set : {&placed, &reference}) {
      set->SetTerrain(&terrain);
      set->textures.lastTexture = 4;
      set->SetMaxRoughness(c.roughness);
    }
    const bool ok = placed.Place(c.count, c.size);
    const bool expected = PlaceByHand(reference, c.count, c.size);
    EXPECT_EQ(ok, expected) << placed.PlaceError();
    EXPECT_EQ(placed.placedCount, expected ? c.count : -1);
    EXPECT_EQ(placed.random.state, reference.random.state);
    ASSERT_EQ(placed.trees.size(), reference.trees.size());
    size_t differing = 0;
    for (size_t j = 0; j < placed.trees.size(); ++j) {
      const Tree& a = placed.trees[j];
      const Tree& b = reference.trees[j];
      differing += !(SameBits(a.x, b.x) && SameBits(a.y, b.y) && SameBits(a.z, b.z) &&
                     SameBits(a.size, b.size) && a.texture == b.texture);
    }
    EXPECT_EQ(differing, 0u);
  }
}
