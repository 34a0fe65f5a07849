// Trees: billboard trees scattered once over the terrain at reproducible random cell
// centres, kept apart from each other and off rising ground, and drawn every frame
// from the farthest to the nearest, upright and turned to face along the view.
// Placement, the distance sort and the front-of-viewer test need no OpenGL
// (tree_placement.cpp); loading the images and drawing do (tree_drawing.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "geometry/vector3.h"
#include "geometry/view_volume.h"
#include "textures/texture.h"

class Terrain;

// The classic C runtime generator (linear congruential, 32-bit state starting at 1,
// values 0..32767), kept here so that every platform places the same trees: the
// platform's own rand() has another formula and range.
class TreeRandom {
 public:
  // state := state * 214013 + 2531011 (mod 2^32); returns (state >> 16) & 32767.
  int Next();

  uint32_t state = 1;
};

// One billboard: its foot on the ground, twice `size` wide and tall.
class Tree {
 public:
  Tree() = default;
  virtual ~Tree() = default;
  Tree(const Tree&) = default;
  Tree& operator=(const Tree&) = default;

  // distance := squared distance from the viewer position.
  void UpdateDistance(float viewerX, float viewerY, float viewerZ);
  // Emits the quad in the tree's own frame: (-size, 0) to (size, 2 size) in the x-y
  // plane, counter-clockwise seen from +z, texture row t = 0 at the foot.
  void DrawQuad() const;

  float distance = 0.0f;  // squared distance from the viewer, refreshed each frame
  float size = 0.4f;      // half the billboard's width, world units
  float z = 0.0f;         // world position of the foot, stored z, y, x
  float y = 0.0f;
  float x = 0.0f;
  int32_t texture = 0;    // texture slot the tree is drawn with
};

class TreeSet {
 public:
  // Candidate spots tried per tree before placement gives up.
  static constexpr int kMaxCandidates = 1000;
  // The answer of PlaceError() when no valid spot could be found.
  static const char* const kNoRoomMessage;

  TreeSet() = default;
  virtual ~TreeSet() = default;
  TreeSet(const TreeSet&) = delete;
  TreeSet& operator=(const TreeSet&) = delete;

  // [SECTION] Set-up
  // Loads the image into the next slot with the colour-keyed loader (needs a current
  // GL context). False, loading nothing, when all ten slots are filled; otherwise
  // true whatever the loader reported.
  bool AddTexture(const char* path);
  void SetTerrain(const Terrain* t) { terrain = t; }
  // Stored only when greater than 0 (NaN is refused); otherwise the limit stays.
  void SetMaxRoughness(float value);
  // Largest tree array, in bytes, that Place() accepts; 0 (the default) means the
  // installed memory.
  void SetMemoryLimit(uint64_t bytes) { memoryLimit = bytes; }

  // [SECTION] Placement
  // Scatters `count` trees of half-width `size`. True when placed, and when count is
  // 0 or negative (nothing changes then). False when there is no terrain or no
  // image, when some tree finds no valid spot within kMaxCandidates candidates, or
  // when the count cannot be held at all (more than the terrain's cells can take, or
  // more than memory allows); PlaceError() then says which, for the user, with the
  // count shown as `countWritten` when that is not empty (the setting's own text).
  bool Place(int32_t count, float size, const std::string& countWritten = "");
  // Why the last Place() failed; empty after a success.
  const std::string& PlaceError() const { return placeError; }

  // The next generator value scaled to 0..n-1 (0 for n = 0).
  int RandomIndex(int n);
  // n * r / 32767 truncated toward zero, kept below n: r = 32767 gives n - 1.
  static int ScaleRandom(int n, int r);
  // Whether tree `index` stands closer than twice the trees' size to an earlier tree
  // (horizontal distance; exactly twice the size is allowed).
  bool IsTooClose(size_t index) const;
  // Whether no corner of the square of half-width size around tree `index`'s foot
  // rises above the foot by more than the maximum roughness. Falling corners pass.
  bool FitsGround(size_t index) const;

  // [SECTION] Drawing
  // Refreshes every tree's distance and sorts the array farthest first.
  void SortFarToNear(float viewerX, float viewerY, float viewerZ);
  // Draws the trees in front of the viewer and not wholly outside `view` as blended
  // billboards, farthest first, each turned by `heading` degrees; counts them in
  // drawnCount. Leaves the current colour at
  // (brightness, brightness, brightness, brightness) and the normal at (0, 0, 1);
  // restores blending and the texture binding. False, drawing nothing and touching
  // no state, when no trees are placed or no image is loaded.
  bool Draw(float heading, float viewerX, float viewerY, float viewerZ, float brightness,
            const ViewVolume& view = ViewVolume());

  // Public state: the drawing code (tree_drawing.cpp) reads it, and tests read and set
  // it directly; the set-up calls and Place() are the program's way to change it.
  float maxRoughness = 0.1f;         // largest rise of the ground around a foot, world units
  const Terrain* terrain = nullptr;  // not owned
  int32_t placedCount = -1;          // trees placed; -1 while none are (nothing is drawn)
  TextureSlots textures;             // the tree images
  std::vector<Tree> trees;           // placedCount trees after a successful placement
  TreeRandom random;                 // draws for placement only, never reseeded
  uint32_t drawnCount = 0;           // trees the last Draw() drew

 private:
  uint64_t memoryLimit = 0;
  std::string placeError;
};

// The vertical plane through the viewer's feet across the view direction; its normal
// (-sin heading, 0, -cos heading) points the way the viewer looks.
Plane ViewerCrossPlane(float heading, float viewerX, float viewerY, float viewerZ);
// Whether the tree's foot lies strictly on the normal's side of the plane.
bool IsInFront(const Plane& plane, const Tree& tree);
