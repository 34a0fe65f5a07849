// Feeds arbitrary bytes to the settings reader: nothing it stores may be NaN or
// infinite, and every file name must stay terminated inside its field.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "log/log.h"
#include "settings/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SetLogSink([](const std::string&) {});
  Settings s;
  s.LoadFromText(std::string_view(reinterpret_cast<const char*>(data), size));
  for (float f : {s.crosshairSize, s.crosshairTransparency, s.treesSize, s.treesMaxTerrainRoughness,
                  s.treesBrightness, s.worldStepSize, s.sunlightAmbient, s.sunlightDiffuse,
                  s.worldHeightScaling, s.gravityDirection.x, s.gravityDirection.y, s.gravityDirection.z,
                  s.motionSlowdown, s.motionMidAirSlowdown, s.motionSpeed, s.motionSmallestForce,
                  s.motionJumpForce, s.gravityAcceleration, s.motionMaxAccelerationFactor,
                  s.motionMinimumHeight, s.viewDepth, s.viewSizeOfViewer}) {
    if (!std::isfinite(f)) std::abort();
  }
  for (const char* path : {s.skyBoxTexture, s.crosshairTexture, s.fontFilename, s.worldHeightmapFile,
                           s.weaponModel, s.weaponSkin}) {
    if (std::memchr(path, '\0', kPathSize) == nullptr) std::abort();
  }
  return 0;
}
