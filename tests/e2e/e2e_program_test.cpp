// The real program in a real window system, for what only a real window shows: keys and
// mouse reaching the viewer, Escape, the window manager's close, Alt+F4, no display, and
// the "Error" box (dismissed with Return, taken down by a signal, or impossible to show).
// Each row checks stderr, the exit code, and that no process the program started is
// left behind (nor its box). Every other failure is checked in-process (app_startup_test).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "headless/ini_edit.h"
#include "support/e2e.h"
#include "textures/png_file.h"

namespace fs = std::filesystem;

namespace {

enum class Ending { Box, Exits, WalkThenEscape, WindowClose, AltF4, SigintDuringBox };
struct Case {
  const char* name;
  std::vector<const char*> settings;   // "Section/Key=Value" over the shipped settings, windowed
  std::vector<const char*> stderrHas;  // none: stderr stays empty
  Ending ending;
  int exitCode;
  std::string xvfb = "";         // more arguments for Xvfb; "none": no display at all
  std::string environment = "";  // "NAME=value" added to the program's environment
  std::string forwardKey = "a";  // the keys that walk and quit, as xdotool names them
  std::string quitKey = "Escape";
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

// Starts argv in `folder` as the leader of a process group of its own, its stderr
// written to the file `errPath`.
pid_t Spawn(std::vector<std::string> argv, const std::string& folder, const std::string& errPath) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  setpgid(0, 0);
  dup2(open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
  std::vector<char*> args;
  for (std::string& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  if (chdir(folder.c_str()) == 0) execvp(args[0], args.data());
  _exit(127);
}

// Colour values that differ clearly between two RGB screenshots.
int Changes(const std::string& a, const std::string& b) {
  int changed = 0;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) changed += std::abs(uint8_t(a[i]) - uint8_t(b[i])) > 12;
  return changed;
}

// One row: a private Xvfb server, and the program copied with the generated world into
// a temporary folder (the settings file is looked up beside the executable).
class ProgramTest : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/quillmarsh-e2e-XXXXXX";
    folder = mkdtemp(pattern);
    fs::copy_file(std::getenv("QM_BINARY"), folder + "/quillmarsh");
    fs::copy(std::string(std::getenv("QM_BUILD_DIR")) + "/gfx", folder + "/gfx", fs::copy_options::recursive);
    if (GetParam().xvfb == "none") return;
    // The shell gives Xvfb's process id at once, Xvfb its display number once it accepts
    // connections; nothing else comes through the pipe.
    FILE* out = popen(("Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset " + GetParam().xvfb +
                       " 3>&1 >/dev/null 2>&1 & echo $!").c_str(), "r");
    char pid[16] = {};
    char number[16] = {};
    const bool started = fgets(pid, sizeof pid, out) != nullptr && fgets(number, sizeof number, out) != nullptr;
    pclose(out);
    xvfb = std::atoi(pid);
    ASSERT_TRUE(started) << "Xvfb did not start";
    display = ":" + std::to_string(std::atoi(number));
  }
  void TearDown() override {
    // Whatever the program left behind goes too.
    if (program > 0 && kill(-program, SIGKILL) == 0) waitpid(program, nullptr, 0);
    if (xvfb > 0) kill(xvfb, SIGTERM);
    fs::remove_all(folder);
  }

  // A command (xdotool, xwininfo, import) on the display; its stdout.
  std::string X(std::vector<std::string> argv) const {
    argv.insert(argv.begin(), {"env", "DISPLAY=" + display});
    return RunCapture(argv, 30.0);
  }
  // The first top-level window called `name` that is viewable (it can be found while
  // still hidden), or "". The names are those the server holds: xdotool's name search
  // misses windows that carry only the UTF-8 name, as SDL's message box does.
  std::string ViewableWindow(const std::string& name) const {
    std::istringstream lines(X({"xwininfo", "-root", "-children"}));
    for (std::string line; std::getline(lines, line);) {
      if (line.find("\"" + name + "\":") == std::string::npos) continue;
      const std::string id = line.substr(line.find("0x"), line.find(' ', line.find("0x")) - line.find("0x"));
      if (X({"xwininfo", "-id", id}).find("IsViewable") != std::string::npos) return id;
    }
    return "";
  }
  // Once it has ended, `exitCode` holds its exit code, or 128 + the signal that ended it.
  bool Running() {
    int status = 0;
    if (exitCode || waitpid(program, &status, WNOHANG) != program) return !exitCode;
    exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
  }
  std::string Stderr() const { return ReadText(folder + "/.stderr"); }

  // A borderless window at the origin, still while nothing is pressed, walking on a held
  // forward key and turning with a real mouse (which the program reads in relative
  // mode); a screenshot that shows what the window shows; the pause releasing the
  // pointer; then the quit key.
  void WalkTurnAndEscape(const std::string& id) {
    const std::string info = X({"xwininfo", "-id", id, "-stats", "-tree"});
    for (const char* line : {"Absolute upper-left X:  0", "Absolute upper-left Y:  0", "Width: 640", "Height: 480",
                             "(the root window)"}) {  // no frame: the root window is its parent
      EXPECT_NE(info.find(line), std::string::npos) << info;
    }
    const std::vector<std::string> shot = {"import", "-window", "root", "-crop", "640x480+0+0", "-depth", "8", "rgb:-"};
    const std::string still = X(shot);
    usleep(300000);
    std::string before = X(shot);
    // Nothing moves by itself: the comparisons below can only pass through input.
    EXPECT_LT(Changes(still, before), 640 * 480 * 3 / 100);
    const Case& c = GetParam();
    for (const auto& move : {std::vector<std::string>{"xdotool", "keydown", "--window", id, c.forwardKey},
                             std::vector<std::string>{"xdotool", "mousemove_relative", "--", "-150", "0"}}) {
      X(move);
      usleep(1000000);
      if (move[1] == "keydown") X({"xdotool", "keyup", "--window", id, c.forwardKey});
      usleep(800000);
      const std::string after = X(shot);
      EXPECT_GT(Changes(before, after), 640 * 480 * 3 / 10) << move[1];
      before = after;
    }
    // F12 writes what the window shows.
    X({"xdotool", "key", "--window", id, "F12"});
    EXPECT_TRUE(WaitUntil(5.0, [&] { return Stderr().find("\": written") != std::string::npos; })) << Stderr();
    const std::string file = fs::directory_iterator(folder + "/Screenshots")->path().string();
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;
    EXPECT_TRUE(ReadPng(file, width, height, rgba) && width == 640 && height == 480) << file;
    std::string rgb;
    for (size_t i = 0; i < rgba.size(); ++i) rgb += i % 4 == 3 ? "" : std::string(1, static_cast<char>(rgba[i]));
    EXPECT_LT(Changes(X(shot), rgb), 640 * 480 * 3 / 100);
    // P lets the mouse go, and takes it again.
    for (bool paused : {true, false}) {
      X({"xdotool", "key", "--window", id, "p"});
      EXPECT_TRUE(WaitUntil(5.0, [&] { return PointerGrabbed(display) != paused; })) << "paused " << paused;
    }
    // Held like a real key, and released on the server whatever has the focus then.
    X({"xdotool", "keydown", "--window", id, c.quitKey});
    usleep(200000);
    X({"xdotool", "keyup", c.quitKey});
  }

  std::string folder;
  std::string display;  // ":N"; empty without a display
  pid_t xvfb = -1;
  pid_t program = -1;  // also the id of the program's process group
  std::optional<int> exitCode;
};

TEST_P(ProgramTest, RunsEndsAndFailsAsItShould) {
  const Case& c = GetParam();
  std::string ini = ShippedSettings();
  std::vector<const char*> settings = {"Resolution/Width=640", "Resolution/Height=480", "Resolution/Fullscreen=0",
                                       "Resolution/VSync=0"};
  settings.insert(settings.end(), c.settings.begin(), c.settings.end());
  for (const char* s : settings) ASSERT_TRUE(ApplySetting(ini, s)) << s;
  std::ofstream(folder + "/Quillmarsh.ini") << ini;
  // `env` runs the program in its own place, with the display the row gives it.
  std::vector<std::string> argv = {"env", "-u", "WAYLAND_DISPLAY", "-u", "DISPLAY", "./quillmarsh"};
  if (!display.empty()) argv.insert(argv.end() - 1, {"DISPLAY=" + display});
  if (!c.environment.empty()) argv.insert(argv.end() - 1, c.environment);
  program = Spawn(argv, folder, folder + "/.stderr");

  if (c.ending != Ending::Exits) {
    const bool box = c.ending == Ending::Box || c.ending == Ending::SigintDuringBox;
    // Gives up as soon as the program has ended or said that it cannot show the box.
    std::string id;
    WaitUntil(30.0, [&] {
      id = ViewableWindow(box ? "Error" : "Quillmarsh");
      return !id.empty() || !Running() || Stderr().find("Error box: cannot be shown") != std::string::npos;
    });
    ASSERT_FALSE(id.empty()) << Stderr();
    usleep(box ? 300000 : 1500000);
    // The box holds the program until it is dismissed; a running program shows none.
    EXPECT_TRUE(Running()) << Stderr();
    EXPECT_EQ(ViewableWindow("Error").empty(), !box) << Stderr();
    // On a loaded machine a key can reach the box before it listens: press again
    // while it is still there.
    for (int press = 0; press < 5 && c.ending == Ending::Box && Running(); ++press) {
      X({"xdotool", "key", "--window", id, "Return"});
      WaitUntil(6.0, [this] { return !Running(); });
    }
    // To the program alone: the helper process that shows the box must go with it.
    if (c.ending == Ending::SigintDuringBox) kill(program, SIGINT);
    if (c.ending == Ending::WalkThenEscape) WalkTurnAndEscape(id);
    EXPECT_TRUE(c.ending != Ending::WindowClose || SendDeleteWindow(display, id));
    if (c.ending == Ending::AltF4) X({"xdotool", "key", "--window", id, "alt+F4"});
  }
  WaitUntil(60.0, [this] { return !Running(); });
  EXPECT_EQ(exitCode, c.exitCode) << Stderr();
  EXPECT_EQ(ViewableWindow("Error"), "") << "the box is gone with the program";
  EXPECT_TRUE(WaitUntil(5.0, [this] { return kill(-program, 0) != 0; })) << "a process it started outlived it";
  const std::string err = Stderr();
  EXPECT_TRUE(!c.stderrHas.empty() || err.empty()) << err;
  // Every line is the program's own, in its format (the window library may write others).
  std::istringstream lines(err);
  for (std::string line; std::getline(lines, line);) EXPECT_EQ(line.rfind("quillmarsh: ", 0), 0u) << line;
  for (const char* text : c.stderrHas) EXPECT_NE(err.find(text), std::string::npos) << "missing: " << text;
}

const Case kCases[] = {
    // [SECTION] A running program ends with 0
    {"WalkTurnAndEscape", {"FPS/DrawCounter=0"}, {"quillmarsh: screenshot: \"Screenshots/quillmarsh-"},
     Ending::WalkThenEscape, 0},
    // Keys of the user's choice: W walks, F10 quits.
    {"ReboundKeys", {"FPS/DrawCounter=0", "Keys/Forward=W", "Keys/Quit=F10"}, {"quillmarsh: screenshot: "},
     Ending::WalkThenEscape, 0, "", "", "w", "F10"},
    // Xvfb's software driver cannot wait for a refresh: said once, and the program runs.
    {"WindowManagerClose", {"Resolution/VSync=-1"}, {"quillmarsh: settings: Resolution/VSync: the driver refuses -1 ("},
     Ending::WindowClose, 0},
    {"AltF4", {"Resolution/Fullscreen=2"}, {}, Ending::AltF4, 0},  // over the desktop, no mode switch

    // [SECTION] Failures end with 1, or with 128 + the signal that ended the program
    {"NoDisplay", {}, {"quillmarsh: window system: cannot start: no display was found",
                       "quillmarsh: Error: Failed to register the window class"},
     Ending::Exits, 1, "none"},
    // The window system's reason, then the box's, which cannot draw its text without a
    // core font: the program ends as after the box.
    {"WindowTooLargeAndNoFontForTheBox", {"Resolution/Width=20000"},
     {"quillmarsh: window: Window is too large", "quillmarsh: Error: Window creation error",
      "quillmarsh: Error box: cannot be shown: the X server has no core font for it (install xfonts-base)"},
     Ending::Exits, 1, "-fp built-ins"},
    // Xvfb has no mode of that size.
    {"ImpossibleFullScreenSize", {"Resolution/Width=123", "Resolution/Height=77", "Resolution/Fullscreen=1"},
     {"quillmarsh: Error: Can't switch resolution"}, Ending::Box, 1},
    // A driver that refuses the context: its X error must not end the program silently.
    {"DriverRefusesTheContextThenSigint", {}, {"quillmarsh: Error: Can't create a GL rendering context"},
     Ending::SigintDuringBox, 128 + SIGINT, "", "MESA_GL_VERSION_OVERRIDE=0.5"},
};

INSTANTIATE_TEST_SUITE_P(EveryPath, ProgramTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& row) { return std::string(row.param.name); });

}  // namespace

// The command line, before anything starts: usage and version with 0; a bad option, a
// settings file or folder that is not there, with a line saying so and 2.
TEST(ProgramCommandLineTest, HelpVersionAndWhatCannotBeUsed) {
  const struct {
    const char* args;
    int exitCode;
    const char* output;  // stdout and stderr
  } cases[] = {
      {"--help", 0, "usage: quillmarsh [--settings FILE] [--world DIR]\n"},
      {"--version", 0, "Quillmarsh 1."},
      {"--world /tmp --bogus", 2, "quillmarsh: command line: unknown option \"--bogus\"\nusage: quillmarsh"},
      {"--settings /nonexistent.ini", 2, "quillmarsh: settings: \"/nonexistent.ini\": cannot open: No such file"},
      {"--world /nonexistent", 2, "quillmarsh: command line: \"/nonexistent\": cannot start in this folder"},
  };
  for (const auto& c : cases) {
    int exitCode = -1;
    const std::string command = std::string("env -u DISPLAY ") + std::getenv("QM_BINARY") + " " + c.args + " 2>&1";
    const std::string output = RunCapture({"sh", "-c", command}, 10.0, &exitCode);
    EXPECT_EQ(exitCode, c.exitCode) << c.args;
    EXPECT_EQ(output.rfind(c.output, 0), 0u) << c.args << ": " << output;
  }
}
