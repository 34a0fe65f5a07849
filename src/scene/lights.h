// The two lights of the scene, each wrapping one OpenGL fixed-function light: the sun,
// a directional light fixed in the world, and the flashlight, a narrow spot fixed in
// eye space that follows every turn of the viewer.
#pragma once

#include <cstdint>

// Common base. The virtual operations are, in this order: Enable, Update, destructor.
class Light {
 public:
  Light() = default;
  // Takes an OpenGL light enumerant (GL_LIGHT0, GL_LIGHT1, ...); the base only stores it.
  virtual void Enable(uint32_t light);
  // Sends the light's per-frame values to OpenGL; the base sends nothing.
  virtual void Update();
  virtual ~Light();

  // The OpenGL light enumerant held, 0 while none is. The frame drawing switches the
  // sun off around the trees with it.
  uint32_t LightNumber() const { return lightNumber; }

 protected:
  uint32_t lightNumber = 0;
};

class Sunlight : public Light {
 public:
  // Takes the light number and the direction towards the sun in the world's x and z,
  // and gives the light grey ambient and diffuse colours. Does not switch it on.
  void Setup(uint32_t light, float ambient, float diffuse, float x_, float z_);
  // Sends the direction (x, 1.7, z) as a directional position; call it under the camera
  // transform so that the sun stays fixed in the world.
  void Update() override;

  float z = 0.0f;  // world z component of the direction towards the sun
  float x = 0.0f;  // world x component of that direction
};

class Flashlight : public Light {
 public:
  // A white spot of 15 degrees with a sharp fall-off (exponent 128), switched on.
  void Enable(uint32_t light) override;
  // Positions it one unit behind the eye on the view axis when the model-view matrix
  // is the identity; the default spot direction (0, 0, -1) then shines straight ahead.
  void Update() override;
  // Switches its light off, unless the OpenGL context is already gone.
  ~Flashlight() override;
};
