// Vectors and planes: length limiting, damping, indexed access, normals and distances.
#include <gtest/gtest.h>

#include "geometry/vector3.h"

namespace {

Plane Through(Float3 a, Float3 b, Float3 c) {
  Plane plane;
  plane.P1 = a;
  plane.P2 = b;
  plane.P3 = c;
  plane.ComputeNormal();
  return plane;
}

}  // namespace

TEST(Vector3Test, LimitDampAndIndexedAccess) {
  // Scaled down only when at least the limit; a limit of 0 gives zero, never NaN.
  const struct { Vector3 v; float limit; Vector3 expected; } cases[] = {
      {{3, 0, 4}, 2, {1.2f, 0, 1.6f}}, {{0.6f, 0, 0.8f}, 2, {0.6f, 0, 0.8f}}, {{1, 1, 1}, 0, {0, 0, 0}}};
  for (auto c : cases) {
    c.v.LimitLength(c.limit);
    EXPECT_TRUE(c.v.x == c.expected.x && c.v.y == c.expected.y && c.v.z == c.expected.z) << c.v.x << " " << c.v.z;
  }
  Vector3 v(2, -4, 6);
  v.Damp(1.0f);
  EXPECT_TRUE(v.x == 1.0f && v.y == -2.0f && v.z == 3.0f);
  EXPECT_TRUE(v.Get(1) == -2.0f && v.Get(2) == 3.0f && v.Get(3) == -1.0f && v.Get(65535) == -1.0f);
  EXPECT_TRUE(&v.At(1) == &v.y && &v.At(3) == &v.z);
}

TEST(PlaneTest, NormalFollowsCornerOrderAndDistanceIsSigned) {
  const Plane up = Through({0, 1, 0}, {0, 1, 1}, {1, 1, 0});
  EXPECT_TRUE(up.Normal.x == 0.0f && up.Normal.y == 1.0f && up.Normal.z == 0.0f);
  EXPECT_FLOAT_EQ(up.Distance({5, 3.5f, -3}), 2.5f);
  const Plane down = Through({0, 1, 0}, {1, 1, 0}, {0, 1, 1});
  EXPECT_TRUE(down.Normal.y == -1.0f && down.Distance({5, 3.5f, -3}) == -2.5f);
  // Three points on one line give the zero normal rather than NaN.
  const Plane line = Through({0, 0, 0}, {1, 1, 1}, {2, 2, 2});
  EXPECT_TRUE(line.Normal.x == 0.0f && line.Normal.y == 0.0f && line.Normal.z == 0.0f);
}
