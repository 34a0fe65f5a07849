// The view volume as OpenGL clips it, for skipping what cannot show: which axis-aligned
// boxes lie wholly outside one of the six clip planes.
#pragma once

#include "geometry/vector3.h"

class ViewVolume {
 public:
  // A volume that excludes nothing: everything is drawn.
  ViewVolume() = default;
  // The volume of the projection and model-view matrices, column-major as OpenGL
  // stores them; a point v is inside when the clip coordinates c = P M v have
  // -c.w <= c.x, c.y, c.z <= c.w.
  ViewVolume(const double projection[16], const double modelView[16]);

  // True when every point of the box from `low` to `high` lies outside one clip plane
  // by more than OpenGL's float arithmetic can err in placing it, so that nothing
  // drawn inside the box can reach a pixel. A box with a NaN bound is never excluded.
  bool Excludes(const Float3& low, const Float3& high) const;

 private:
  // The clip matrix P M, row by row: rows_[r][c] multiplies the point's coordinate c
  // (x, y, z, 1) into clip coordinate r (x, y, z, w).
  double rows_[4][4] = {};
  bool culls_ = false;
};
