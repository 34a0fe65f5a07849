// The real program in a real window system: how it walks, ends and fails where only a
// real window shows it. Each row checks the message on stderr, the "Error" box where
// one is shown (dismissed with Return), the exit code, that no process the program
// started is left behind, and that the program's folder holds no new file afterwards.
// Failures of the scene set-up and the file readers are checked in-process
// (app_startup_test).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <ostream>
#include <sstream>
#include <thread>

#include <signal.h>

#include "headless/ini_edit.h"
#include "support/e2e.h"
#include "support/test_files.h"

namespace fs = std::filesystem;

namespace {

// How a run ends: dismissing the box, by itself, ended by the user, or by a signal
// (`Case::signal`) while the box is up or while it runs.
enum class Ending { Box, Exits, WalkThenEscape, WindowClose, AltF4, SignalDuringBox, SignalWhileRunning };
// Where the program looks for a display.
enum class Server { Normal, WithoutGlx, WithoutFonts, None };
struct Case {
  const char* name;
  std::vector<const char*> settings;  // "Section/Key=Value" over the shipped settings, windowed
  const char* removed;                // a file of the copied world removed before the start
  std::vector<const char*> stderrHas;  // "%F" stands for the program's folder
  Ending ending;
  int exitCode;
  Server server = Server::Normal;
  const char* environment = nullptr;       // "NAME=value" added to the program's environment
  int signal = 0;                          // sent by the Signal... endings
};

// Rows are named in the test's name; the default print would dump the row's bytes.
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

// A box that has not appeared by then will not: a row fails instead of waiting on.
constexpr double kBoxSeconds = 15.0;
constexpr int kWidth = 640;
constexpr int kHeight = 480;

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

std::vector<std::string> FilesWithoutCapture(const ProgramRun& run) {
  auto files = run.ListFiles();
  files.erase(std::remove(files.begin(), files.end(), ".stderr"), files.end());
  std::sort(files.begin(), files.end());
  return files;
}

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Pixels of the program's window (at the screen's origin) that differ by more than a
// little between two screenshots.
int ChangedPixels(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int screenWidth) {
  int changed = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(screenWidth) + static_cast<size_t>(x)) * 3;
      changed += std::abs(a[i] - b[i]) + std::abs(a[i + 1] - b[i + 1]) + std::abs(a[i + 2] - b[i + 2]) > 24 ? 1 : 0;
    }
  }
  return changed;
}

// A borderless window at the origin, still while nothing is pressed, walking on a held
// arrow key and turning with a real mouse (which the program reads in relative mode).
void WalkAndTurn(const XServer& x, const std::string& id) {
  const std::string info = RunCapture({"xwininfo", "-id", id}, x.Env());
  for (const char* line : {"Absolute upper-left X:  0", "Absolute upper-left Y:  0", "Width: 640", "Height: 480"}) {
    EXPECT_NE(info.find(line), std::string::npos) << info;
  }
  // No frame around it: the window's parent is the root window itself.
  EXPECT_NE(RunCapture({"xwininfo", "-id", id, "-tree"}, x.Env()).find("(the root window)"), std::string::npos);
  int w = 0, h = 0;
  const auto still = x.Screenshot(w, h);
  Sleep(300);
  auto before = x.Screenshot(w, h);
  // Nothing moves by itself: the comparisons below can only pass through input.
  EXPECT_LT(ChangedPixels(still, before, w), kWidth * kHeight / 100);
  for (const auto& move : {std::vector<std::string>{"keydown", "--window", id, "Up"},
                           std::vector<std::string>{"mousemove_relative", "--", "-150", "0"}}) {
    x.Xdotool(move);
    Sleep(1000);
    if (move[0] == "keydown") x.Xdotool({"keyup", "--window", id, "Up"});
    Sleep(800);
    const auto after = x.Screenshot(w, h);
    EXPECT_GT(ChangedPixels(before, after, w), kWidth * kHeight / 10) << move[0];
    before = after;
  }
  // Held like a real key, and released on the server whatever has the focus then.
  x.Xdotool({"keydown", "--window", id, "Escape"});
  Sleep(200);
  x.Xdotool({"keyup", "Escape"});
}

// Before any row: a server that cannot show the box would fail every box row, each
// only after its wait; say once, at once, what is missing.
class ErrorBoxCheck : public ::testing::Environment {
 public:
  void SetUp() override {
    XServer x;
    ASSERT_TRUE(x.ok()) << "Xvfb did not start";
    const std::string problem = x.ErrorBoxProblem();
    ASSERT_TRUE(problem.empty()) << problem;
  }
};
const auto* const kErrorBoxCheck = ::testing::AddGlobalTestEnvironment(new ErrorBoxCheck);

// Waits for the "Error" box; gives up as soon as the program has ended or said on
// stderr that it cannot show the box.
std::optional<std::string> WaitForBox(const XServer& x, ProgramRun& run) {
  return x.WaitForWindow("Error", kBoxSeconds, [&run]() {
    return run.Running() && run.Stderr().find("Error box: cannot be shown") == std::string::npos;
  });
}

class ProgramTest : public ::testing::TestWithParam<Case> {};

TEST_P(ProgramTest, RunsEndsAndFailsAsItShould) {
  const Case& c = GetParam();
  std::unique_ptr<XServer> x;
  if (c.server != Server::None) {
    std::vector<std::string> arguments;
    if (c.server == Server::WithoutGlx) arguments = {"-extension", "GLX"};
    if (c.server == Server::WithoutFonts) arguments = {"-fp", "built-ins"};  // no font the box can use
    x = std::make_unique<XServer>(1024, 768, arguments);
    ASSERT_TRUE(x->ok()) << "Xvfb did not start";
  }
  ProgramRun run;
  run.CopyDefaultWorld();
  std::string ini = WindowedShippedSettings(kWidth, kHeight);
  for (const char* s : c.settings) ASSERT_TRUE(ApplySetting(ini, s)) << s;
  run.WriteSettings(ini);
  if (c.removed != nullptr) fs::remove(fs::path(run.folder()) / c.removed);
  // A folder in its place cannot be read.
  if (c.removed != nullptr && std::string(c.removed) == "Quillmarsh.ini") fs::create_directory(fs::path(run.folder()) / c.removed);
  const auto before = FilesWithoutCapture(run);

  auto env = x ? x->Env() : EnvironmentWithoutDisplay();
  if (c.environment != nullptr) {
    const std::string assignment = c.environment;
    env[assignment.substr(0, assignment.find('='))] = assignment.substr(assignment.find('=') + 1);
  }
  ASSERT_TRUE(run.Start(env));
  std::optional<int> exitCode;
  if (c.ending == Ending::Box || c.ending == Ending::SignalDuringBox) {
    const auto box = WaitForBox(*x, run);
    ASSERT_TRUE(box.has_value() && x->WaitUntilViewable(*box, kBoxSeconds)) << run.Stderr();
    Sleep(300);
    EXPECT_TRUE(run.Running()) << "the box holds the program until it is dismissed";
    if (c.ending == Ending::SignalDuringBox) run.Signal(c.signal);
    // On a loaded machine a key can reach the box before it listens: press again
    // while it is still there.
    for (int press = 0; press < 5 && run.Running() && c.ending == Ending::Box; ++press) {
      x->Xdotool({"key", "--window", *box, "Return"});
      for (int tick = 0; tick < 60 && run.Running(); ++tick) Sleep(100);
    }
    exitCode = run.Wait(10.0);
    EXPECT_TRUE(x->FindWindows("Error").empty()) << "the box is gone with the program";
  } else if (c.ending == Ending::Exits) {
    exitCode = run.Wait(60.0);
    if (x) {
      EXPECT_TRUE(x->FindWindows("Error").empty());
    }
  } else {
    const auto id = WaitForProgramWindow(*x, run, "Quillmarsh", 30.0);
    ASSERT_TRUE(id.has_value()) << run.Stderr();
    ASSERT_TRUE(x->WaitUntilViewable(*id, 30.0)) << run.Stderr();
    Sleep(1500);
    EXPECT_TRUE(run.Running()) << run.Stderr();
    EXPECT_TRUE(x->FindWindows("Error").empty()) << run.Stderr();
    if (c.ending == Ending::WalkThenEscape) {
      WalkAndTurn(*x, *id);
    } else if (c.ending == Ending::SignalWhileRunning) {
      run.Signal(c.signal);
    } else if (c.ending == Ending::WindowClose) {
      EXPECT_TRUE(x->SendDeleteWindow(*id));
    } else {
      x->Xdotool({"key", "--window", *id, "alt+F4"});
    }
    exitCode = run.Wait(30.0);
  }
  EXPECT_EQ(exitCode, std::optional<int>(c.exitCode)) << run.Stderr();
  EXPECT_TRUE(run.NothingLeftBehind(5.0)) << "a process the program started outlived it";
  const std::string err = run.Stderr();
  std::istringstream lines(err);
  for (std::string line; std::getline(lines, line);) {
    EXPECT_EQ(line.rfind("quillmarsh: ", 0), 0u) << "not in the program's message format: " << line;
  }
  if (c.stderrHas.empty()) {
    EXPECT_EQ(err, "");
  }
  for (const char* text : c.stderrHas) {
    const std::string wanted = Replace(text, "%F", run.folder());
    EXPECT_NE(err.find(wanted), std::string::npos) << "missing: " << wanted << "\nstderr:\n" << err;
  }
  EXPECT_EQ(FilesWithoutCapture(run), before);
}

const Case kCases[] = {
    // [SECTION] A running program: 0 after a normal end, 128 + the signal
    {"WalkTurnAndEscape", {"FPS/DrawCounter=0"}, nullptr, {}, Ending::WalkThenEscape, 0},
    {"WindowManagerClose", {}, nullptr, {}, Ending::WindowClose, 0},
    {"AltF4", {}, nullptr, {}, Ending::AltF4, 0},
    {"SigtermWhileRunning", {}, nullptr, {}, Ending::SignalWhileRunning, 128 + SIGTERM, Server::Normal, nullptr, SIGTERM},
    // The box is shown by a helper process: it must go with the program.
    {"SigintWhileTheBoxIsUp", {"Resolution/Width=20000"}, nullptr, {"quillmarsh: Error: Window creation error"},
     Ending::SignalDuringBox, 128 + SIGINT, Server::Normal, nullptr, SIGINT},

    // [SECTION] Window and context: every failure ends with 1
    {"NoDisplay", {}, nullptr, {"quillmarsh: window system: cannot start: no display was found",
                           "quillmarsh: Error: Failed to register the window class"},
     Ending::Exits, 1, Server::None},
    // The box cannot be shown: the reason is given, and the program ends as after the box.
    {"ErrorBoxCannotBeShown", {"World/WorldSizeX=1"}, nullptr,
     {"quillmarsh: Error: World/WorldSizeX is 1",
      "quillmarsh: Error box: cannot be shown: the X server has no core font for it (install xfonts-base)"},
     Ending::Exits, 1, Server::WithoutFonts},
    {"WindowTooLarge", {"Resolution/Width=20000"}, nullptr,
     {"Window is too large", "quillmarsh: Error: Window creation error"}, Ending::Box, 1},
    {"DisplayWithoutGlx", {}, nullptr, {"GLX is not supported", "quillmarsh: Error: Window creation error"},
     Ending::Box, 1, Server::WithoutGlx},
    // A driver that refuses the context: its X error must not end the program silently.
    {"DriverRefusesTheContext", {}, nullptr, {"quillmarsh: Error: Can't create a GL rendering context"}, Ending::Box, 1,
     Server::Normal, "MESA_GL_VERSION_OVERRIDE=0.5"},
    {"ImpossibleFullScreenSize",
     {"Resolution/Width=123", "Resolution/Height=77", "Resolution/Fullscreen=1"}, nullptr,
     {"quillmarsh: Error: Can't switch resolution"}, Ending::Box, 1},
    // The settings file is looked up beside the executable; unreadable, the defaults
    // apply, full screen at 320 x 240 among them, which Xvfb lacks.
    {"SettingsFileUnreadable", {}, "Quillmarsh.ini",
     {"quillmarsh: settings: \"%F/Quillmarsh.ini\": cannot read: Is a directory; using the default settings",
      "quillmarsh: Error: Can't switch resolution"},
     Ending::Box, 1},
    // A colour-keyed image that cannot be opened ends the program at once.
    {"CrosshairMissing", {}, "gfx/Crosshair.bmp",
     {"quillmarsh: texture: \"gfx/Crosshair.bmp\": cannot open file (working folder \"%F\"); the program ends"},
     Ending::Exits, 1},
};

INSTANTIATE_TEST_SUITE_P(EveryPath, ProgramTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& row) { return std::string(row.param.name); });

}  // namespace
