// The MD2 writer of the model tests. Values are written little-endian byte by byte.
#include "support/md2_writer.h"

#include <cstring>

namespace {

template <typename T>
void Put(std::vector<uint8_t>& out, T value) {
  uint32_t bits = 0;
  std::memcpy(&bits, &value, sizeof value);
  for (size_t i = 0; i < sizeof value; ++i) out.push_back(static_cast<uint8_t>(bits >> (8 * i)));
}

}  // namespace

std::vector<uint8_t> WriteMd2(const Md2Model& m) {
  const uint32_t vertices = m.frames.empty() ? 0 : static_cast<uint32_t>(m.frames[0].vertices.size());
  const uint32_t frameSize = 40 + 4 * vertices;
  const uint32_t skinsAt = 68;
  const uint32_t texCoordsAt = skinsAt + 64 * static_cast<uint32_t>(m.skins.size());
  const uint32_t trianglesAt = texCoordsAt + 4 * static_cast<uint32_t>(m.texCoords.size());
  const uint32_t framesAt = trianglesAt + 12 * static_cast<uint32_t>(m.triangles.size());
  const uint32_t end = framesAt + frameSize * static_cast<uint32_t>(m.frames.size());
  std::vector<uint8_t> out = {'I', 'D', 'P', '2'};
  for (uint32_t v : {8u, 64u, 64u, frameSize, uint32_t(m.skins.size()), vertices, uint32_t(m.texCoords.size()),
                     uint32_t(m.triangles.size()), 0u, uint32_t(m.frames.size()), skinsAt, texCoordsAt, trianglesAt,
                     framesAt, end, end}) {
    Put(out, v);
  }
  for (const std::string& skin : m.skins) {
    const size_t at = out.size();
    out.resize(at + 64, 0);
    std::memcpy(&out[at], skin.data(), skin.size() < 63 ? skin.size() : 63);
  }
  for (const auto& st : m.texCoords) {
    for (int16_t coordinate : st) Put(out, coordinate);
  }
  for (const auto& triangle : m.triangles) {
    for (int16_t index : triangle) Put(out, index);
  }
  for (const Md2Frame& frame : m.frames) {
    for (float v : frame.scale) Put(out, v);
    for (float v : frame.translate) Put(out, v);
    out.resize(out.size() + 16, 'f');  // frame name, not terminated
    for (const auto& v : frame.vertices) out.insert(out.end(), {v[0], v[1], v[2], 0});
  }
  return out;
}
