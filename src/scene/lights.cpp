// The sun and the flashlight: light parameters, positions and switching. Calls made
// before a light number was given are skipped, since 0 names no OpenGL light.
#include "scene/lights.h"

#include <GL/gl.h>

#include "textures/gl_context_state.h"

void Light::Enable(uint32_t light) { lightNumber = light; }

void Light::Update() {}

Light::~Light() = default;

void Sunlight::Setup(uint32_t light, float ambient, float diffuse, float x_, float z_) {
  Light::Enable(light);
  x = x_;
  z = z_;
  if (lightNumber == 0) return;
  const GLfloat ambientColour[4] = {ambient, ambient, ambient, 1.0f};
  const GLfloat diffuseColour[4] = {diffuse, diffuse, diffuse, 1.0f};
  glLightfv(lightNumber, GL_AMBIENT, ambientColour);
  glLightfv(lightNumber, GL_DIFFUSE, diffuseColour);
}

void Sunlight::Update() {
  if (lightNumber == 0) return;
  // w = 0: a direction, the light travels along -(x, 1.7, z).
  const GLfloat position[4] = {x, 1.7f, z, 0.0f};
  glLightfv(lightNumber, GL_POSITION, position);
}

void Flashlight::Enable(uint32_t light) {
  Light::Enable(light);
  if (lightNumber == 0) return;
  const GLfloat white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  glLightfv(lightNumber, GL_DIFFUSE, white);
  glLightf(lightNumber, GL_SPOT_CUTOFF, 15.0f);
  glLightf(lightNumber, GL_SPOT_EXPONENT, 128.0f);
  glEnable(lightNumber);
}

void Flashlight::Update() {
  if (lightNumber == 0) return;
  const GLfloat position[4] = {0.0f, 0.0f, 1.0f, 1.0f};
  glLightfv(lightNumber, GL_POSITION, position);
}

Flashlight::~Flashlight() {
  // Runs at exit, possibly after the context was released.
  if (lightNumber != 0 && GLContextAlive()) glDisable(lightNumber);
}
