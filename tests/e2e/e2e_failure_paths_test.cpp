// Every failure a user can cause, and every way the program ends, run for real: the
// message on stderr, the "Error" box where one is shown (dismissed with Return), the
// exit code, that no process the program started is left behind, and that the
// program's folder holds no new file afterwards.
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

#include "support/e2e.h"
#include "support/test_files.h"

namespace fs = std::filesystem;

namespace {

// How a run ends: dismissing the box, by itself, run on and ended by the user, or by
// a signal (`Case::signal`) while the box is up or while it runs.
enum class Ending { Box, Exits, Escape, WindowClose, AltF4, SignalDuringBox, SignalWhileRunning };
// Where the program looks for a display.
enum class Server { Normal, WithoutGlx, WithoutFonts, None };
// What is done to a file of the copied world before the start.
enum class Change { Truncate, Remove, MakeDirectory };

struct Setting {
  const char* section;
  const char* key;
  const char* value;
};

struct FileChange {
  const char* path;  // relative to the program's folder
  Change change;
};

struct Shot {
  std::vector<uint8_t> rgb;
  int width = 0;
  const uint8_t* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

struct Case {
  const char* name;
  std::vector<Setting> settings;
  std::vector<FileChange> files;
  std::vector<const char*> stderrHas;  // "%F" stands for the program's folder
  Ending ending;
  int exitCode;
  Server server = Server::Normal;
  bool (*picture)(const Shot&) = nullptr;  // checked while it runs
  const char* environment = nullptr;       // "NAME=value" added to the program's environment
  int signal = 0;                          // sent by the Signal... endings
};

// Rows are named in the test's name; the default print would dump the row's bytes.
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

// A box that has not appeared by then will not: a row fails instead of waiting on.
constexpr double kBoxSeconds = 15.0;
constexpr int kWidth = 640;
constexpr int kHeight = 480;

bool Brass(const uint8_t* p) { return p[0] > 120 && p[0] > p[1] + 20 && p[1] > p[2] + 20; }

// The held lantern is drawn in the lower right; without the model nothing brass is there.
bool NoLantern(const Shot& s) {
  int brass = 0;
  for (int y = kHeight / 2; y < kHeight; ++y) {
    for (int x = kWidth / 2; x < kWidth; ++x) brass += Brass(s.At(x, y)) ? 1 : 0;
  }
  return brass < 50;
}

// Without its texture the ground is lit grey: in the lower left of a 400 x 300 window
// (clear of the lantern) none of the grass green shows.
bool PlainGround(const Shot& s) {
  int green = 0;
  for (int y = 300 * 3 / 4; y < 300; ++y) {
    for (int x = 0; x < 200; ++x) {
      const uint8_t* p = s.At(x, y);
      green += p[1] > p[0] + 15 && p[1] > p[2] + 15 ? 1 : 0;
    }
  }
  return green < 50;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

void ApplyChange(const std::string& folder, const FileChange& f) {
  const fs::path path = fs::path(folder) / f.path;
  switch (f.change) {
    case Change::Truncate: fs::resize_file(path, 100); break;  // inside every reader's data
    case Change::Remove: fs::remove(path); break;
    case Change::MakeDirectory:
      fs::remove(path);
      fs::create_directory(path);
      break;
  }
}

std::vector<std::string> FilesWithoutCapture(const ProgramRun& run) {
  auto files = run.ListFiles();
  files.erase(std::remove(files.begin(), files.end(), ".stderr"), files.end());
  std::sort(files.begin(), files.end());
  return files;
}

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

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

class FailurePathTest : public ::testing::TestWithParam<Case> {};

TEST_P(FailurePathTest, ReportsAndEndsAsItShould) {
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
  for (const Setting& s : c.settings) ini = WithSetting(ini, s.section, s.key, s.value);
  run.WriteSettings(ini);
  for (const FileChange& f : c.files) ApplyChange(run.folder(), f);
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
    if (c.picture != nullptr) {
      Shot shot;
      int h = 0;
      shot.rgb = x->Screenshot(shot.width, h);
      EXPECT_TRUE(c.picture(shot));
    }
    if (c.ending == Ending::Escape) {
      // Held like a real key, and released on the server whatever has the focus then.
      x->Xdotool({"keydown", "--window", *id, "Escape"});
      Sleep(200);
      x->Xdotool({"keyup", "Escape"});
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
  for (const char* text : c.stderrHas) {
    const std::string wanted = Replace(text, "%F", run.folder());
    EXPECT_NE(err.find(wanted), std::string::npos) << "missing: " << wanted << "\nstderr:\n" << err;
  }
  EXPECT_EQ(FilesWithoutCapture(run), before);
}

const Case kCases[] = {
    // [SECTION] Ways to end a running program: 0 after a normal end, 128 + the signal
    {"Escape", {}, {}, {}, Ending::Escape, 0},
    {"WindowManagerClose", {}, {}, {}, Ending::WindowClose, 0},
    {"AltF4", {}, {}, {}, Ending::AltF4, 0},
    {"SigtermWhileRunning", {}, {}, {}, Ending::SignalWhileRunning, 128 + SIGTERM, Server::Normal, nullptr,
     nullptr, SIGTERM},
    {"SigintWhileRunning", {}, {}, {}, Ending::SignalWhileRunning, 128 + SIGINT, Server::Normal, nullptr,
     nullptr, SIGINT},
    // The box is shown by a helper process: it must go with the program.
    {"SigtermWhileTheBoxIsUp", {{"World", "WorldSizeX", "1"}}, {}, {"quillmarsh: Error: World/WorldSizeX is 1"},
     Ending::SignalDuringBox, 128 + SIGTERM, Server::Normal, nullptr, nullptr, SIGTERM},
    {"SigintWhileTheBoxIsUp", {{"Resolution", "Width", "20000"}}, {}, {"quillmarsh: Error: Window creation error"},
     Ending::SignalDuringBox, 128 + SIGINT, Server::Normal, nullptr, nullptr, SIGINT},

    // [SECTION] Window and context: every failure ends with 1
    {"NoDisplay", {}, {}, {"quillmarsh: window system: cannot start: no display was found",
                           "quillmarsh: Error: Failed to register the window class"},
     Ending::Exits, 1, Server::None},
    // The box cannot be shown: the reason is given, and the program ends as after the box.
    {"ErrorBoxCannotBeShown", {{"World", "WorldSizeX", "1"}}, {},
     {"quillmarsh: Error: World/WorldSizeX is 1",
      "quillmarsh: Error box: cannot be shown: the X server has no core font for it (install xfonts-base)"},
     Ending::Exits, 1, Server::WithoutFonts},
    {"WindowTooLarge", {{"Resolution", "Width", "20000"}}, {},
     {"Window is too large", "quillmarsh: Error: Window creation error"}, Ending::Box, 1},
    {"DisplayWithoutGlx", {}, {}, {"GLX is not supported", "quillmarsh: Error: Window creation error"},
     Ending::Box, 1, Server::WithoutGlx},
    // A driver that refuses the context: its X error must not end the program silently.
    {"DriverRefusesTheContext", {}, {}, {"quillmarsh: Error: Can't create a GL rendering context"}, Ending::Box, 1,
     Server::Normal, nullptr, "MESA_GL_VERSION_OVERRIDE=0.5"},
    {"ImpossibleFullScreenSize",
     {{"Resolution", "Width", "123"}, {"Resolution", "Height", "77"}, {"Resolution", "Fullscreen", "1"}},
     {},
     {"quillmarsh: Error: Can't switch resolution"},
     Ending::Box,
     1},
    // The defaults then apply, full screen at 320 x 240 among them, which Xvfb lacks.
    {"SettingsFileUnreadable", {}, {{"Quillmarsh.ini", Change::MakeDirectory}},
     {"quillmarsh: settings: \"%F/Quillmarsh.ini\": cannot read: Is a directory; using the default settings",
      "quillmarsh: Error: Can't switch resolution"},
     Ending::Box, 1},

    // [SECTION] Scene set-up
    {"TreesFindNoRoom", {{"Trees", "Count", "3000"}, {"Trees", "MaxTerrainRoughness", "0.00001"}}, {},
     {"quillmarsh: Error: Can't find enough valid places to place all trees"}, Ending::Box, 1},
    {"MoreTreesThanCells", {{"Trees", "Count", "100000"}}, {},
     {"quillmarsh: Error: Trees/Count is 100000: the terrain has only 65536 cells and holds at most one tree "
      "per cell"},
     Ending::Box, 1},
    {"TreesBeyondMemory", {{"Trees", "Count", "2000000000"}, {"Trees", "Size", "0"}}, {},
     {"quillmarsh: Error: Trees/Count is 2000000000: not enough memory for that many trees"}, Ending::Box, 1},
    {"WorldSizeXTooSmall", {{"World", "WorldSizeX", "1"}}, {},
     {"quillmarsh: Error: World/WorldSizeX is 1; it must be between 2 and 32767 samples"}, Ending::Box, 1},
    {"WorldSizeYBeyondSixteenBits", {{"World", "WorldSizeY", "70000"}}, {},
     {"quillmarsh: Error: World/WorldSizeY is 70000; it must be between 2 and 32767 samples"}, Ending::Box, 1},
    {"WorldBeyondMemory", {{"World", "WorldSizeX", "32767"}, {"World", "WorldSizeY", "32767"}}, {},
     {"quillmarsh: Error: a world of 32767 x 32767 samples needs ", " MB of memory; only "}, Ending::Box, 1},
    {"HeightsBeyondFloat", {{"World", "HeightScaling", "1e37"}, {"World", "StepSize", "100"}}, {},
     {"quillmarsh: Error: World/HeightScaling is ", "the heights do not fit in a float"}, Ending::Box, 1},

    // [SECTION] Colour-keyed images that cannot be opened end the program at once
    {"CrosshairUnnamed", {{"Crosshair", "Texture", ""}}, {},
     {"quillmarsh: texture: \"\": cannot open file (working folder \"%F\"); the program ends"}, Ending::Exits, 1},
    {"CrosshairMissing", {}, {{"gfx/Crosshair.bmp", Change::Remove}},
     {"quillmarsh: texture: \"gfx/Crosshair.bmp\": cannot open file (working folder \"%F\"); the program ends"},
     Ending::Exits, 1},
    {"Tree1Missing", {}, {{"gfx/Trees/Tree1.bmp", Change::Remove}},
     {"quillmarsh: texture: \"gfx/Trees/Tree1.bmp\": cannot open file (working folder \"%F\")"}, Ending::Exits, 1},
    {"Tree5Missing", {}, {{"gfx/Trees/Tree5.bmp", Change::Remove}},
     {"quillmarsh: texture: \"gfx/Trees/Tree5.bmp\": cannot open file (working folder \"%F\")"}, Ending::Exits, 1},

    // [SECTION] Files the readers refuse: the program runs on without them
    {"BrokenHeightMap", {}, {{"gfx/Terrain/Heightmap.bmp", Change::Truncate}},
     {"quillmarsh: height map: \"gfx/Terrain/Heightmap.bmp\": cannot be used ("}, Ending::Escape, 0},
    {"BrokenGroundTexture",
     {{"Resolution", "Width", "400"}, {"Resolution", "Height", "300"}},
     {{"gfx/Textures/Landscape5.bmp", Change::Truncate}},
     {"quillmarsh: texture: \"gfx/Textures/Landscape5.bmp\": "},
     Ending::Escape,
     0,
     Server::Normal,
     &PlainGround},
    {"MissingGroundTexture",
     {{"Resolution", "Width", "400"}, {"Resolution", "Height", "300"}},
     {{"gfx/Textures/Landscape5.bmp", Change::Remove}},
     {"quillmarsh: texture: \"gfx/Textures/Landscape5.bmp\": cannot open file"},
     Ending::Escape,
     0,
     Server::Normal,
     &PlainGround},
    {"BrokenSky", {}, {{"gfx/Sky.bmp", Change::Truncate}}, {"quillmarsh: texture: \"gfx/Sky.bmp\": "},
     Ending::Escape, 0},
    {"BrokenTreeImage", {}, {{"gfx/Trees/Tree3.bmp", Change::Truncate}},
     {"quillmarsh: texture: \"gfx/Trees/Tree3.bmp\": "}, Ending::Escape, 0},
    {"BrokenModel", {}, {{"gfx/Weapon/Lantern.md2", Change::Truncate}},
     {"quillmarsh: weapon model: \"gfx/Weapon/Lantern.md2\": "}, Ending::Escape, 0, Server::Normal, &NoLantern},
    {"MissingModel", {{"Weapon", "Model", "gfx/Weapon/Nothing.md2"}}, {},
     {"quillmarsh: weapon model: \"gfx/Weapon/Nothing.md2\": cannot open the file"}, Ending::Escape, 0},
    {"BrokenSkin", {}, {{"gfx/Weapon/Lantern.bmp", Change::Truncate}},
     {"quillmarsh: texture: \"gfx/Weapon/Lantern.bmp\": "}, Ending::Escape, 0},
    {"BrokenFont", {}, {{"gfx/Font.tga", Change::Truncate}},
     {"quillmarsh: font: \"gfx/Font.tga\": the file ends before all pixels are read"}, Ending::Escape, 0},
    {"NonFiniteSettings", {{"Motion", "Speed", "nan"}, {"Gravity", "GravityAcceleration", "1e999"}}, {},
     {"quillmarsh: settings: Motion/Speed: \"nan\" is not a finite number; using the default 0.5",
      "quillmarsh: settings: Gravity/GravityAcceleration: \"1e999\" is not a finite number; using the default"},
     Ending::Escape, 0},
};

INSTANTIATE_TEST_SUITE_P(EveryPath, FailurePathTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

}  // namespace
