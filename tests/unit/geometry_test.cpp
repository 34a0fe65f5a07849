// Vectors at their edges: indexed access past z, and the zero vector, which neither
// normalising nor a length limit of 0 or less may turn into NaN. Ordinary arithmetic
// (lengths, damping, cross products, plane distances) moves the viewer, lights the
// ground and orders the trees, so the whole-scene walks check it.
#include <gtest/gtest.h>

#include "geometry/vector3.h"
#include "geometry/view_volume.h"

#include <cmath>

TEST(Vector3Test, IndexedAccessAndTheZeroVector) {
  Vector3 v(2, -4, 6);
  // Indices 0, 1, 2 are x, y, z; Get() answers -1 past z, At() gives z.
  EXPECT_TRUE(v.Get(1) == -4.0f && v.Get(2) == 6.0f && v.Get(3) == -1.0f && v.Get(65535) == -1.0f);
  EXPECT_TRUE(&v.At(1) == &v.y && &v.At(3) == &v.z);
  Vector3 zero;
  zero.LimitLength(-1.0f);
  Float3 none{0, 0, 0};
  Normalize(none);
  EXPECT_TRUE(zero.x == 0.0f && zero.y == 0.0f && none.x == 0.0f && none.y == 0.0f && none.z == 0.0f);
}

// The view volume of identity matrices is the cube from -1 to 1. A box is skipped only
// when it lies outside a face by more than float rounding could misplace it.
TEST(ViewVolumeTest, ExcludesOnlyBoxesClearlyOutside) {
  const double identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  const ViewVolume cube(identity, identity);
  const struct {
    Float3 low, high;
    bool excluded;
  } cases[] = {
      {{1.01f, 0, 0}, {2, 1, 1}, true},                  // beyond x = 1
      {{-1.0000002f, 0, 0}, {-1.0000001f, 1, 1}, false}, // outside by less than rounding
      {{5, 5, 5}, {NAN, 6, 6}, false},
  };
  for (const auto& c : cases) EXPECT_EQ(cube.Excludes(c.low, c.high), c.excluded) << c.low.x;
}
