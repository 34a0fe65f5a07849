// GL test helpers: what a draw call emits, read back through feedback mode, and a
// snapshot of the fixed-function state that drawing code must leave as it found it.
// They need a current context (HeadlessGL).
#pragma once

#include <functional>
#include <vector>

// One vertex as feedback mode reports it: window x, y and depth.
struct FeedbackVertex {
  float x, y, z;
};
using FeedbackPolygon = std::vector<FeedbackVertex>;

// Runs `draw` in feedback mode and returns the polygons it emits after clipping and
// culling, in drawing order. Fails the test when anything but polygons comes back.
std::vector<FeedbackPolygon> CapturePolygons(const std::function<void()>& draw);

// The switches (blend, depth test, lighting, fog, 2D texture, scissor test, face
// culling), blend factors, polygon modes, scissor box, matrix mode, the bound 2D
// texture with its wrap modes, and the model-view, projection and texture matrices.
std::vector<double> GLStateSnapshot();
