// Vectors and planes: length limiting, indexed access, normals and distances.
#include <gtest/gtest.h>

#include "geometry/vector3.h"

TEST(Vector3Test, LimitLengthScalesOnlyWhenAtLeastTheLimit) {
  Vector3 v(3, 0, 4);
  v.LimitLength(2);
  EXPECT_FLOAT_EQ(v.x, 1.2f);
  EXPECT_FLOAT_EQ(v.y, 0.0f);
  EXPECT_FLOAT_EQ(v.z, 1.6f);

  Vector3 shorter(0.6f, 0, 0.8f);
  shorter.LimitLength(2);
  EXPECT_FLOAT_EQ(shorter.x, 0.6f);
  EXPECT_FLOAT_EQ(shorter.z, 0.8f);

  // Exactly at the limit: scaled by length / limit = 1, so unchanged.
  Vector3 exact(0, 2, 0);
  exact.LimitLength(2);
  EXPECT_FLOAT_EQ(exact.y, 2.0f);
}

TEST(Vector3Test, LimitLengthZeroNeverMakesNaN) {
  Vector3 ones(1, 1, 1);
  ones.LimitLength(0);
  EXPECT_EQ(ones.x, 0.0f);
  EXPECT_EQ(ones.y, 0.0f);
  EXPECT_EQ(ones.z, 0.0f);

  Vector3 zero;
  zero.LimitLength(0);
  EXPECT_EQ(zero.x, 0.0f);
  EXPECT_EQ(zero.y, 0.0f);
  EXPECT_EQ(zero.z, 0.0f);
}

TEST(Vector3Test, IndexedAccessPastTheEnd) {
  Vector3 v(1, 2, 3);
  EXPECT_EQ(v.Get(0), 1.0f);
  EXPECT_EQ(v.Get(2), 3.0f);
  EXPECT_EQ(v.Get(3), -1.0f);
  EXPECT_EQ(v.Get(65535), -1.0f);
  EXPECT_EQ(&v.At(3), &v.z);
  v.At(1) = 7;
  EXPECT_EQ(v.y, 7.0f);
}

TEST(Vector3Test, DampAddClear) {
  Vector3 v(2, -4, 6);
  v.Damp(1.0f);
  EXPECT_FLOAT_EQ(v.x, 1.0f);
  EXPECT_FLOAT_EQ(v.y, -2.0f);
  v.Add(Vector3(1, 1, 1));
  EXPECT_FLOAT_EQ(v.z, 4.0f);
  v.Clear();
  EXPECT_EQ(v.Length(), 0.0f);
}

TEST(PlaneTest, NormalFollowsCornerOrder) {
  Plane down;
  down.P1 = {0, 0, 0};
  down.P2 = {1, 0, 0};
  down.P3 = {0, 0, 1};
  down.ComputeNormal();
  EXPECT_FLOAT_EQ(down.Normal.x, 0.0f);
  EXPECT_FLOAT_EQ(down.Normal.y, -1.0f);
  EXPECT_FLOAT_EQ(down.Normal.z, 0.0f);

  Plane up;
  up.P1 = {0, 0, 0};
  up.P2 = {0, 0, 1};
  up.P3 = {1, 0, 0};
  up.ComputeNormal();
  EXPECT_FLOAT_EQ(up.Normal.y, 1.0f);

  // A point above the upward plane is on the positive side.
  EXPECT_FLOAT_EQ(up.Distance({5, 2.5f, -3}), 2.5f);
  EXPECT_FLOAT_EQ(down.Distance({5, 2.5f, -3}), -2.5f);
}

TEST(PlaneTest, CollinearPointsGiveZeroNormal) {
  Plane line;
  line.P1 = {0, 0, 0};
  line.P2 = {1, 1, 1};
  line.P3 = {2, 2, 2};
  line.ComputeNormal();
  EXPECT_EQ(line.Normal.x, 0.0f);
  EXPECT_EQ(line.Normal.y, 0.0f);
  EXPECT_EQ(line.Normal.z, 0.0f);

  Float3 zero{0, 0, 0};
  Normalize(zero);
  EXPECT_EQ(zero.x, 0.0f);
  Float3 c = CrossProduct({1, 0, 0}, {0, 1, 0});
  EXPECT_FLOAT_EQ(c.z, 1.0f);
}
