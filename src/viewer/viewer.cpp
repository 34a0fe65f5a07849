// The viewer's pose operations and motion model, in plain C++ (no OpenGL here).
// The motion parameters are public fields that the scene set-up copies from the
// settings unchecked, so every step below reads them defensively: no value of them
// may put a NaN or an infinity into the position, the velocity or the fall velocity.
#include "viewer/viewer.h"

#include <cmath>

#include "terrain/terrain.h"

namespace {

constexpr float kDegToRad = 0.017453292f;

// Feet closer to the ground than this still count as standing on it.
constexpr float kGroundTolerance = 0.0000001f;

// The ground glue holds the feet down only where the ground ahead falls by less than
// this within the probe distance.
constexpr float kGlueDrop = 0.01f;

// Largest magnitude a velocity component may reach, in world units per second. Far
// beyond any speed that can be seen, yet small enough that velocity x elapsed time
// stays finite for any 32-bit millisecond count, so nothing overflows into infinity.
constexpr float kMaxRate = 1.0e9f;

float BoundRate(float v) {
  if (std::isnan(v)) return 0.0f;
  if (v > kMaxRate) return kMaxRate;
  if (v < -kMaxRate) return -kMaxRate;
  return v;
}

void BoundRates(Vector3& v) {
  v.x = BoundRate(v.x);
  v.y = BoundRate(v.y);
  v.z = BoundRate(v.z);
}

// A length limit that is not a number or negative means "no length at all": a limit
// below 0 would otherwise flip the vector's direction, and NaN would spread into it.
float SoundLimit(float limit) { return limit > 0.0f ? limit : 0.0f; }

Vector3 Direction(float headingDegrees) {
  const float h = headingDegrees * kDegToRad;
  return Vector3(std::sin(h), 0.0f, std::cos(h));
}

}  // namespace

// [SECTION] Camera

void Camera::Turn(float degrees) {
  const float turned = heading + degrees;
  if (std::isfinite(turned)) heading = turned;
}

void Camera::Pitch(float degrees) {
  if (std::isnan(degrees)) return;
  pitch += degrees;
  if (pitch > 90.0f) pitch = 90.0f;
  if (pitch < -90.0f) pitch = -90.0f;
}

float Camera::GroundHeight() const {
  if (terrain == nullptr) return y;
  return terrain->HeightAt(z, x);
}

void Camera::SetSizeOfViewer(float value) {
  if (value >= 0.0f && std::isfinite(value)) sizeOfViewer = value;
}

void Camera::SetSpeed(float value) {
  if (value > 0.0f && std::isfinite(value)) speed = value;
}

// [SECTION] Forces

void Viewer::Move(bool forward, bool backward, bool left, bool right, bool up, bool down,
                  int32_t elapsedMs) {
  Accelerate(speed * forward, speed * backward, speed * left, speed * right, speed * up,
             speed * down, elapsedMs);
}

void Viewer::Accelerate(float forward, float backward, float left, float right, float up,
                        float down, int32_t elapsedMs) {
  // Directions at the present heading: forward (-sin h, 0, -cos h), backward its
  // opposite, left and right a quarter turn to either side.
  const Vector3 ahead = Direction(heading);
  const Vector3 leftDir = Direction(heading - 90.0f);
  const Vector3 rightDir = Direction(heading + 90.0f);
  const struct {
    float amount;
    Vector3 dir;
  } forces[6] = {
      {forward, Vector3(-ahead.x, 0.0f, -ahead.z)},
      {backward, ahead},
      {left, leftDir},
      {right, rightDir},
      {up, Vector3(0.0f, 1.0f, 0.0f)},
      {down, Vector3(0.0f, -1.0f, 0.0f)},
  };

  Vector3 force;
  for (const auto& f : forces) {
    // Zero, negative and not-a-number amounts add nothing; huge ones are bounded so
    // that the sum stays finite.
    if (!(f.amount > 0.0f)) continue;
    const float amount = BoundRate(f.amount);
    force.Add(Vector3(amount * f.dir.x, amount * f.dir.y, amount * f.dir.z));
  }

  CheckGround();

  // The force builds up over the acceleration time. An acceleration time of 0 or less
  // cannot spread the force over time, so it applies at once (limit = speed) instead
  // of dividing by zero. Whatever the acceleration time, no elapsed time adds nothing,
  // and a negative one (a clock that went backwards) counts as none: a negative limit
  // would reverse the force.
  const int32_t buildUpMs = inAir ? midAirAccelerationTime : accelerationTime;
  const float ms = elapsedMs > 0 ? static_cast<float>(elapsedMs) : 0.0f;
  float limit = speed;
  if (buildUpMs > 0) limit = speed / static_cast<float>(buildUpMs) * ms;
  else if (ms == 0.0f) limit = 0.0f;
  force.LimitLength(SoundLimit(limit));

  velocity.Add(force);
  BoundRates(velocity);
}

void Viewer::Jump() {
  CheckGround();
  if (inAir) return;
  velocity.Add(jumpVector);
  BoundRates(velocity);
}

void Viewer::CheckGround() { inAir = GroundHeight() + kGroundTolerance < y; }

float Viewer::GroundDropAhead(Vector3 displacement) const {
  if (terrain == nullptr) return 0.0f;
  displacement.LimitLength(terrain->StepSize() * 0.1f);
  return terrain->HeightAt(z, x) - terrain->HeightAt(z + displacement.z, x + displacement.x);
}

// [SECTION] Update

void Viewer::Update(uint32_t elapsedMs) {
  const float ms = static_cast<float>(elapsedMs);
  const float perMs = 0.001f * ms;  // seconds elapsed

  Vector3 d = velocity;
  CheckGround();
  const bool wasInAir = inAir;

  if (wasInAir) {
    // The fall velocity grows by the factor 1 + rate x seconds. A negative rate may
    // slow the fall down to nothing but never turn it around; NaN means no growth.
    float growth = gravityAcceleration * perMs;
    if (std::isnan(growth)) growth = 0.0f;
    if (growth < -1.0f) growth = -1.0f;
    fallVelocity.x += fallVelocity.x * growth;
    fallVelocity.y += fallVelocity.y * growth;
    fallVelocity.z += fallVelocity.z * growth;
    BoundRates(fallVelocity);
    d.Add(fallVelocity);
  } else {
    fallVelocity = gravity;
    BoundRates(fallVelocity);
  }

  // This frame's displacement, never longer than speed x factor per second.
  d.x *= perMs;
  d.y *= perMs;
  d.z *= perMs;
  d.LimitLength(SoundLimit(speed * maxAccelerationFactor * perMs));

  // Landing: the feet would go below the ground here, so the upward or downward
  // walking velocity ends.
  if (GroundHeight() > y + d.y) velocity.y = 0.0f;

  float nx = x + d.x;
  const float ny = y + d.y;
  float nz = z + d.z;
  float drop = 0.0f;

  if (terrain != nullptr) {
    // Fence half a step inside the height field's edge; the height is not fenced.
    // x runs along the grid's second index, z along the first.
    const float step = terrain->StepSize();
    const TerrainBounds bounds = terrain->GetBounds();
    const float half = step * 0.5f;
    if (nx < half) nx = half;
    if (nz < half) nz = half;
    if (nx > static_cast<float>(bounds.last1) * step - half)
      nx = static_cast<float>(bounds.last1) * step - half;
    if (nz > static_cast<float>(bounds.last0) * step - half)
      nz = static_cast<float>(bounds.last0) * step - half;
    drop = GroundDropAhead(d);  // probed from the position before the move
  }

  x = nx;
  y = ny;
  z = nz;

  const float ground = GroundHeight();
  if (y < ground) y = ground;

  // Ground glue: walking (not jumping) down a gentle slope keeps the feet on the ground.
  if (jumpVector.y * 0.5f > velocity.y && !wasInAir && drop < kGlueDrop) y = ground;

  // Damping. A negative or not-a-number rate would amplify the velocity (or divide by
  // zero), so it damps nothing; an infinite one stops the viewer.
  const float damping = (wasInAir ? midAirSlowdown : slowdown) * perMs;
  if (damping > 0.0f) velocity.Damp(damping);

  if (smallestForce > std::fabs(velocity.x) + std::fabs(velocity.y) + std::fabs(velocity.z))
    velocity.Clear();
}
