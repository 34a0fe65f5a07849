#include "geometry/view_volume.h"

#include <algorithm>
#include <cmath>

namespace {

// OpenGL transforms and clips in single precision: the matrix product, the point's
// transformation and the plane test each round to about 1e-7 of the magnitudes involved.
// A box must lie this far beyond a plane, relative to those magnitudes, to be skipped,
// which leaves a wide margin over that rounding.
constexpr double kRelativeMargin = 1e-5;

}  // namespace

ViewVolume::ViewVolume(const double projection[16], const double modelView[16]) : culls_(true) {
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      double sum = 0.0;
      for (int k = 0; k < 4; ++k) sum += projection[k * 4 + r] * modelView[c * 4 + k];
      rows_[r][c] = sum;
    }
  }
}

bool ViewVolume::Excludes(const Float3& low, const Float3& high) const {
  if (!culls_) return false;
  const double lo[3] = {low.x, low.y, low.z};
  const double hi[3] = {high.x, high.y, high.z};
  for (int c = 0; c < 3; ++c) {
    if (std::isnan(lo[c]) || std::isnan(hi[c])) return false;
  }
  // The planes w + x >= 0, w - x >= 0, and the same for y and z.
  for (int axis = 0; axis < 3; ++axis) {
    for (const double sign : {1.0, -1.0}) {
      // The largest value the plane's function takes over the box, and the size of
      // the terms it is summed from there.
      double largest = rows_[3][3] + sign * rows_[axis][3];
      double magnitude = std::fabs(rows_[3][3]) + std::fabs(rows_[axis][3]);
      for (int c = 0; c < 3; ++c) {
        const double a = rows_[3][c] + sign * rows_[axis][c];
        largest += std::max(a * lo[c], a * hi[c]);
        magnitude += (std::fabs(rows_[3][c]) + std::fabs(rows_[axis][c])) * std::max(std::fabs(lo[c]), std::fabs(hi[c]));
      }
      if (largest < -kRelativeMargin * magnitude) return true;
    }
  }
  return false;
}
