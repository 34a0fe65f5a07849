// The held lantern: a turned brass body (base, glass, cap, chimney), four corner rods
// and a wire handle, built in eye-space units and written as a one-frame MD2 model
// with its skin. The program draws the model with the identity model-view matrix,
// so the positions below are where it appears relative to the eye (looking along -z).
// The skin carries the shading: the model never turns relative to the view, and the
// program aims every vertex normal at one point, which gives no shape cues.
#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "procedural.h"
#include "worldgen.h"

namespace worldgen {

namespace {

constexpr int kSkinWidth = 256;
constexpr int kSkinHeight = 128;
constexpr int kRadialSegments = 16;

// Where the lantern hangs in eye space (the centre of its base) and how large it
// is. With a vertical field of view of 90 degrees this puts it in the lower right
// of a 4:3 view, from about 0.35 to 0.6 across and from the bottom edge up to about
// a third below the centre.
constexpr float kAxisX = 0.27f;
constexpr float kBaseY = -0.375f;
constexpr float kAxisZ = -0.45f;
constexpr float kScale = 1.15f;

// Skin bands, in texels with t counted from the first stored (bottom) row, as the
// model reader hands skin coordinates to the texture.
struct Band {
  int t0, t1;
};
constexpr Band kMetalSide{0, 31};
constexpr Band kMetalSlope{32, 55};
constexpr Band kMetalFlat{56, 63};
constexpr Band kGlass{64, 111};
constexpr Band kWire{112, 127};

struct V3 {
  float x, y, z;
};
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator*(V3 a, float k) { return {a.x * k, a.y * k, a.z * k}; }
float Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 Cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
V3 Unit(V3 a) {
  const float len = std::sqrt(Dot(a, a));
  return len > 0.0f ? a * (1.0f / len) : a;
}

// The direction the skin's baked light comes from (upper left, towards the viewer)
// and the direction to the eye from the lantern.
const V3 kLight = Unit({-0.5f, 0.65f, 0.6f});
const V3 kToEye = Unit({-kAxisX, -kBaseY - 0.12f, -kAxisZ});
// The angle around the lantern's axis (0 along +x, growing towards +z) at which its
// side faces the eye.
const float kEyeAngle = std::atan2(-kAxisZ, -kAxisX);

struct Corner {
  int vertex;
  int s, t;  // skin texels
};

class MeshBuilder {
 public:
  int AddVertex(V3 p) {
    positions_.push_back(p);
    return static_cast<int>(positions_.size()) - 1;
  }
  const V3& Position(int i) const { return positions_[i]; }

  // Adds a triangle wound counter-clockwise as seen from the side `outward` points
  // to. Degenerate triangles (two corners at one place) are dropped.
  void AddTriangle(Corner a, Corner b, Corner c, V3 outward) {
    const V3 pa = positions_[a.vertex], pb = positions_[b.vertex], pc = positions_[c.vertex];
    const V3 n = Cross(pb - pa, pc - pa);
    if (Dot(n, n) < 1e-14f) return;
    if (Dot(n, outward) < 0.0f) std::swap(b, c);
    triangles_.push_back({a, b, c});
  }

  Bytes EncodeMd2(const std::string& skinName) const;

 private:
  struct Triangle {
    Corner corners[3];
  };
  std::vector<V3> positions_;
  std::vector<Triangle> triangles_;
};

void Put16(Bytes& out, int v) {
  out.push_back(static_cast<uint8_t>(v & 0xFF));
  out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}
void Put32(Bytes& out, uint32_t v) {
  Put16(out, static_cast<int>(v & 0xFFFFu));
  Put16(out, static_cast<int>(v >> 16));
}
void PutFloat(Bytes& out, float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  Put32(out, bits);
}

// MD2 layout: 68-byte header, then skin names, texture coordinates, triangles and
// frames in that order, each block straight after the one before. The model reader
// reverses every triangle's corners, so they are written clockwise (seen from
// outside) here and come out counter-clockwise when drawn.
Bytes MeshBuilder::EncodeMd2(const std::string& skinName) const {
  std::map<std::pair<int, int>, int> texIndex;
  std::vector<std::pair<int, int>> texCoords;
  auto indexOf = [&](const Corner& c) {
    const auto key = std::make_pair(c.s, c.t);
    const auto found = texIndex.find(key);
    if (found != texIndex.end()) return found->second;
    texCoords.push_back(key);
    return texIndex[key] = static_cast<int>(texCoords.size()) - 1;
  };
  std::vector<int> triTex;
  for (const Triangle& tri : triangles_) {
    for (const Corner& c : tri.corners) triTex.push_back(indexOf(c));
  }

  const uint32_t skins = 1, vertices = static_cast<uint32_t>(positions_.size());
  const uint32_t frameSize = 40 + 4 * vertices;
  const uint32_t ofsSkins = 68;
  const uint32_t ofsTexCoords = ofsSkins + 64 * skins;
  const uint32_t ofsTriangles = ofsTexCoords + 4 * static_cast<uint32_t>(texCoords.size());
  const uint32_t ofsFrames = ofsTriangles + 12 * static_cast<uint32_t>(triangles_.size());
  const uint32_t ofsCommands = ofsFrames + frameSize;  // one frame, no drawing commands
  const uint32_t ofsEnd = ofsCommands;

  Bytes out;
  for (char ch : {'I', 'D', 'P', '2'}) out.push_back(static_cast<uint8_t>(ch));
  Put32(out, 8);  // version
  Put32(out, kSkinWidth);
  Put32(out, kSkinHeight);
  Put32(out, frameSize);
  Put32(out, skins);
  Put32(out, vertices);
  Put32(out, static_cast<uint32_t>(texCoords.size()));
  Put32(out, static_cast<uint32_t>(triangles_.size()));
  Put32(out, 0);  // drawing commands
  Put32(out, 1);  // frames
  for (uint32_t offset : {ofsSkins, ofsTexCoords, ofsTriangles, ofsFrames, ofsCommands, ofsEnd}) {
    Put32(out, offset);
  }

  char name[64] = {};
  std::strncpy(name, skinName.c_str(), sizeof name - 1);
  out.insert(out.end(), name, name + sizeof name);

  for (const auto& st : texCoords) {
    Put16(out, st.first);
    Put16(out, st.second);
  }
  for (size_t i = 0; i < triangles_.size(); ++i) {
    const Triangle& tri = triangles_[i];
    for (int k = 2; k >= 0; --k) Put16(out, tri.corners[k].vertex);
    for (int k = 2; k >= 0; --k) Put16(out, triTex[i * 3 + k]);
  }

  // The one frame: positions quantised to bytes over the model's bounding box.
  V3 lo = positions_[0], hi = positions_[0];
  for (const V3& p : positions_) {
    lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
    hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
  }
  const V3 scale = (hi - lo) * (1.0f / 255.0f);
  PutFloat(out, scale.x);
  PutFloat(out, scale.y);
  PutFloat(out, scale.z);
  PutFloat(out, lo.x);
  PutFloat(out, lo.y);
  PutFloat(out, lo.z);
  char frameName[16] = "lantern";
  out.insert(out.end(), frameName, frameName + sizeof frameName);
  auto quantise = [](float v, float origin, float step) {
    return static_cast<uint8_t>(std::lround(Clamp01((v - origin) / (step * 255.0f)) * 255.0f));
  };
  for (const V3& p : positions_) {
    out.push_back(quantise(p.x, lo.x, scale.x));
    out.push_back(quantise(p.y, lo.y, scale.y));
    out.push_back(quantise(p.z, lo.z, scale.z));
    out.push_back(0);  // normal index: the program computes its own normals
  }
  return out;
}

// [SECTION] Geometry

V3 LanternPoint(float radius, float height, float angle) {
  return {kAxisX + kScale * radius * std::cos(angle), kBaseY + kScale * height,
          kAxisZ + kScale * radius * std::sin(angle)};
}

int SkinS(float angle) { return static_cast<int>(std::lround(angle / (2.0f * kPi) * kSkinWidth)); }

// The turned body: a profile of (radius, height) points from the bottom centre,
// out and up, to the top centre, revolved about the lantern's axis. Each profile
// segment names the skin band it is painted with.
void AddBody(MeshBuilder& mesh) {
  struct ProfilePoint {
    float radius, height;
    Band band;  // band of the segment that ends at this point
  };
  const ProfilePoint profile[] = {
      {0.0f, 0.0f, kMetalFlat},      {0.055f, 0.0f, kMetalFlat},    {0.055f, 0.014f, kMetalSide},
      {0.045f, 0.022f, kMetalSlope}, {0.045f, 0.128f, kGlass},      {0.058f, 0.132f, kMetalSide},
      {0.058f, 0.142f, kMetalSide},  {0.020f, 0.175f, kMetalSlope}, {0.016f, 0.178f, kMetalSlope},
      {0.016f, 0.192f, kMetalSide},  {0.0f, 0.192f, kMetalFlat},
  };
  const int points = static_cast<int>(sizeof profile / sizeof profile[0]);
  std::vector<std::vector<int>> rings(points);
  for (int k = 0; k < points; ++k) {
    const int count = profile[k].radius == 0.0f ? 1 : kRadialSegments;
    for (int j = 0; j < count; ++j) {
      rings[k].push_back(
          mesh.AddVertex(LanternPoint(profile[k].radius, profile[k].height, 2.0f * kPi * static_cast<float>(j) / static_cast<float>(kRadialSegments))));
    }
  }
  for (int k = 1; k < points; ++k) {
    const ProfilePoint& a = profile[k - 1];
    const ProfilePoint& b = profile[k];
    const Band band = b.band;
    const int tA = band.t0 + 1, tB = band.t1 - 1;
    // Outward in the profile plane: the segment's direction turned clockwise.
    const float dr = b.radius - a.radius, dh = b.height - a.height;
    for (int j = 0; j < kRadialSegments; ++j) {
      const float angle0 = 2.0f * kPi * static_cast<float>(j) / static_cast<float>(kRadialSegments);
      const float angle1 = 2.0f * kPi * static_cast<float>(j + 1) / static_cast<float>(kRadialSegments);
      const float mid = 0.5f * (angle0 + angle1);
      const V3 outward{dh * std::cos(mid), -dr, dh * std::sin(mid)};
      auto vertexOf = [&](int ring, int index) {
        return rings[ring].size() == 1 ? rings[ring][0] : rings[ring][index % kRadialSegments];
      };
      const Corner a0{vertexOf(k - 1, j), SkinS(angle0), tA};
      const Corner a1{vertexOf(k - 1, j + 1), SkinS(angle1), tA};
      const Corner b0{vertexOf(k, j), SkinS(angle0), tB};
      const Corner b1{vertexOf(k, j + 1), SkinS(angle1), tB};
      mesh.AddTriangle(a0, a1, b1, outward);
      mesh.AddTriangle(a0, b1, b0, outward);
    }
  }
}

// Four thin square rods standing outside the glass at the diagonals.
void AddRods(MeshBuilder& mesh) {
  const float half = 0.0035f, radius = 0.048f, bottom = 0.020f, top = 0.131f;
  for (int r = 0; r < 4; ++r) {
    const float angle = kPi * (0.25f + 0.5f * static_cast<float>(r));
    const V3 centreLow = LanternPoint(radius, bottom, angle);
    const V3 centreHigh = LanternPoint(radius, top, angle);
    const V3 offsets[4] = {{half, 0, half}, {half, 0, -half}, {-half, 0, -half}, {-half, 0, half}};
    int low[4], high[4];
    for (int k = 0; k < 4; ++k) {
      low[k] = mesh.AddVertex(centreLow + offsets[k] * kScale);
      high[k] = mesh.AddVertex(centreHigh + offsets[k] * kScale);
    }
    for (int k = 0; k < 4; ++k) {
      const int n = (k + 1) % 4;
      const V3 outward = offsets[k] + offsets[n];
      const int s0 = 8 + 16 * r + 4 * k, s1 = s0 + 4;
      const Corner l0{low[k], s0, kWire.t0 + 1}, l1{low[n], s1, kWire.t0 + 1};
      const Corner h0{high[k], s0, kWire.t1 - 1}, h1{high[n], s1, kWire.t1 - 1};
      mesh.AddTriangle(l0, l1, h1, outward);
      mesh.AddTriangle(l0, h1, h0, outward);
    }
  }
}

// The wire handle: a tube bent into an arch over the cap, turned a little so the
// arch is seen at an angle.
void AddHandle(MeshBuilder& mesh) {
  const int along = 14, around = 5;
  const float archRadius = 0.05f, wire = 0.0032f, yaw = 0.45f, centreHeight = 0.16f;
  const float start = -0.25f, end = kPi + 0.25f;
  const V3 across{std::cos(yaw), 0.0f, std::sin(yaw)};
  const V3 up{0.0f, 1.0f, 0.0f};
  const V3 side = Cross(across, up);  // horizontal, across the arch's plane
  const V3 centre = LanternPoint(0.0f, centreHeight, 0.0f);
  std::vector<std::vector<int>> rings(along + 1);
  std::vector<V3> spine(along + 1);
  for (int i = 0; i <= along; ++i) {
    const float a = start + (end - start) * static_cast<float>(i) / static_cast<float>(along);
    const V3 radial = across * std::cos(a) + up * std::sin(a);
    spine[i] = centre + radial * (archRadius * kScale);
    for (int k = 0; k < around; ++k) {
      const float b = 2.0f * kPi * static_cast<float>(k) / static_cast<float>(around);
      const V3 offset = (radial * std::cos(b) + side * std::sin(b)) * (wire * kScale);
      rings[i].push_back(mesh.AddVertex(spine[i] + offset));
    }
  }
  for (int i = 0; i < along; ++i) {
    for (int k = 0; k < around; ++k) {
      const int n = (k + 1) % around;
      const V3 mid = (spine[i] + spine[i + 1]) * 0.5f;
      const V3 ringMid = (mesh.Position(rings[i][k]) + mesh.Position(rings[i + 1][n])) * 0.5f;
      const V3 outward = ringMid - mid;
      const int s0 = 16 * i + 1, s1 = 16 * (i + 1) - 1;
      const int t0 = kWire.t0 + 1 + 2 * k, t1 = t0 + 2;
      const Corner c00{rings[i][k], s0, t0}, c01{rings[i][n], s0, t1};
      const Corner c10{rings[i + 1][k], s1, t0}, c11{rings[i + 1][n], s1, t1};
      mesh.AddTriangle(c00, c10, c11, outward);
      mesh.AddTriangle(c00, c11, c01, outward);
    }
  }
}

// [SECTION] Skin

// Brass lit by the baked light, for a surface whose normal leans `tilt` radians
// up from the horizontal and faces the direction `angle` around the axis.
Colour Brass(float angle, float tilt, float grain) {
  const Colour brass{0.62f, 0.47f, 0.22f};
  const V3 normal{std::cos(angle) * std::cos(tilt), std::sin(tilt), std::sin(angle) * std::cos(tilt)};
  const float diffuse = std::max(0.0f, Dot(normal, kLight));
  const V3 halfway = Unit(kLight + kToEye);
  const float highlight = std::pow(std::max(0.0f, Dot(normal, halfway)), 24.0f);
  const Colour lit = Scale(brass, (0.3f + 0.85f * diffuse) * (0.92f + 0.16f * grain));
  return {lit.r + 0.7f * highlight, lit.g + 0.65f * highlight, lit.b + 0.5f * highlight};
}

RgbImage MakeSkin() {
  RgbImage skin(kSkinWidth, kSkinHeight);
  for (int t = 0; t < kSkinHeight; ++t) {
    for (int s = 0; s < kSkinWidth; ++s) {
      const float angle = 2.0f * kPi * (static_cast<float>(s) + 0.5f) / static_cast<float>(kSkinWidth);
      const float grain = PeriodicNoise(static_cast<float>(s) * 0.25f, static_cast<float>(t) * 0.5f, 64, 64, 901u);
      Colour c{0, 0, 0};
      if (t <= kMetalSide.t1) {
        c = Brass(angle, 0.0f, grain);
        // Darker rims at the top and bottom of the band read as edges.
        if (t - kMetalSide.t0 < 3 || kMetalSide.t1 - t < 3) c = Scale(c, 0.7f);
      } else if (t <= kMetalSlope.t1) {
        c = Brass(angle, 0.8f, grain);
      } else if (t <= kMetalFlat.t1) {
        c = Scale(Brass(angle, 1.4f, grain), 0.9f);
      } else if (t <= kGlass.t1) {
        // Warm glow, brightest where the glass faces the eye, with the flame
        // painted on the front.
        const float facing = std::max(0.0f, std::cos(angle - kEyeAngle));
        const float height = static_cast<float>(t - kGlass.t0) / float(kGlass.t1 - kGlass.t0);
        const Colour glowDim{0.55f, 0.30f, 0.10f};
        const Colour glowBright{1.0f, 0.80f, 0.45f};
        c = Mix(glowDim, glowBright, facing * facing * (0.75f + 0.25f * std::sin(kPi * height)));
        const float across = (angle - kEyeAngle) / 0.32f;  // 0 where the glass faces the eye
        const float up = (height - 0.22f) / 0.5f;           // 0 at the flame's foot
        if (up > 0.0f && up < 1.0f) {
          const float width = std::sin(kPi * std::pow(up, 0.7f)) * (1.0f - up * 0.4f);
          const float core = 1.0f - std::fabs(across) / std::max(width, 1e-3f);
          if (core > 0.0f) {
            const Colour flame = Mix(Colour{1.0f, 0.62f, 0.15f}, Colour{1.0f, 0.98f, 0.85f}, SmoothStep(0.0f, 0.6f, core));
            c = Mix(c, flame, SmoothStep(0.0f, 0.35f, core));
          }
        }
        // Soot darkening towards the top of the glass.
        c = Scale(c, 1.0f - 0.3f * SmoothStep(0.75f, 1.0f, height));
      } else {
        c = Scale(Colour{0.30f, 0.27f, 0.22f}, 0.8f + 0.4f * grain);
      }
      // t counts from the bottom row of the picture.
      skin.Set(s, kSkinHeight - 1 - t, ToByte(c.r), ToByte(c.g), ToByte(c.b));
    }
  }
  return skin;
}

}  // namespace

LanternFiles MakeLantern() {
  MeshBuilder mesh;
  AddBody(mesh);
  AddRods(mesh);
  AddHandle(mesh);
  LanternFiles files;
  files.model = mesh.EncodeMd2("gfx/Weapon/Lantern.bmp");
  files.skin = MakeSkin();
  return files;
}

}  // namespace worldgen
