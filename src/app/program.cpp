// Start-up, the frame and the main loop.
#include "app/program.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/key_bindings.h"
#include "app/screenshot.h"
#include "app/termination.h"
#include "log/error_box.h"
#include "log/log.h"
#include "text/text_printer.h"
#include "textures/gl_context_state.h"

namespace {

// The longest time one frame moves the world by: after a stall (a hidden window, a
// busy machine, a pause) the viewer goes on as after one slow frame, not one huge step.
constexpr uint32_t kMaxFrameMs = 200;

FrameInfo CurrentFrame(Program& program) {
  FrameInfo frame;
  frame.paused = program.paused;
  if (program.showHelp) frame.help = HelpLines(program.inputState.bindings);
  frame.aspect = program.window.Aspect();
  frame.frameRate = program.frameCounter.Rate();
  frame.hasClientArea = program.platform.ClientSize(frame.clientRight, frame.clientBottom);
  return frame;
}

void Resize(Program& program, int32_t width, int32_t height) {
  program.window.Resize(static_cast<uint32_t>(width), static_cast<uint32_t>(height), program.settings.viewFOV,
                        program.settings.viewDepth);
}

// Window-manager close, Alt+F4, Escape and the termination signals: the context is
// released and the cursor given back before the program ends.
void Close(Program& program) {
  SetGLContextAlive(false);
  program.platform.DestroyContext();
  program.platform.CaptureMouse(false);
}

}  // namespace

Program::Program(Platform& p)
    : platform(p), frameCounter([&p]() { return p.Milliseconds(); }) {
  inputState.SetClock([&p]() { return p.Milliseconds(); });
  inputState.SetMouseCentre(&platform);
}

SceneObjects Program::Scene() {
  SceneObjects scene;
  scene.skyBox = &skyBox;
  scene.viewer = &viewer;
  scene.terrain = &terrain;
  scene.treeSet = &treeSet;
  scene.crosshair = &crosshair;
  scene.settings = &settings;
  scene.weapon = &weapon;
  scene.flashlight = &flashlight;
  scene.sun = &sun;
  return scene;
}

bool StartProgram(Program& program, const char* title) {
  const Settings& s = program.settings;
  Platform& platform = program.platform;
  std::string why;
  if (!platform.StartWindowSystem(why)) {
    Log("window system", "", "cannot start: " + why);
    // Without a window system no box can be shown either.
    SetErrorBoxPresenter(nullptr);
    ShowErrorBox("Failed to register the window class");
    return false;
  }
  if (!platform.CreateWindow(title, s.resolutionWidth, s.resolutionHeight)) {
    ShowErrorBox("Window creation error");
    return false;
  }
  const ScreenMode mode = s.resolutionFullscreen == 1   ? ScreenMode::kSwitchMode
                          : s.resolutionFullscreen == 2 ? ScreenMode::kDesktop
                                                        : ScreenMode::kWindow;
  if (const char* failure = platform.CreateContext(s.resolutionWidth, s.resolutionHeight, mode)) {
    ShowErrorBox(failure);
    platform.DestroyContext();
    return false;
  }
  // Adaptive waiting is not in every driver; waiting for every refresh then stands in.
  if (s.resolutionVSync != 0 && !platform.SetSwapInterval(s.resolutionVSync, &why)) {
    const bool fallBack = s.resolutionVSync == -1 && platform.SetSwapInterval(1, nullptr);
    Log("settings", "Resolution/VSync", "the driver refuses " + std::to_string(s.resolutionVSync) + " (" + why +
                                            "); " + (fallBack ? "waiting for every refresh" : "not waiting"));
  }
  SetGLContextAlive(true);
  program.window.InitState();
  if (!SetUpScene(program.Scene(), &program.timings)) return false;
  program.inputState.SetViewer(&program.viewer);
  program.inputState.SetInvert(s.mouseInvert == 1);
  program.inputState.SetMouseSpeed(s.mouseSpeed);
  program.inputState.SetBindings(BindingsFromSettings(s));

  platform.CaptureMouse(true);
  int32_t width = 0, height = 0;
  platform.ShowAndFocus(width, height);
  Resize(program, width, height);
  program.lastFrameMs = platform.Milliseconds();
  program.inputState.SetMoveClock(program.lastFrameMs);
  return true;
}

namespace {

// The pause and help texts need the font, which is otherwise read only for the counter.
void ReadFont(Program& program) {
  if (program.settings.fpsDrawCounter != 0 || program.fontRead) return;
  TextPrinter::LoadFont(program.settings.fontFilename);
  program.fontRead = true;
}

void SetPaused(Program& program, bool paused) {
  if (program.paused == paused) return;
  program.paused = paused;
  if (paused) ReadFont(program);
  program.platform.CaptureMouse(!paused);
  // Looking starts again from the centre, wherever the free cursor was left.
  int32_t x = 0;
  int32_t y = 0;
  if (!paused && program.platform.ClientCentre(x, y)) program.inputState.SetMousePosition(x, y);
}

}  // namespace

bool RunFrame(Program& program, bool draw) {
  InputState& input = program.inputState;
  if (input.Pressed(input.bindings.pause)) SetPaused(program, !program.paused);
  const bool screenshot = input.Pressed(input.bindings.screenshot);
  if (input.Pressed(input.bindings.help)) {
    program.showHelp = !program.showHelp;
    ReadFont(program);
  }
  const uint32_t now = program.platform.Milliseconds();
  if (program.paused) {
    input.SkipFrame(now);
  } else {
    input.ApplyKeys();
    input.ApplyMouse();
    program.viewer.Update(std::min(now - program.lastFrameMs, kMaxFrameMs));
  }
  program.lastFrameMs = now;
  if (draw) {
    program.lastDrawCount = RenderFrame(program.Scene(), CurrentFrame(program));
    if (screenshot) SaveScreenshot(std::time(nullptr));
    program.platform.SwapBuffers();
  }
  program.frameCounter.Tick();
  const bool quit = input.QuitPressed();
  input.EndFrame();
  return quit;
}

namespace {

// The command line's settings file and folder: the file is named from the folder the
// program was started in, then the program moves to the folder. 0, or 2 with a message
// when either cannot be used.
int ApplyCommandLine(Program& program, const CommandLine& line) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path settingsFile = line.settingsFile.empty() ? fs::path() : fs::absolute(line.settingsFile, error);
  if (!line.settingsFile.empty() && (error || !fs::exists(settingsFile, error))) {
    Log("settings", QuotedFile(line.settingsFile), "cannot open: " + std::string(std::strerror(ENOENT)));
    return 2;
  }
  if (!line.worldFolder.empty()) {
    fs::current_path(line.worldFolder, error);
    if (error) {
      Log("command line", QuotedFile(line.worldFolder), "cannot start in this folder: " + error.message());
      return 2;
    }
  }
  if (settingsFile.empty()) {
    program.settings.Load(program.platform.ExecutableFolder(), "Quillmarsh.ini");
  } else {
    program.settings.LoadFile(settingsFile.c_str());
  }
  return 0;
}

int Run(Program& program, const CommandLine& line) {
  Platform& platform = program.platform;
  if (const int result = ApplyCommandLine(program, line); result != 0) return result;
  SetErrorBoxPresenter([&platform](const char* text, std::string* why) { return platform.ShowErrorBox(text, why); });
  if (!StartProgram(program, "Quillmarsh")) return 1;

  LeaveTerminationToLoop();
  for (;;) {
    const WindowEvents events = platform.PumpEvents(program.inputState);
    if (events.resized) Resize(program, events.width, events.height);
    if (events.focusLost && program.settings.pauseOnFocusLoss == 1) SetPaused(program, true);
    if (events.closeRequested || TerminationSignal() != 0) break;
    // Nothing to show: sleep until something happens rather than draw for no one.
    if (!platform.WindowVisible()) {
      platform.WaitForEvents(100);
      continue;
    }
    if (RunFrame(program, true)) break;
  }
  Close(program);
  return 0;
}

}  // namespace

int RunProgram(Program& program, const CommandLine& line) {
  InstallTerminationHandlers();
  const int result = Run(program, line);
  SetErrorBoxPresenter(nullptr);
  const int signal = TerminationSignal();
  return signal != 0 ? 128 + signal : result;
}
