// End-to-end test support: a private Xvfb server, the real program copied into a
// temporary folder with its own settings, xdotool to drive it, and screenshots.
// Every process started here has a deadline and is killed when the test ends.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Runs a command to completion (killed after `timeoutSeconds`); returns its stdout.
std::string RunCapture(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
                       double timeoutSeconds = 10.0, int* exitCode = nullptr);

class XServer {
 public:
  // `extraArgs` go to Xvfb as they are (for example {"-extension", "GLX"}).
  XServer(int width = 1024, int height = 768, const std::vector<std::string>& extraArgs = {});
  ~XServer();
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;

  bool ok() const { return !display_.empty(); }
  const std::string& display() const { return display_; }  // ":N"
  std::map<std::string, std::string> Env() const;

  // Window ids whose name matches `name` (xdotool search --name).
  std::vector<std::string> FindWindows(const std::string& name) const;
  // Waits up to `timeoutSeconds` for such a window; gives up early when `stillWorth`
  // (if given) says the window can no longer come.
  std::optional<std::string> WaitForWindow(const std::string& name, double timeoutSeconds,
                                           const std::function<bool()>& stillWorth = nullptr) const;
  // What keeps this server from showing the program's "Error" box ("" when nothing does):
  // the box draws its text with a core font that minimal servers lack.
  std::string ErrorBoxProblem() const;
  // Waits up to `timeoutSeconds` until the window is mapped and viewable. (A window can
  // be found by name while it is still hidden, before the program shows it.)
  bool WaitUntilViewable(const std::string& windowId, double timeoutSeconds) const;
  // xdotool with these arguments on this display.
  std::string Xdotool(const std::vector<std::string>& args) const;
  // Asks the window to close, as a window manager's close button does (WM_DELETE_WINDOW).
  bool SendDeleteWindow(const std::string& windowId) const;
  // The whole screen as RGB bytes, rows top-down.
  std::vector<uint8_t> Screenshot(int& width, int& height) const;

 private:
  pid_t pid_ = -1;
  std::string display_;
};

// The program in a temporary folder of its own: the executable copied there (the
// settings file is looked up beside it), its settings, and the assets it is given.
class ProgramRun {
 public:
  ProgramRun();
  ~ProgramRun();
  ProgramRun(const ProgramRun&) = delete;
  ProgramRun& operator=(const ProgramRun&) = delete;

  const std::string& folder() const { return folder_; }
  void WriteSettings(const std::string& text) const;
  // Copies the generated default world (gfx/ and the shipped settings) from the build.
  void CopyDefaultWorld() const;

  // Starts the program with the given environment (DISPLAY etc.).
  bool Start(const std::map<std::string, std::string>& env);
  // Waits for the exit code; kills the program and returns nothing after the timeout.
  std::optional<int> Wait(double timeoutSeconds);
  bool Running();
  // Sends a signal to the program alone (not to processes it started).
  void Signal(int signal) const;
  // Waits up to `timeoutSeconds` until no process started by the program is left (the
  // program itself must have ended and been waited for).
  bool NothingLeftBehind(double timeoutSeconds) const;
  std::string Stderr() const;
  // The folder's files (relative names), to check that nothing was written.
  std::vector<std::string> ListFiles() const;

 private:
  std::string folder_;
  pid_t pid_ = -1;
  pid_t group_ = -1;
  std::optional<int> exitCode_;
};

// The settings shipped in the build folder.
std::string ShippedSettings();
// The shipped settings in a window of width x height instead of full screen.
std::string WindowedShippedSettings(int width, int height);

// Waits up to `timeoutSeconds` for the program's window called `name`; gives up as soon
// as the program has ended.
std::optional<std::string> WaitForProgramWindow(const XServer& x, ProgramRun& run, const std::string& name,
                                                double timeoutSeconds);

// The environment variables of this process, with DISPLAY and WAYLAND_DISPLAY removed.
std::map<std::string, std::string> EnvironmentWithoutDisplay();
