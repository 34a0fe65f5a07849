// Scene set-up and frame drawing: the two functions that tie the scene objects
// together, handing each its values from the settings record, and the fixed order in
// which one frame is drawn.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class Crosshair;
class Flashlight;
class Settings;
class SkyBox;
class Sunlight;
class Terrain;
class TreeSet;
class Viewer;
class WeaponModel;

// The program's objects the scene works with. None is owned here.
struct SceneObjects {
  SkyBox* skyBox = nullptr;
  Viewer* viewer = nullptr;
  Terrain* terrain = nullptr;
  TreeSet* treeSet = nullptr;
  Crosshair* crosshair = nullptr;
  const Settings* settings = nullptr;
  WeaponModel* weapon = nullptr;
  Flashlight* flashlight = nullptr;
  Sunlight* sun = nullptr;
};

// Milliseconds the set-up spent in its slow steps (for the benchmark).
struct SceneTimings {
  double terrainBuildMs = 0.0;
  double totalMs = 0.0;
};

// Loads every image, model and font, builds the terrain, configures the viewer, places
// the trees and sets up the lights. Needs a current OpenGL context. A failure that ends
// the program is shown in the "Error" box; false then, and the caller ends the program.
bool SetUpScene(const SceneObjects& scene, SceneTimings* timings = nullptr);

// What one frame needs from the window layer.
struct FrameInfo {
  float aspect = 4.0f / 3.0f;   // width / height of the window
  uint32_t frameRate = 0;       // frames per second for the counter
  bool hasClientArea = false;   // the window is the active one
  bool paused = false;          // "Paused" is shown over the frame
  std::vector<std::string> help;  // lines shown at the top left over the frame
  int32_t clientRight = 0;      // client rectangle, pixels
  int32_t clientBottom = 0;
};

// Draws one complete frame (the buffers are swapped by the caller). Returns the draws
// made for the world: terrain patches and trees.
uint32_t RenderFrame(const SceneObjects& scene, const FrameInfo& frame);
