// Reading "Quillmarsh.ini" into the settings record: the path in the folder the caller
// names, reading its bytes, and the table of keys with their kinds and defaults, in
// reading order. Splitting the text into sections and keys is in profile_text.cpp.
#include "settings/settings.h"

#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "io/file_bytes.h"
#include "log/log.h"
#include "settings/profile_text.h"
#include "settings/text_encoding.h"

namespace {

// At most this many characters of a float's value reach the conversion, as the 32-byte
// buffer of the profile reader allowed.
constexpr size_t kFloatChars = 31;

// True when `text` is exactly the integer `value`: an optional sign and digits, nothing
// more, and not cut to the 32-bit range.
bool IsWholeInt(std::string_view text, int value) {
  std::string digits(text.substr(!text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0));
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) return false;
  digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
  const int64_t magnitude = value < 0 ? -int64_t{value} : int64_t{value};
  return digits == std::to_string(magnitude);
}

// Reads one key after another from the settings text, each with its default.
class KeyReader {
 public:
  KeyReader(std::string_view text, std::vector<std::pair<std::string, std::string>>* partial)
      : profile_(text), partial_(partial) {}
  virtual ~KeyReader() = default;

  // An absent key gives the default; a present one is read even when empty (0). The
  // text of a value that is not read whole ("1e38", "12abc") is kept for messages.
  int Int(const char* section, const char* key, int defaultValue) const {
    std::optional<std::string_view> value = profile_.Find(section, key);
    if (!value) return defaultValue;
    const int number = ParseProfileInt(*value);
    if (!IsWholeInt(*value, number)) partial_->emplace_back(std::string(section) + "/" + key, Printable(*value));
    return number;
  }

  // An absent key converts the default text; a present empty one gives 0.0. A value
  // that is not a finite float (NaN, infinity, beyond the float range) would poison the
  // motion and the terrain, so it counts as absent.
  float Float(const char* section, const char* key, const char* defaultText) const {
    std::optional<std::string_view> value = profile_.Find(section, key);
    if (value) {
      std::string_view cut = value->substr(0, kFloatChars);
      double number = ParseProfileDouble(cut);
      if (std::fabs(number) <= FLT_MAX) return static_cast<float>(number);
      Log("settings", std::string(section) + "/" + key,
          "\"" + Printable(cut) + "\" is not a finite number; using the default " + defaultText);
    }
    return static_cast<float>(ParseProfileDouble(defaultText));
  }

  // The text of the value, or `defaultText` when the key is absent.
  std::string Text(const char* section, const char* key, const char* defaultText) const {
    return std::string(profile_.Find(section, key).value_or(defaultText));
  }

  // The value cut to 259 characters; absent gives "". The whole field is rewritten so
  // that nothing of an earlier value stays behind the terminator.
  void Path(const char* section, const char* key, char (&out)[kPathSize]) const {
    std::string_view value = profile_.Find(section, key).value_or(std::string_view());
    value = value.substr(0, kPathSize - 1);
    std::memset(out, 0, kPathSize);
    if (!value.empty()) std::memcpy(out, value.data(), value.size());
  }

 private:
  ProfileText profile_;
  std::vector<std::pair<std::string, std::string>>* partial_;
};

// "x y z": three finite numbers apart by blanks or commas.
bool ParseThreeNumbers(const std::string& text, Vector3* out) {
  float values[3] = {};
  size_t count = 0;
  size_t at = 0;
  for (;;) {
    at = text.find_first_not_of(" \t,", at);
    if (at == std::string::npos) break;
    const size_t end = std::min(text.find_first_of(" \t,", at), text.size());
    double number = 0.0;
    if (count == 3 || !ParseProfileNumber(std::string_view(text).substr(at, end - at), &number) ||
        std::fabs(number) > FLT_MAX) {
      return false;
    }
    values[count++] = static_cast<float>(number);
    at = end;
  }
  if (count != 3) return false;
  *out = Vector3(values[0], values[1], values[2]);
  return true;
}

bool EqualsNoCase(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

// A window or view that cannot be drawn: the value is refused with a message and the
// default kept.
void KeepInRange(const Settings& settings, const char* name, int* value, int lowest, int highest,
                 int defaultValue) {
  if (*value >= lowest && *value <= highest) return;
  Log("settings", name,
      settings.IntText(name, *value) +
          (highest == INT32_MAX ? " is below " + std::to_string(lowest)
                                : " is outside " + std::to_string(lowest) + " to " + std::to_string(highest)) +
          "; using the default " + std::to_string(defaultValue));
  *value = defaultValue;
}

// The path of `fileName` in `folder`, with a '/' between them where the folder does
// not end in one. Empty when the folder is empty, and (with a message) when the path
// would be longer than 259 characters, as no path of the program may be.
std::string SettingsPath(const std::string& folder, const char* fileName) {
  if (folder.empty()) return "";
  std::string path = folder.back() == '/' ? folder : folder + '/';
  path += fileName != nullptr ? fileName : "";
  if (path.size() < kPathSize) return path;
  Log("settings", QuotedFile(path),
      "the path is longer than " + std::to_string(kPathSize - 1) + " characters; using the default settings");
  return "";
}

}  // namespace

void Settings::Load(const std::string& folder, const char* fileName) {
  const std::string path = SettingsPath(folder, fileName);
  if (path.empty()) {
    LoadFromText("");
    return;
  }
  LoadFile(path.c_str());
}

void Settings::LoadFile(const char* path) {
  std::vector<uint8_t> bytes;
  const FileResult file = ReadWholeFile(path, kMaxSettingsFileBytes, &bytes);
  if (file.status == FileStatus::kCannotOpen) {
    // No settings file is a normal case: everything takes its default.
    if (file.error != ENOENT) {
      Log("settings", QuotedFile(path),
          std::string("cannot open: ") + std::strerror(file.error) + "; using the default settings");
    }
    LoadFromText("");
    return;
  }
  if (!file.Read()) {
    const std::string reason =
        file.status == FileStatus::kTooLarge ? "it is larger than 16 MiB" : std::strerror(file.error);
    Log("settings", QuotedFile(path), "cannot read: " + reason + "; using the default settings");
    LoadFromText("");
    return;
  }
  const SettingsText text = DecodeSettingsText(bytes.data(), bytes.size());
  if (!text.problem.empty()) Log("settings", QuotedFile(path), text.problem);
  LoadFromText(text.utf8);
}

std::string Settings::IntText(std::string_view name, int value) const {
  for (const auto& [key, text] : partialInts_) {
    if (key == name) return "\"" + text + "\"";
  }
  return std::to_string(value);
}

void Settings::LoadFromText(std::string_view text) {
  partialInts_.clear();
  const KeyReader r(text, &partialInts_);
  worldSizeX = r.Int("World", "WorldSizeX", 100);
  worldSizeY = r.Int("World", "WorldSizeY", 100);
  worldStepSize = r.Float("World", "StepSize", "0.2");
  resolutionWidth = r.Int("Resolution", "Width", 320);
  resolutionHeight = r.Int("Resolution", "Height", 240);
  r.Path("SkyBox", "Texture", skyBoxTexture);
  r.Path("Crosshair", "Texture", crosshairTexture);
  crosshairSize = r.Float("Crosshair", "Size", "1.0");
  crosshairTransparency = r.Float("Crosshair", "Transparency", "1.0");
  crosshairDrawCrosshair = r.Int("Crosshair", "DrawCrosshair", 1);
  treesCount = r.Int("Trees", "Count", 0);
  r.Path("Font", "Filename", fontFilename);
  fpsDrawCounter = r.Int("FPS", "DrawCounter", 0);
  mouseSpeed = r.Int("Mouse", "Speed", 5);
  mouseInvert = r.Int("Mouse", "Invert", 0);
  viewFOV = r.Int("View", "FOV", 90);
  sunlightAmbient = r.Float("Sunlight", "Ambient", "0.3");
  sunlightDiffuse = r.Float("Sunlight", "Diffuse", "0.75");
  resolutionFullscreen = r.Int("Resolution", "Fullscreen", 1);
  r.Path("World", "HeightmapFile", worldHeightmapFile);
  flashlightEnabled = r.Int("Flashlight", "Enabled", 0);
  weaponEnabled = r.Int("Weapon", "Enabled", 0);
  worldHeightScaling = r.Float("World", "HeightScaling", "5.0");
  gravityDirection.x = r.Float("Gravity", "GravityX", "0.0");
  gravityDirection.y = r.Float("Gravity", "GravityY", "0.0");
  gravityDirection.z = r.Float("Gravity", "GravityZ", "0.0");
  gravityAcceleration = r.Float("Gravity", "GravityAcceleration", "0.0");
  motionSlowdown = r.Float("Motion", "Slowdown", "5.0");
  motionMidAirSlowdown = r.Float("Motion", "MidAirSlowdown", "5.0");
  motionSpeed = r.Float("Motion", "Speed", "0.5");
  motionSmallestForce = r.Float("Motion", "SmallestForce", "0.0");
  motionMinimumHeight = r.Float("Motion", "MinimumHeight", "0.0");
  motionAccelerationTime = r.Int("Motion", "AccelerationTime", 100);
  motionMidAirAccelerationTime = r.Int("Motion", "MidAirAccelerationTime", 100);
  motionJumpForce = r.Float("Motion", "JumpForce", "0.0");
  motionMaxAccelerationFactor = r.Float("Motion", "MaxAccelerationFactor", "4.0");
  r.Path("Weapon", "Model", weaponModel);
  r.Path("Weapon", "Skin", weaponSkin);
  viewDepth = r.Float("View", "Depth", "7.5");
  viewSizeOfViewer = r.Float("View", "SizeOfViewer", "0.0");
  treesSize = r.Float("Trees", "Size", "0.3");
  treesMaxTerrainRoughness = r.Float("Trees", "MaxTerrainRoughness", "0.05");
  treesBrightness = r.Float("Trees", "Brightness", "1.0");
  weaponScale = r.Float("Weapon", "Scale", "1.0");
  if (!(weaponScale > 0.0f)) {
    Log("settings", "Weapon/Scale",
        "\"" + Printable(r.Text("Weapon", "Scale", "")) + "\" is not above 0; using the default 1.0");
    weaponScale = 1.0f;
  }
  const std::string offset = r.Text("Weapon", "Offset", "0 0 0");
  if (!ParseThreeNumbers(offset, &weaponOffset)) {
    Log("settings", "Weapon/Offset", "\"" + Printable(offset) + "\" is not three numbers; using the default 0 0 0");
    weaponOffset = Vector3();
  }
  const std::string origin = r.Text("Weapon", "SkinOrigin", "bottom");
  weaponSkinFromTop = EqualsNoCase(origin, "top");
  if (!weaponSkinFromTop && !EqualsNoCase(origin, "bottom")) {
    Log("settings", "Weapon/SkinOrigin", "\"" + Printable(origin) + "\" is neither bottom nor top; using bottom");
  }

  keyForward = r.Text("Keys", "Forward", "");
  keyBack = r.Text("Keys", "Back", "");
  keyLeft = r.Text("Keys", "Left", "");
  keyRight = r.Text("Keys", "Right", "");
  keyLookUp = r.Text("Keys", "LookUp", "");
  keyLookDown = r.Text("Keys", "LookDown", "");
  keyLevelView = r.Text("Keys", "LevelView", "");
  keyJump = r.Text("Keys", "Jump", "");
  keyQuit = r.Text("Keys", "Quit", "");
  keyPause = r.Text("Keys", "Pause", "");
  keyScreenshot = r.Text("Keys", "Screenshot", "");
  keyHelp = r.Text("Keys", "Help", "");
  resolutionVSync = r.Int("Resolution", "VSync", 0);
  pauseOnFocusLoss = r.Int("Pause", "OnFocusLoss", 0);
  viewFog = r.Int("View", "Fog", 0);

  KeepInRange(*this, "View/FOV", &viewFOV, 1, 179, 90);
  KeepInRange(*this, "Resolution/Width", &resolutionWidth, 1, INT32_MAX, 320);
  KeepInRange(*this, "Resolution/Height", &resolutionHeight, 1, INT32_MAX, 240);
  KeepInRange(*this, "Resolution/VSync", &resolutionVSync, -1, 1, 0);
}
