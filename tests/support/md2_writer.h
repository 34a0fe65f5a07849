// Writes MD2 model files as modelling tools do: the 68-byte header with real block
// offsets, then skin names, texture coordinates, triangles and frames.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct Md2Frame {
  float scale[3] = {1.0f, 1.0f, 1.0f};
  float translate[3] = {0.0f, 0.0f, 0.0f};
  std::vector<std::array<uint8_t, 3>> vertices;  // packed x, y, z; the normal index is written as 0
};

// The header gives a 64 x 64 skin; the program takes the skin's size from its image.
struct Md2Model {
  std::vector<std::string> skins;
  std::vector<std::array<int16_t, 2>> texCoords;  // s, t in skin pixels
  std::vector<std::array<int16_t, 6>> triangles;  // three vertex indices, then three texture-coordinate indices
  std::vector<Md2Frame> frames;                   // every frame as long as the first
};

std::vector<uint8_t> WriteMd2(const Md2Model& model);
