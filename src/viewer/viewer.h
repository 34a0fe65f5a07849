// The viewer: the first-person observer's pose (Camera) and its motion model
// (Viewer): key forces, damping, falling, jumping, landing, ground glue and the fence
// at the world's edge. Plain C++; only Camera::ApplyTransform touches OpenGL.
//
// Axes and units: y is up and is the height of the feet; positions are in world units
// (the terrain's grid spacing is one step); angles in degrees; times in milliseconds;
// velocities in world units per second. Heading 0 looks along -z, a growing heading
// turns left, a positive pitch looks down.
#pragma once

#include <cstdint>

#include "geometry/vector3.h"

class Terrain;

class Camera {
 public:
  Camera() = default;
  virtual ~Camera() = default;
  Camera(const Camera&) = default;
  Camera& operator=(const Camera&) = default;

  // Multiplies the current (model-view) matrix by the view transform: rotate by pitch
  // about x, by 360 - heading about y, then translate by (-x, -(y + sizeOfViewer), -z).
  // Needs a current GL context (camera_gl.cpp).
  void ApplyTransform() const;

  // heading += degrees, never wrapped. A non-finite turn is ignored.
  void Turn(float degrees);
  // pitch += degrees, then clamped to [-90, 90]. Not-a-number is ignored.
  void Pitch(float degrees);
  void LevelView() { pitch = 0.0f; }

  // Terrain height under (x, z); without a terrain the viewer's own y, so that the
  // viewer then always stands on the ground.
  float GroundHeight() const;

  void SetTerrain(Terrain* t) { terrain = t; }
  // Taken when 0 or greater and finite; otherwise the old value stays.
  void SetSizeOfViewer(float value);
  // Taken when greater than 0 and finite; otherwise the old value stays.
  void SetSpeed(float value);
  void SetX(float value) { x = value; }
  void SetY(float value) { y = value; }
  void SetZ(float value) { z = value; }

  float GetX() const { return x; }
  float GetY() const { return y; }
  float GetZ() const { return z; }
  float GetHeading() const { return heading; }
  float GetPitch() const { return pitch; }
  float GetSpeed() const { return speed; }
  Terrain* GetTerrain() const { return terrain; }

  float pitch = 0.0f;           // degrees, within [-90, 90]; positive looks down
  float heading = 0.0f;         // degrees, unbounded; 0 looks along -z
  float x = 0.0f;               // feet position, world units
  float y = 1.0f;
  float z = 0.0f;
  float sizeOfViewer = 0.075f;  // eye height above the feet, world units
  float speed = 0.45f;          // force of one movement key, world units per second
  Terrain* terrain = nullptr;   // not owned
};

class Viewer : public Camera {
 public:
  Viewer() = default;
  ~Viewer() override = default;
  Viewer(const Viewer&) = default;
  Viewer& operator=(const Viewer&) = default;

  // Turns the six movement flags into forces of `speed` each and accelerates.
  // `elapsedMs` is the time since the previous move, as a signed count.
  void Move(bool forward, bool backward, bool left, bool right, bool up, bool down,
            int32_t elapsedMs);
  // Adds the sum of the given forces (each along its direction; zero, negative or
  // non-finite forces add nothing) to the velocity, limited to what may build up in
  // `elapsedMs` over the acceleration time of the present state (ground or air).
  void Accelerate(float forward, float backward, float left, float right, float up, float down,
                  int32_t elapsedMs);
  // Adds jumpVector to the velocity when on the ground; in the air it does nothing.
  void Jump();
  // inAir = ground height + 0.0000001 < y.
  void CheckGround();
  // Ground height here minus the ground height a short probe (a tenth of a grid step
  // at most) along `displacement`; positive where the ground falls away ahead.
  // Without a terrain: 0.
  float GroundDropAhead(Vector3 displacement) const;
  // Advances the motion by `elapsedMs` in one step. Without a terrain there is no
  // fence and no probe; the viewer then counts as always on the ground.
  void Update(uint32_t elapsedMs);
  void SetGravity(Vector3 g) {
    gravity.x = g.x;
    gravity.y = g.y;
    gravity.z = g.z;
  }

  Vector3 gravity{0.0f, -0.15f, 0.0f};  // fall velocity on leaving the ground, units/s
  Vector3 jumpVector{0.0f, 1.0f, 0.0f};  // added to the velocity by a jump, units/s
  float smallestForce = 0.01f;           // |vx|+|vy|+|vz| below this stops the viewer
  float minimumHeight = 0.0f;            // kept from the settings; the motion ignores it
  float slowdown = 7.5f;                 // damping rate on the ground, per second
  float midAirSlowdown = 0.1f;           // damping rate in the air, per second
  float gravityAcceleration = 2.5f;      // growth rate of the fall velocity, per second
  Vector3 fallVelocity;                  // current fall velocity, units/s
  int32_t accelerationTime = 100;        // ms for a key force to build up on the ground
  int32_t midAirAccelerationTime = 500;  // the same in the air
  float maxAccelerationFactor = 4.0f;    // displacement cap per second, in multiples of speed
  bool inAir = false;                    // result of the last ground check
  Vector3 velocity;                      // walking and jumping velocity, units/s
};
