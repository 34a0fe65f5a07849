// Tree placement without OpenGL: the generator, the spacing and one-sided ground
// limits, the bucketed placement against the plain all-pairs rules, the candidate
// limit, refused counts, the far-to-near order and the front-of-viewer test.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "support/bmp_writer.h"
#include "terrain/terrain.h"
#include "trees/tree_set.h"

namespace {

int Flat(int, int) { return 255; }
int Bumpy(int i, int j) { return (i * 37 + j * 91) % 11 * 9; }

// samplesZ x samplesX samples `step` apart; sample [i][j] is blue(i, j) / 255 world units
// high. Five images counted, none loaded.
void Prepare(Terrain& terrain, TreeSet& set, int samplesZ, int samplesX, float step,
             const std::function<int(int, int)>& blue) {
  const auto bmp = MakeBmp(samplesZ, samplesX, [&](int i, int j) { return Rgb{0, 0, uint8_t(blue(i, j))}; });
  terrain.SetStepSize(step);
  terrain.SetHeightScaling(1.0f / step);
  ASSERT_TRUE(terrain.BuildHeightFieldFromBytes(bmp.data(), bmp.size(), int16_t(samplesZ), int16_t(samplesX)));
  set.SetTerrain(&terrain);
  set.textures.lastTexture = 4;
}

// The placement loop with IsTooClose(), which compares a candidate with every earlier tree.
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

Tree TreeAt(float x, float y, float z, float size) {
  Tree tree;
  tree.x = x;
  tree.y = y;
  tree.z = z;
  tree.size = size;
  return tree;
}

}  // namespace

TEST(TreePlacementTest, GeneratorAndIndexScaling) {
  TreeRandom random;
  for (int value : {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358}) EXPECT_EQ(random.Next(), value);
  for (int n : {1, 5, 32766}) EXPECT_EQ(TreeSet::ScaleRandom(n, 32767), n - 1) << n;
  EXPECT_EQ(TreeSet::ScaleRandom(5, 32766), 4);
  EXPECT_EQ(TreeSet::ScaleRandom(0, 32767), 0);
  EXPECT_EQ(TreeSet::ScaleRandom(70000, 32766), 69997);  // no 32-bit overflow
}

TEST(TreePlacementTest, SpacingAndGroundLimitsAreInclusive) {
  Terrain terrain;
  TreeSet set;
  set.trees = {TreeAt(0.0f, 0.0f, 0.0f, 2.5f), TreeAt(3.0f, 9.0f, 4.0f, 2.5f)};
  EXPECT_FALSE(set.IsTooClose(1));  // exactly 5 apart; height plays no part
  set.trees[1].z = 3.999f;
  EXPECT_TRUE(set.IsTooClose(1));

  set.SetMaxRoughness(0.0f);  // ignored
  EXPECT_EQ(set.maxRoughness, 0.1f);
  // A foot at height 0.75 on (1.5, 1.5), half-width 0.5: its corners stand on samples
  // [1..2][1..2], of which one is 1 high (a rise of 0.25) and the others 0 (falling away).
  for (int corner = 0; corner < 4; ++corner) {
    Prepare(terrain, set, 4, 4, 1.0f,
            [corner](int i, int j) { return i == 1 + corner / 2 && j == 1 + corner % 2 ? 255 : 0; });
    set.trees = {TreeAt(1.5f, 0.75f, 1.5f, 0.5f)};
    set.maxRoughness = 0.25f;
    EXPECT_TRUE(set.FitsGround(0)) << corner;
    set.maxRoughness = std::nextafter(0.25f, 0.0f);
    EXPECT_FALSE(set.FitsGround(0)) << corner;
  }
  set.trees[0].y = 40.0f;  // ground falling away
  EXPECT_TRUE(set.FitsGround(0));
}

// Place() keeps the trees placed so far in buckets; it must place exactly the trees (and
// stop at exactly the failing candidate) that the all-pairs spacing test gives.
TEST(TreePlacementTest, BucketedPlacementEqualsTheAllPairsRules) {
  const struct { const char* what; int samplesZ, samplesX; float step, size; int count; float roughness; } cases[] = {
      {"limit equal to the step: neighbouring centres exactly at the limit", 60, 45, 1.0f, 0.5f, 1200, 0.3f},
      {"step not exact in binary, several cells per limit", 50, 70, 0.37f, 0.9f, 400, 0.05f},
      {"limit just below a whole number of steps", 50, 50, 0.25f, std::nextafter(0.375f, 0.0f), 300, 1.0f},
      {"limit just above two steps, crowded", 40, 40, 1.0f, 1.0001f, 250, 10.0f},
      {"limit wider than the world: one tree, then failure", 30, 30, 0.5f, 100.0f, 3, 1.0f},
      {"size 0: no spacing at all, more trees than cells", 12, 12, 1.0f, 0.0f, 500, 10.0f},
      {"negative size: no spacing either", 12, 12, 1.0f, -1.0f, 50, 10.0f},
      {"more buckets than the grid allows per side", 1500, 1500, 0.01f, 0.001f, 3000, 0.5f},
      {"crowded until a tree finds no spot", 40, 40, 0.2f, 0.35f, 1000, 0.08f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Terrain terrain;
    TreeSet placed, reference;
    Prepare(terrain, placed, c.samplesZ, c.samplesX, c.step, Bumpy);
    reference.SetTerrain(&terrain);
    reference.textures.lastTexture = 4;
    for (TreeSet* set : {&placed, &reference}) set->SetMaxRoughness(c.roughness);
    const bool expected = PlaceByHand(reference, c.count, c.size);
    EXPECT_EQ(placed.Place(c.count, c.size), expected) << placed.PlaceError();
    EXPECT_EQ(placed.placedCount, expected ? c.count : -1);
    EXPECT_EQ(placed.random.state, reference.random.state);
    ASSERT_EQ(placed.trees.size(), reference.trees.size());
    size_t differing = 0;
    for (size_t j = 0; j < placed.trees.size(); ++j) {
      const Tree& a = placed.trees[j];
      const Tree& b = reference.trees[j];
      differing += !(a.x == b.x && a.y == b.y && a.z == b.z && a.size == b.size && a.texture == b.texture);
    }
    EXPECT_EQ(differing, 0u);
  }
}

TEST(TreePlacementTest, CountsThatCannotBeHeldAreRefusedByName) {
  Terrain terrain;
  TreeSet set;
  EXPECT_FALSE(set.Place(3, 0.3f));  // no terrain
  Prepare(terrain, set, 10, 10, 1.0f, Flat);
  set.textures.lastTexture = -1;
  EXPECT_FALSE(set.Place(3, 0.3f));  // no image
  set.textures.lastTexture = 4;
  for (int count : {0, -5}) EXPECT_TRUE(set.Place(count, 0.3f) && set.placedCount == -1 && set.trees.empty());
  EXPECT_FALSE(set.Place(2000000000, 0.3f));
  EXPECT_EQ(set.PlaceError().rfind("Trees/Count is 2000000000: ", 0), 0u) << set.PlaceError();
  EXPECT_FALSE(set.Place(82, 0.1f));  // 81 cells
  set.SetMemoryLimit(1000 * sizeof(Tree));
  EXPECT_FALSE(set.Place(1001, 0.0f));
  EXPECT_EQ(set.PlaceError(), "Trees/Count is 1001: not enough memory for that many trees");
  EXPECT_TRUE(set.trees.empty() && set.random.state == 1u);
  EXPECT_TRUE(set.Place(1000, 0.0f) && set.PlaceError().empty());
  EXPECT_TRUE(set.Place(81, 0.1f)) << set.PlaceError();  // one on every cell
}

TEST(TreeOrderTest, FrontTestAndFarToNearSort) {
  const Plane ahead0 = ViewerCrossPlane(0.0f, 10.0f, 2.0f, 10.0f);
  EXPECT_FALSE(IsInFront(ahead0, TreeAt(3.0f, 0.0f, 10.0f, 1.0f)));  // on the plane
  EXPECT_TRUE(IsInFront(ahead0, TreeAt(3.0f, 0.0f, std::nextafter(10.0f, 0.0f), 1.0f)));
  const Plane ahead90 = ViewerCrossPlane(90.0f, 10.0f, 2.0f, 10.0f);
  EXPECT_TRUE(IsInFront(ahead90, TreeAt(9.9f, 0.0f, 30.0f, 1.0f)));
  EXPECT_FALSE(IsInFront(ahead90, TreeAt(10.1f, 0.0f, 10.0f, 1.0f)));

  TreeSet set;
  set.trees = {TreeAt(1.0f, 0.0f, 0.0f, 1.0f), TreeAt(5.0f, 0.0f, 0.0f, 1.0f), TreeAt(3.0f, 1.0f, 0.0f, 1.0f)};
  set.SortFarToNear(0.0f, 1.0f, 0.0f);
  EXPECT_TRUE(set.trees[0].x == 5.0f && set.trees[0].distance == 26.0f && set.trees[2].x == 1.0f);
  set.SortFarToNear(6.0f, 0.0f, 0.0f);  // the viewer walked past them
  EXPECT_TRUE(set.trees[0].x == 1.0f && set.trees[2].x == 5.0f);
}
