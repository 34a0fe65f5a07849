// Scene set-up and frame drawing.
#include "scene/scene.h"

#include <GL/gl.h>

#include <chrono>
#include <string>

#include "geometry/view_volume.h"
#include "log/error_box.h"
#include "model/model.h"
#include "scene/crosshair.h"
#include "scene/lights.h"
#include "scene/sky_box.h"
#include "settings/settings.h"
#include "terrain/terrain.h"
#include "text/text_printer.h"
#include "trees/tree_set.h"
#include "viewer/viewer.h"

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

bool Fail(const std::string& text) {
  ShowErrorBox(text.c_str());
  return false;
}

// The view volume of the matrices in force now.
ViewVolume CurrentViewVolume() {
  double projection[16];
  double modelView[16];
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
  return ViewVolume(projection, modelView);
}

}  // namespace

bool SetUpScene(const SceneObjects& scene, SceneTimings* timings) {
  const auto start = Clock::now();
  const Settings& s = *scene.settings;
  Terrain& terrain = *scene.terrain;
  Viewer& viewer = *scene.viewer;

  // [SECTION] Images. The ground texture comes before the build: the mesh is drawn
  // with the texture its build found.
  scene.skyBox->texture.LoadBMP(s.skyBoxTexture);
  terrain.AddTexture("gfx/Textures/Landscape5.bmp");
  for (const char* tree : {"gfx/Trees/Tree1.bmp", "gfx/Trees/Tree2.bmp", "gfx/Trees/Tree3.bmp",
                           "gfx/Trees/Tree4.bmp", "gfx/Trees/Tree5.bmp"}) {
    scene.treeSet->AddTexture(tree);
  }

  // [SECTION] Terrain
  terrain.SetHeightScaling(s.worldHeightScaling);
  terrain.SetStepSize(s.worldStepSize);
  std::string error;
  // Checked before they are narrowed to the 16-bit sample counts the terrain takes, so
  // that 70000 is refused rather than wrapped.
  if (!Terrain::CheckSamples("World/WorldSizeX", s.worldSizeX, &error, s.IntText("World/WorldSizeX", s.worldSizeX)) ||
      !Terrain::CheckSamples("World/WorldSizeY", s.worldSizeY, &error, s.IntText("World/WorldSizeY", s.worldSizeY))) {
    return Fail(error);
  }
  const auto terrainStart = Clock::now();
  if (!terrain.Build(s.worldHeightmapFile, static_cast<int16_t>(s.worldSizeX),
                     static_cast<int16_t>(s.worldSizeY), &error)) {
    return Fail(error);
  }
  if (timings != nullptr) timings->terrainBuildMs = MillisecondsSince(terrainStart);

  // [SECTION] Viewer: motion values, then stood in the middle of the centre cell.
  viewer.SetTerrain(&terrain);
  viewer.SetGravity(s.gravityDirection);
  viewer.SetSpeed(s.motionSpeed);
  viewer.slowdown = s.motionSlowdown;
  viewer.midAirSlowdown = s.motionMidAirSlowdown;
  viewer.smallestForce = s.motionSmallestForce;
  viewer.accelerationTime = s.motionAccelerationTime;
  viewer.midAirAccelerationTime = s.motionMidAirAccelerationTime;
  viewer.jumpVector.y = s.motionJumpForce;
  viewer.gravityAcceleration = s.gravityAcceleration;
  viewer.maxAccelerationFactor = s.motionMaxAccelerationFactor;
  viewer.minimumHeight = s.motionMinimumHeight;
  const float step = terrain.StepSize();
  // Halves by an unsigned shift, as sizes are sample counts.
  const uint32_t halfY = static_cast<uint32_t>(s.worldSizeY) >> 1;
  const uint32_t halfX = static_cast<uint32_t>(s.worldSizeX) >> 1;
  viewer.SetX(step * static_cast<float>(halfY) + step * 0.5f);
  viewer.SetZ(step * static_cast<float>(halfX) + step * 0.5f);
  viewer.SetY(viewer.GroundHeight());
  viewer.SetSizeOfViewer(s.viewSizeOfViewer);

  // [SECTION] Font and crosshair, each read only when it is drawn: a file that is not
  // used, or not named, is neither looked for nor reported.
  if (s.fpsDrawCounter != 0) TextPrinter::LoadFont(s.fontFilename);
  if (s.crosshairDrawCrosshair != 0 && s.crosshairTexture[0] != '\0') {
    scene.crosshair->LoadTexture(s.crosshairTexture);
  }
  scene.crosshair->SetSize(s.crosshairSize);
  scene.crosshair->SetTransparency(s.crosshairTransparency);

  // [SECTION] Trees. When they do not fit, the program ends at the main loop's first
  // pass; the rest of the set-up still runs.
  bool placed = true;
  scene.treeSet->SetTerrain(&terrain);
  scene.treeSet->SetMaxRoughness(s.treesMaxTerrainRoughness);
  if (!scene.treeSet->Place(s.treesCount, s.treesSize, s.IntText("Trees/Count", s.treesCount))) {
    const std::string& reason = scene.treeSet->PlaceError();
    Fail(reason.empty() ? std::string(TreeSet::kNoRoomMessage) : reason);
    placed = false;
  }

  // [SECTION] Weapon
  if (s.weaponEnabled == 1) {
    MeshPlacement placement;
    placement.scale = s.weaponScale;
    placement.offset = Float3{s.weaponOffset.x, s.weaponOffset.y, s.weaponOffset.z};
    placement.skinFromTop = s.weaponSkinFromTop;
    scene.weapon->Load(s.weaponModel, s.weaponSkin, placement);
  }

  // [SECTION] Lights. The model-view matrix is the identity here, so the flashlight
  // stays fixed relative to the eye for the whole run.
  if (s.flashlightEnabled == 1) {
    scene.flashlight->Enable(GL_LIGHT1);
    scene.flashlight->Update();
  }
  scene.sun->Setup(GL_LIGHT0, s.sunlightAmbient, s.sunlightDiffuse, step * static_cast<float>(halfX),
                   step * static_cast<float>(halfY));

  // [SECTION] Fog: the far half of the view fades into the sky's horizon, so the far
  // clip and the world's edge do not cut the view. Switched on around the world only.
  if (s.viewFog == 1) {
    const Float3 horizon = scene.skyBox->HorizonColour(s.sunlightAmbient + s.sunlightDiffuse);
    const GLfloat colour[4] = {horizon.x, horizon.y, horizon.z, 1.0f};
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogf(GL_FOG_START, s.viewDepth * 0.5f);
    glFogf(GL_FOG_END, s.viewDepth);
    glFogfv(GL_FOG_COLOR, colour);
  }

  if (timings != nullptr) timings->totalMs = MillisecondsSince(start);
  return placed;
}

uint32_t RenderFrame(const SceneObjects& scene, const FrameInfo& frame) {
  const Settings& s = *scene.settings;
  const Viewer& viewer = *scene.viewer;

  // The depth buffer holds the last frame's weapon (or, at the first frame, anything):
  // the terrain and the sky are tested against nothing but the terrain.
  glClear(GL_DEPTH_BUFFER_BIT);
  if (s.viewFog == 1) glEnable(GL_FOG);
  glPushMatrix();
  viewer.ApplyTransform();
  scene.sun->Update();  // under the camera: the sun stays fixed in the world
  const ViewVolume view = CurrentViewVolume();
  uint32_t draws = scene.terrain->Draw(view);
  glPopMatrix();

  // The sky fills what the terrain left open: the frame never clears the colour
  // buffer. The trees are blended over both.
  const uint32_t fov = static_cast<uint32_t>(s.viewFOV);
  scene.skyBox->Draw(viewer.GetPitch(), viewer.GetHeading(), fov, s.sunlightAmbient + s.sunlightDiffuse,
                     frame.aspect);
  scene.terrain->RestoreDrawState();
  glPushMatrix();
  viewer.ApplyTransform();
  // Trees are lit by their brightness alone, not by the sun.
  glDisable(scene.sun->LightNumber());
  scene.treeSet->Draw(viewer.GetHeading(), viewer.GetX(), viewer.GetY(), viewer.GetZ(), s.treesBrightness, view);
  draws += scene.treeSet->drawnCount;
  glEnable(scene.sun->LightNumber());
  glPopMatrix();
  glDisable(GL_FOG);

  // What follows is drawn over the world.
  glClear(GL_DEPTH_BUFFER_BIT);
  if (s.weaponEnabled == 1) scene.weapon->Draw();
  if (s.fpsDrawCounter != 0 && frame.hasClientArea) {
    const uint32_t rate = frame.frameRate;
    const int32_t offset = rate > 99 ? 73 : (rate > 9 ? 61 : 49);
    TextPrinter::Print(frame.clientRight - offset, frame.clientBottom - 13, "%iFPS", static_cast<int>(rate));
  }
  if (s.crosshairDrawCrosshair != 0) scene.crosshair->Draw(fov, frame.aspect);
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  // Just above the centre of the window.
  if (frame.paused) TextPrinter::Print(viewport[2] / 2 - 36, viewport[3] / 2 + 24, "\\b+Paused");
  for (size_t k = 0; k < frame.help.size(); ++k) {
    TextPrinter::Print(12, viewport[3] - 24 - 16 * static_cast<int32_t>(k), "%s", frame.help[k].c_str());
  }
  return draws;
}
