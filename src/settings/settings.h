// The settings record: every tunable value of the program, read once at start from
// "Quillmarsh.ini" in the folder the caller names (the executable's). The reader never
// fails; receivers ignore values outside their accepted range. The exceptions, each
// replaced by its default with a message: a float that is not a finite number, a field
// of view outside 1 to 179 degrees, a window width or height below 1, and the weapon's
// placement keys when they cannot be read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "geometry/vector3.h"

constexpr size_t kPathSize = 260;  // a path holds at most 259 characters and a terminator
// A settings file is a few kilobytes; a file over this size is not one, and gives the
// defaults with a message.
constexpr uint64_t kMaxSettingsFileBytes = uint64_t{16} * 1024 * 1024;

class Settings {
 public:
  Settings() = default;
  virtual ~Settings() = default;

  // Fills every field from `fileName` in `folder` (with or without a trailing '/'); a
  // missing file, section or key gives the defaults, and so does an empty folder (the
  // executable's folder is not known) or, with a message, a path longer than 259
  // characters.
  void Load(const std::string& folder, const char* fileName);
  // Fills every field from the file at `path`. A missing file gives the defaults without
  // a message; a file that exists but cannot be read (a folder, no permission, larger
  // than 16 MiB) gives the defaults with one message. UTF-16 text with a byte-order
  // mark is read like UTF-8; a file that is neither is read as it is, with one message.
  void LoadFile(const char* path);
  // Fills every field from the text of a settings file (what Load does after reading).
  void LoadFromText(std::string_view text);

  // Fields in the record's order. Integers are 32-bit signed, floats 32-bit.
  int worldSizeY = 0;                    // World/WorldSizeY: samples along world x (100)
  int worldSizeX = 0;                    // World/WorldSizeX: samples along world z (100)
  int resolutionWidth = 0;               // Resolution/Width, pixels (320)
  int resolutionHeight = 0;              // Resolution/Height, pixels (240)
  char skyBoxTexture[kPathSize] = {};    // SkyBox/Texture ("")
  float crosshairSize = 0.0f;            // Crosshair/Size (1.0)
  char crosshairTexture[kPathSize] = {}; // Crosshair/Texture ("")
  int crosshairDrawCrosshair = 0;        // Crosshair/DrawCrosshair, drawn when not 0 (1)
  float crosshairTransparency = 0.0f;    // Crosshair/Transparency, opacity (1.0)
  int treesCount = 0;                    // Trees/Count (0)
  float treesSize = 0.0f;                // Trees/Size, world units (0.3)
  float treesMaxTerrainRoughness = 0.0f; // Trees/MaxTerrainRoughness (0.05)
  float treesBrightness = 0.0f;          // Trees/Brightness (1.0)
  char fontFilename[kPathSize] = {};     // Font/Filename ("")
  int fpsDrawCounter = 0;                // FPS/DrawCounter, drawn when not 0 (0)
  int mouseSpeed = 0;                    // Mouse/Speed, mouse-look divisor (5)
  int mouseInvert = 0;                   // Mouse/Invert, on when exactly 1 (0)
  float worldStepSize = 0.0f;            // World/StepSize, world units between samples (0.2)
  int viewFOV = 0;                       // View/FOV, vertical field of view in degrees (90)
  float sunlightAmbient = 0.0f;          // Sunlight/Ambient (0.3)
  float sunlightDiffuse = 0.0f;          // Sunlight/Diffuse (0.75)
  int resolutionFullscreen = 0;          // Resolution/Fullscreen: 1 switches the display, 2 covers the desktop (1)
  char worldHeightmapFile[kPathSize] = {}; // World/HeightmapFile ("")
  int flashlightEnabled = 0;             // Flashlight/Enabled, on when exactly 1 (0)
  int weaponEnabled = 0;                 // Weapon/Enabled, on when exactly 1 (0)
  char weaponModel[kPathSize] = {};      // Weapon/Model ("")
  char weaponSkin[kPathSize] = {};       // Weapon/Skin ("")
  float worldHeightScaling = 0.0f;       // World/HeightScaling, grid steps per full sample (5.0)
  Vector3 gravityDirection;              // Gravity/GravityX, GravityY, GravityZ (0, 0, 0)
  float motionSlowdown = 0.0f;           // Motion/Slowdown, per second on the ground (5.0)
  float motionMidAirSlowdown = 0.0f;     // Motion/MidAirSlowdown, per second in the air (5.0)
  float motionSpeed = 0.0f;              // Motion/Speed, walking force (0.5)
  float motionSmallestForce = 0.0f;      // Motion/SmallestForce (0.0)
  int motionAccelerationTime = 0;        // Motion/AccelerationTime, ms (100)
  int motionMidAirAccelerationTime = 0;  // Motion/MidAirAccelerationTime, ms (100)
  float motionJumpForce = 0.0f;          // Motion/JumpForce, y of the jump vector (0.0)
  float gravityAcceleration = 0.0f;      // Gravity/GravityAcceleration, per second (0.0)
  float motionMaxAccelerationFactor = 0.0f; // Motion/MaxAccelerationFactor (4.0)
  float motionMinimumHeight = 0.0f;      // Motion/MinimumHeight, unused by the motion (0.0)
  float viewDepth = 0.0f;                // View/Depth, far clipping distance (7.5)
  float viewSizeOfViewer = 0.0f;         // View/SizeOfViewer, eye height (0.0)

  // The held model's placement, for models made at another scale or with the skin's
  // rows counted from the top. The defaults keep the file's coordinates as eye-space
  // positions and the skin's rows counted from the bottom.
  float weaponScale = 1.0f;              // Weapon/Scale, factor on the model's coordinates (1.0)
  Vector3 weaponOffset;                  // Weapon/Offset, "x y z" added after scaling (0 0 0)
  bool weaponSkinFromTop = false;        // Weapon/SkinOrigin, "bottom" or "top" (bottom)

  int resolutionVSync = 0;               // Resolution/VSync: 0 off, 1 on, -1 adaptive (0)
  int pauseOnFocusLoss = 0;              // Pause/OnFocusLoss, on when exactly 1 (0)
  int viewFog = 0;                       // View/Fog: 1 fades the far half of the view depth (0)

  // [Keys]: each action's key name as the file gives it; empty when not given, and the
  // action keeps its default key. The program turns the names into keys.
  std::string keyForward;
  std::string keyBack;
  std::string keyLeft;
  std::string keyRight;
  std::string keyLookUp;
  std::string keyLookDown;
  std::string keyLevelView;
  std::string keyJump;
  std::string keyQuit;
  std::string keyPause;
  std::string keyScreenshot;
  std::string keyHelp;

  // How an integer setting is shown in a message: its value, or, when the file's text was
  // not read whole as that value ("1e38", "12abc", beyond the 32-bit range), that text in
  // quotes. `name` is "Section/Key".
  std::string IntText(std::string_view name, int value) const;

 private:
  std::vector<std::pair<std::string, std::string>> partialInts_;  // "Section/Key", text
};
