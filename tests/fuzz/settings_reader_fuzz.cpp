// Feeds arbitrary bytes to the settings reader: nothing it stores may be NaN or
// infinite, and every file name must stay terminated inside its field.
#include <cassert>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "log/log.h"
#include "settings/settings.h"

namespace {

void Quiet(const std::string&) {}

void CheckFinite(float value) { assert(std::isfinite(value) && "settings float not finite"); }

void CheckPath(const char (&path)[kPathSize]) {
  assert(std::memchr(path, '\0', kPathSize) != nullptr && "settings path not terminated");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SetLogSink(Quiet);
  Settings s;
  s.LoadFromText(std::string_view(reinterpret_cast<const char*>(data), size));

  for (float f : {s.crosshairSize, s.crosshairTransparency, s.treesSize,
                  s.treesMaxTerrainRoughness, s.treesBrightness, s.worldStepSize,
                  s.sunlightAmbient, s.sunlightDiffuse, s.worldHeightScaling,
                  s.gravityDirection.x, s.gravityDirection.y, s.gravityDirection.z,
                  s.motionSlowdown, s.motionMidAirSlowdown, s.motionSpeed,
                  s.motionSmallestForce, s.motionJumpForce, s.gravityAcceleration,
                  s.motionMaxAccelerationFactor, s.motionMinimumHeight, s.viewDepth,
                  s.viewSizeOfViewer}) {
    CheckFinite(f);
  }
  CheckPath(s.skyBoxTexture);
  CheckPath(s.crosshairTexture);
  CheckPath(s.fontFilename);
  CheckPath(s.worldHeightmapFile);
  CheckPath(s.weaponModel);
  CheckPath(s.weaponSkin);
  return 0;
}
