// Entry, window procedure and main loop.
#include "app/program.h"

#include <string>

#include "app/termination.h"
#include "app/virtual_keys.h"
#include "log/log.h"
#include "scene/error_box.h"

namespace {

void HandleCreate(Program& program) {
  const Settings& s = program.settings;
  if (!program.window.Create(s.resolutionWidth, s.resolutionHeight, s.resolutionFullscreen == 1,
                             program.platform.window())) {
    program.window.Destroy();
    program.platform.PostQuit(1);
    return;
  }
  SceneHooks hooks;
  hooks.configureInput = [&program](Viewer* viewer, bool invert, int32_t mouseSpeed) {
    program.ConfigureInput(viewer, invert, mouseSpeed);
  };
  hooks.postQuit = [&program]() { program.platform.PostQuit(1); };
  SetUpScene(program.Scene(), hooks);
  program.platform.CentreAndHideCursor();
}

FrameInfo CurrentFrame(Program& program) {
  FrameInfo frame;
  frame.aspect = program.window.Aspect();
  frame.frameRate = program.frameCounter.Rate();
  frame.hasClientArea = program.platform.ClientSize(frame.clientRight, frame.clientBottom);
  return frame;
}

void HandleClose(Program& program) {
  program.window.Destroy();
  program.platform.ShowCursor();
  program.platform.PostQuit(0);
}

}  // namespace

Program::Program() : frameCounter(&Milliseconds) {
  inputState.SetClock(&Milliseconds);
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

void Program::ConfigureInput(Viewer* v, bool invert, int32_t mouseSpeed) {
  inputState.SetViewer(v);
  inputState.SetInvert(invert);
  inputState.SetMouseSpeed(mouseSpeed);
}

int WindowProcedure(Program& program, const WindowMessage& message) {
  switch (message.kind) {
    case MessageKind::Create: HandleCreate(program); return 0;
    case MessageKind::Destroy: return 0;
    case MessageKind::Size:
      program.window.Resize(message.a, message.b, program.settings.viewFOV, program.settings.viewDepth);
      return 0;
    case MessageKind::Close: HandleClose(program); return 0;
    case MessageKind::KeyDown: program.inputState.SetKey(message.a, true); return 0;
    case MessageKind::KeyUp: program.inputState.SetKey(message.a, false); return 0;
    case MessageKind::MouseMove:
      program.inputState.SetMousePosition(static_cast<int32_t>(message.a & 0xFFFFu),
                                          static_cast<int32_t>(message.b & 0xFFFFu));
      return 0;
    case MessageKind::LButtonDown: program.inputState.SetButton(0, true); return 0;
    case MessageKind::RButtonDown: program.inputState.SetButton(1, true); return 0;
    case MessageKind::MButtonDown: program.inputState.SetButton(2, true); return 0;
    case MessageKind::Quit: return 0;
  }
  return 0;
}

namespace {

int Run(Program& program) {
  program.settings.Load("Quillmarsh.ini");
  SetErrorBoxPresenter(&ShowErrorMessageBox);

  std::string why;
  if (!program.platform.InitVideo(why)) {
    Log("window system", "", "cannot start: " + why);
    SetErrorBoxPresenter(nullptr);
    ShowErrorBox("Failed to register the window class");
    return 1;
  }
  if (program.platform.CreateWindow("Quillmarsh", program.settings.resolutionWidth,
                                    program.settings.resolutionHeight) == nullptr) {
    ShowErrorBox("Window creation error");
    return 1;
  }
  WindowProcedure(program, WindowMessage{MessageKind::Create});
  program.platform.ShowAndFocus();

  uint32_t lastTime = Milliseconds();
  program.inputState.SetMoveClock(lastTime);
  LeaveTerminationToLoop();
  for (;;) {
    WindowMessage message{MessageKind::Quit};
    while (program.platform.PeekMessage(message)) {
      if (message.kind == MessageKind::Quit) return static_cast<int>(message.a);
      WindowProcedure(program, message);
    }
    if (TerminationSignal() != 0) {
      WindowProcedure(program, WindowMessage{MessageKind::Close});
      continue;
    }
    program.inputState.ApplyKeys();
    program.inputState.ApplyMouse();
    const uint32_t now = Milliseconds();
    program.viewer.Update(now - lastTime);
    lastTime = Milliseconds();
    RenderFrame(program.Scene(), CurrentFrame(program));
    program.window.SwapBuffers();
    program.frameCounter.Tick();
    const bool escape = program.inputState.IsKeyDown(vk::kEscape);
    program.inputState.EndFrame();
    if (escape) WindowProcedure(program, WindowMessage{MessageKind::Close});
  }
}

}  // namespace

int RunProgram(Program& program) {
  InstallTerminationHandlers();
  const int result = Run(program);
  const int signal = TerminationSignal();
  return signal != 0 ? 128 + signal : result;
}
