// The program: its objects in their fixed order, the start-up, the one frame every
// driver runs (the program's main loop, the headless renderer and its soak), and the
// main loop.
#pragma once

#include <cstdint>

#include "app/command_line.h"
#include "app/frame_counter.h"
#include "app/gl_window.h"
#include "app/input_state.h"
#include "app/platform.h"
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
  explicit Program(Platform& platform);
  SceneObjects Scene();

  Platform& platform;  // the window system; not owned
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

  SceneTimings timings;      // the set-up's slow steps, for the benchmark
  uint32_t lastFrameMs = 0;  // clock reading after the last viewer update
  uint32_t lastDrawCount = 0;  // terrain patches and trees the last drawn frame drew
  bool paused = false;         // the pause key or the focus loss stopped the world
  bool showHelp = false;       // the help key put the key list over the frame
  bool fontRead = false;       // the font was read for the pause or help text
};

// Window system, window, OpenGL context and state, the scene with the settings already
// read; then the window is shown with the mouse captured, and the clocks start. A
// failure has been shown in the "Error" box when this returns false.
bool StartProgram(Program& program, const char* title);

// One frame after the events: the pause key toggles the pause; unless paused, keys and
// mouse applied to the viewer and the viewer moved by the time since the last frame (at
// most 200 ms); the frame drawn and presented (when `draw`), counted, and ended. True
// when the quit key was down during the frame.
bool RunFrame(Program& program, bool draw);

// The entry: reads Quillmarsh.ini beside the executable (or the command line's settings
// file, after moving to its folder), starts, runs the main loop. 0 after a normal end;
// 1 after a failure (a message box, no display, no window); 2 when the command line's
// file or folder cannot be used; 128 + the signal's number when SIGTERM or SIGINT ended
// the program.
int RunProgram(Program& program, const CommandLine& line = CommandLine());
