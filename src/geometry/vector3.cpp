// Vector, float-triple and plane arithmetic, all in 32-bit floats.
#include "geometry/vector3.h"

#include <cmath>

float& Vector3::At(uint16_t index) {
  if (index == 0) return x;
  if (index == 1) return y;
  return z;
}

float Vector3::Get(uint16_t index) const {
  switch (index) {
    case 0: return x;
    case 1: return y;
    case 2: return z;
    default: return -1.0f;
  }
}

float Vector3::Length() const { return std::sqrt(x * x + y * y + z * z); }

void Vector3::Add(const Vector3& other) {
  x += other.x;
  y += other.y;
  z += other.z;
}

void Vector3::Clear() { x = y = z = 0.0f; }

void Vector3::Damp(float amount) {
  const float divisor = 1.0f + amount;
  x /= divisor;
  y /= divisor;
  z /= divisor;
}

void Vector3::LimitLength(float limit) {
  const float length = Length();
  if (length < limit) return;
  if (length == 0.0f) return;  // zero vector, limit 0: stays zero
  if (limit == 0.0f) {
    Clear();
    return;
  }
  const float factor = length / limit;
  x /= factor;
  y /= factor;
  z /= factor;
}

Float3 CrossProduct(const Float3& a, const Float3& b) {
  return Float3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

void Normalize(Float3& v) {
  float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  if (length == 0.0f) length = 1.0f;
  v.x /= length;
  v.y /= length;
  v.z /= length;
}

void Plane::ComputeNormal() {
  const Float3 a{P1.x - P2.x, P1.y - P2.y, P1.z - P2.z};
  const Float3 b{P2.x - P3.x, P2.y - P3.y, P2.z - P3.z};
  Normal = CrossProduct(a, b);
  Normalize(Normal);
}

float Plane::Distance(const Float3& point) const {
  return point.x * Normal.x + point.y * Normal.y + point.z * Normal.z -
         (P1.x * Normal.x + P1.y * Normal.y + P1.z * Normal.z);
}
