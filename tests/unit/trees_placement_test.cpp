// Tree placement without OpenGL: the generator, reproducible cell-centre spots, the
// spacing and one-sided ground limits, the candidate limit, refused counts, the
// far-to-near order and the front-of-viewer test.
#include <gtest/gtest.h>

#include <cmath>

#include "support/bmp_writer.h"
#include "support/test_files.h"
#include "terrain/terrain.h"
#include "trees/tree_set.h"

namespace {

// Step 1; sample [i][j] (world z = i, x = j) is blue(i, j) / 255. Five images counted.
void Prepare(TreeSet& set, Terrain& terrain, int samples, int (*blue)(int, int)) {
  TempDir dir;
  WriteFile(dir.File("h.bmp"), MakeBmp(samples, samples, [&](int i, int j) { return Rgb{0, 0, uint8_t(blue(i, j))}; }));
  terrain.SetStepSize(1.0f);
  terrain.SetHeightScaling(1.0f);
  ASSERT_TRUE(terrain.BuildHeightField(dir.File("h.bmp").c_str(), samples, samples));
  set.SetTerrain(&terrain);
  set.textures.lastTexture = 4;
}
int Bumpy(int i, int j) { return (i * 37 + j * 91) % 7 * 4; }
int Flat(int, int) { return 255; }  // height exactly 1

uint32_t StateAfter(int draws) {
  TreeRandom random;
  while (draws-- > 0) random.Next();
  return random.state;
}

Tree TreeAt(float x, float y, float z, float size) {
  Tree tree;
  tree.x = x, tree.y = y, tree.z = z, tree.size = size;
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

TEST(TreePlacementTest, ReproducibleAndWithinEveryRule) {
  Terrain terrain;
  TreeSet first, second, none;
  EXPECT_FALSE(none.Place(3, 0.3f));  // no terrain, no image
  for (TreeSet* set : {&first, &second}) {
    Prepare(*set, terrain, 40, Bumpy);
    for (int count : {0, -5}) EXPECT_TRUE(set->Place(count, 0.3f) && set->placedCount == -1 && set->trees.empty());
    set->SetMaxRoughness(0.05f);
    ASSERT_TRUE(set->Place(60, 0.7f)) << set->PlaceError();
  }
  for (size_t j = 0; j < first.trees.size(); ++j) {
    const Tree& a = first.trees[j];
    EXPECT_TRUE(a.x == second.trees[j].x && a.z == second.trees[j].z && a.texture == second.trees[j].texture);
    EXPECT_TRUE(a.x - std::floor(a.x) == 0.5f && a.z - std::floor(a.z) == 0.5f && a.x < 39.0f && a.z < 39.0f);
    EXPECT_TRUE(a.y == terrain.HeightAt(a.z, a.x) && a.texture >= 0 && a.texture <= 4 && first.FitsGround(j));
    for (size_t i = 0; i < j; ++i) EXPECT_GE(std::hypot(a.x - first.trees[i].x, a.z - first.trees[i].z), 1.4f);
  }
}

TEST(TreePlacementTest, SpacingAndGroundLimitsAreInclusive) {
  Terrain terrain;
  TreeSet set;
  Prepare(set, terrain, 4, Flat);
  set.trees = {TreeAt(0.0f, 0.0f, 0.0f, 2.5f), TreeAt(3.0f, 9.0f, 4.0f, 2.5f)};
  EXPECT_FALSE(set.IsTooClose(1));  // exactly 5 apart; height plays no part
  set.trees[1].z = 3.999f;
  EXPECT_TRUE(set.IsTooClose(1));

  set.SetMaxRoughness(0.25f);
  set.SetMaxRoughness(0.0f);  // ignored
  set.trees = {TreeAt(1.5f, 0.75f, 1.5f, 0.5f)};  // every corner rises by 0.25
  EXPECT_TRUE(set.FitsGround(0));
  set.maxRoughness = std::nextafter(0.25f, 0.0f);
  EXPECT_FALSE(set.FitsGround(0));
  set.trees[0].y = 40.0f;  // ground falling away
  EXPECT_TRUE(set.FitsGround(0));
}

TEST(TreePlacementTest, CandidatesPerTree) {
  Terrain terrain;
  TreeSet set;
  Prepare(set, terrain, 3, [](int i, int j) { return i == 1 && j == 1 ? 255 : 0; });
  ASSERT_TRUE(set.Place(50, 0.0f));  // size 0: every first candidate, more trees than cells
  EXPECT_EQ(set.random.state, StateAfter(50 * 3));
  set.random = TreeRandom();
  set.SetMaxRoughness(0.001f);  // every cell has the raised sample at a corner
  EXPECT_FALSE(set.Place(1, 0.5f));
  EXPECT_EQ(set.PlaceError(), TreeSet::kNoRoomMessage);
  EXPECT_EQ(set.placedCount, -1);
  EXPECT_EQ(set.random.state, StateAfter(1 + 2 * 1001));
}

TEST(TreePlacementTest, CountsThatCannotBeHeldAreRefusedByName) {
  Terrain terrain;
  TreeSet set;
  Prepare(set, terrain, 10, Flat);
  EXPECT_FALSE(set.Place(2000000000, 0.3f));
  EXPECT_EQ(set.PlaceError().rfind("Trees/Count is 2000000000: ", 0), 0u) << set.PlaceError();
  EXPECT_FALSE(set.Place(82, 0.1f));  // 81 cells
  set.SetMemoryLimit(1000 * sizeof(Tree));
  EXPECT_FALSE(set.Place(1001, 0.0f));
  EXPECT_EQ(set.PlaceError(), "Trees/Count is 1001: not enough memory for that many trees");
  EXPECT_TRUE(set.trees.empty() && set.random.state == 1u);
  EXPECT_TRUE(set.Place(1000, 0.0f) && set.PlaceError().empty());
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
  EXPECT_FALSE(set.Draw(0.0f, 0.0f, 0.0f, 0.0f, 1.0f));  // none placed: nothing drawn
}
