// Tree placement without OpenGL: the index scaling, the bucketed placement against the
// plain all-pairs rules, the candidate limit, refused counts and settings, the
// far-to-near order and the front-of-viewer test at their edges. The generator, the
// ground-roughness test and the ordinary order of drawing show in the whole-scene walks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

#include "support/bmp_writer.h"
#include "terrain/terrain.h"
#include "trees/tree_set.h"

static int Bumpy(int i, int j) { return (i * 37 + j * 91) % 11 * 9; }

// samplesZ x samplesX samples `step` apart; sample [i][j] is blue(i, j) / 255 world units
// high. Five images counted, none loaded.
static void Prepare(Terrain& terrain, TreeSet& set, int samplesZ, int samplesX, float step,
                    int (*blue)(int, int)) {
  const auto bmp = MakeBmp(samplesZ, samplesX, [&](int i, int j) { return Rgb{0, 0, uint8_t(blue(i, j))}; });
  terrain.SetStepSize(step);
  terrain.SetHeightScaling(1.0f / step);
  ASSERT_TRUE(terrain.BuildHeightFieldFromBytes(bmp.data(), bmp.size(), int16_t(samplesZ), int16_t(samplesX)));
  set.SetTerrain(&terrain);
  set.textures.lastTexture = 4;
}

// The placement loop with IsTooClose(), which compares a candidate with every earlier tree.
static bool PlaceByHand(TreeSet& set, int count, float size) {
  const TerrainBounds bounds = set.terrain->GetBounds();
  const float step = set.terrain->StepSize();
  set.trees.assign(static_cast<size_t>(count), Tree());
  for (size_t j = 0; j < set.trees.size(); ++j) {
    Tree& tree = set.trees[j];
    tree.texture = set.RandomIndex(set.textures.lastTexture + 1);
    tree.size = size;
    for (int attempts = 1;; ++attempts) {
      tree.z = static_cast<float>(set.RandomIndex(bounds.last0)) * step + step * 0.5f;
      tree.x = static_cast<float>(set.RandomIndex(bounds.last1)) * step + step * 0.5f;
      tree.y = set.terrain->HeightAt(tree.z, tree.x);
      if (attempts > TreeSet::kMaxCandidates) return false;
      if (!set.IsTooClose(j) && set.FitsGround(j)) break;
    }
  }
  return true;
}

// Place() keeps the trees placed so far in buckets; it must place exactly the trees (and
// stop at exactly the failing candidate) that the all-pairs spacing test gives.
TEST(TreePlacementTest, BucketedPlacementEqualsTheAllPairsRules) {
  const struct { const char* what; int samplesZ, samplesX; float step, size; int count; float roughness; } cases[] = {
      {"limit equal to the step: neighbouring centres exactly at the limit", 60, 45, 1.0f, 0.5f, 1200, 0.3f},
      {"step not exact in binary, several cells per limit", 50, 70, 0.37f, 0.9f, 400, 0.05f},
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
    for (TreeSet* set : {&placed, &reference}) {
      Prepare(terrain, *set, c.samplesZ, c.samplesX, c.step, Bumpy);
      set->SetMaxRoughness(c.roughness);
    }
    const bool expected = PlaceByHand(reference, c.count, c.size);
    EXPECT_EQ(placed.Place(c.count, c.size), expected) << placed.PlaceError();
    EXPECT_EQ(placed.random.state, reference.random.state);
    ASSERT_EQ(placed.trees.size(), reference.trees.size());
    auto same = [](const Tree& a, const Tree& b) {
      return std::tie(a.x, a.y, a.z, a.size, a.texture) == std::tie(b.x, b.y, b.z, b.size, b.texture);
    };
    EXPECT_TRUE(std::equal(placed.trees.begin(), placed.trees.end(), reference.trees.begin(), same));
  }
}

// The values at the edges: the largest random number picks the last index, not one past
// it; counts that cannot be held and a roughness limit of 0 are refused.
TEST(TreePlacementTest, EdgeIndicesAndRefusedCountsAndRoughness) {
  for (int n : {1, 5, 32766}) EXPECT_EQ(TreeSet::ScaleRandom(n, 32767), n - 1) << n;
  Terrain terrain;
  TreeSet set;
  set.SetMaxRoughness(0.0f);
  EXPECT_EQ(set.maxRoughness, 0.1f);
  EXPECT_FALSE(set.Place(3, 0.3f));  // no terrain
  Prepare(terrain, set, 10, 10, 1.0f, [](int, int) { return 255; });
  set.textures.lastTexture = -1;
  EXPECT_FALSE(set.Place(3, 0.3f));  // no image
  set.textures.lastTexture = 4;
  for (int count : {0, -5}) EXPECT_TRUE(set.Place(count, 0.3f) && set.placedCount == -1 && set.trees.empty());
  EXPECT_FALSE(set.Place(2000000000, 0.3f));
  EXPECT_EQ(set.PlaceError(),
            "Trees/Count is 2000000000: the terrain has only 81 cells and holds at most one tree per cell");
  set.SetMemoryLimit(1000 * sizeof(Tree));
  EXPECT_FALSE(set.Place(1001, 0.0f));
  EXPECT_EQ(set.PlaceError(), "Trees/Count is 1001: not enough memory for that many trees");
  EXPECT_TRUE(set.trees.empty() && set.random.state == 1u);
  EXPECT_TRUE(set.Place(1000, 0.0f) && set.PlaceError().empty());
  EXPECT_TRUE(set.Place(81, 0.1f)) << set.PlaceError();  // one on every cell
}

// Seen from (0, 1, 10) at heading 0, looking along -z: a tree level with the viewer is
// not in front. (At z = 10 the plane's corners round to exactly that z.) Height counts in
// the distance; a tree at no number is drawn last.
TEST(TreeOrderTest, FrontTestAndFarToNearSort) {
  const float places[][3] = {{NAN, 0, 10}, {1, 0, 9.5f}, {5, 0, 10}, {3, 1, 10}};
  TreeSet set;
  set.trees.resize(4);
  for (size_t i = 0; i < 4; ++i) {
    std::tie(set.trees[i].x, set.trees[i].y, set.trees[i].z) = std::tie(places[i][0], places[i][1], places[i][2]);
  }
  const Plane ahead = ViewerCrossPlane(0.0f, 0.0f, 1.0f, 10.0f);
  EXPECT_TRUE(IsInFront(ahead, set.trees[1]) && !IsInFront(ahead, set.trees[2]));
  set.SortFarToNear(0.0f, 1.0f, 10.0f);
  EXPECT_TRUE(set.trees[0].distance == 26.0f && set.trees[2].x == 1.0f && std::isnan(set.trees[3].x));
}
