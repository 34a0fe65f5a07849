// The program: its global objects in their fixed order, the entry, the window
// procedure and the main loop.
#pragma once

#include "app/frame_counter.h"
#include "app/gl_window.h"
#include "app/input_state.h"
#include "app/platform.h"
#include "app/window_messages.h"
#include "model/model.h"
#include "scene/crosshair.h"
#include "scene/lights.h"
#include "scene/scene.h"
#include "scene/sky_box.h"
#include "settings/settings.h"
#include "terrain/terrain.h"
#include "trees/tree_set.h"
#include "viewer/viewer.h"

// The objects that make up the program, constructed in this order and destroyed in
// reverse. None owns another; the scene set-up hands out the only pointers between them.
struct Program {
  Program();
  SceneObjects Scene();
  // The input state's part of the scene set-up.
  void ConfigureInput(Viewer* viewer, bool invert, int32_t mouseSpeed);

  SkyBox skyBox;
  Viewer viewer;
  Terrain terrain;
  TreeSet treeSet;
  Crosshair crosshair;
  Settings settings;
  FrameCounter frameCounter;
  GLWindow window;
  InputState inputState;
  WeaponModel weapon;
  Flashlight flashlight;
  Sunlight sun;

  // Not one of the program's objects: the SDL side of the window.
  Platform platform;
};

// The window procedure: 0 for every handled message.
int WindowProcedure(Program& program, const WindowMessage& message);

// The entry: 0 after a normal end; 1 after a failure (a message box, no display, no
// window); 128 + the signal's number when SIGTERM or SIGINT ended the program.
int RunProgram(Program& program);
