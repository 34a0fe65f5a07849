// Vectors and planes: the small float geometry shared by the settings record, the
// terrain, the viewer, the trees and the weapon model. No drawing here.
#pragma once

#include <cstdint>

// Three-component float vector used by the motion model and the settings record.
class Vector3 {
 public:
  Vector3() = default;
  Vector3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
  virtual ~Vector3() = default;
  Vector3(const Vector3&) = default;
  Vector3& operator=(const Vector3&) = default;

  // 0 gives x, 1 gives y, anything larger gives z.
  float& At(uint16_t index);
  // x, y or z for 0, 1, 2; -1.0 for any larger index.
  float Get(uint16_t index) const;
  float Length() const;
  void Add(const Vector3& other);
  void Clear();
  // Divides every component by 1 + amount.
  void Damp(float amount);
  // Scales the vector down to `limit` when its length is at least `limit`. A zero
  // vector stays zero; any other vector becomes zero for a limit of 0 (never 0/0).
  void LimitLength(float limit);

  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
};

// A bare float triple, as the drawing calls take it (pointer to three floats).
struct Float3 {
  float x;
  float y;
  float z;
};

Float3 CrossProduct(const Float3& a, const Float3& b);
// Divides by the length in place; a zero vector stays zero.
void Normalize(Float3& v);

// Plane through three points. The owner fills P1..P3, then asks for the normal.
class Plane {
 public:
  Plane() = default;
  virtual ~Plane() = default;
  Plane(const Plane&) = default;
  Plane& operator=(const Plane&) = default;

  // Normal := Normalize((P1 - P2) x (P2 - P3)); three points on one line give zero.
  void ComputeNormal();
  // Signed distance of `point`, positive on the side the normal points to.
  float Distance(const Float3& point) const;

  Float3 P1{};
  Float3 P2{};
  Float3 P3{};
  Float3 Normal{};
};
