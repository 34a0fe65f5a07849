// Writes every generated asset under one output folder, in the folder layout the
// program expects beside its executable ("gfx/...").
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "worldgen.h"

namespace worldgen {

namespace {

bool WriteBytes(const std::filesystem::path& path, const Bytes& bytes) {
  std::error_code error;
  std::filesystem::create_directories(path.parent_path(), error);
  if (error) {
    std::fprintf(stderr, "Error: worldgen: [%s] folder cannot be created: %s\n",
                 path.parent_path().string().c_str(), error.message().c_str());
    return false;
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "Error: worldgen: [%s] cannot be written\n", path.string().c_str());
    return false;
  }
  return true;
}

}  // namespace

bool WriteWorld(const std::string& outDir, const std::string& fontFile) {
  const std::filesystem::path gfx = std::filesystem::path(outDir) / "gfx";

  const std::optional<GreyImage> font = MakeFontAtlas(fontFile);
  if (!font) return false;
  if (!WriteBytes(gfx / "Font.tga", EncodeTgaGrey8(*font))) return false;

  if (!WriteBytes(gfx / "Terrain" / "Heightmap.bmp", EncodeBmpGrey8(MakeHeightmap()))) return false;
  if (!WriteBytes(gfx / "Textures" / "Landscape5.bmp", EncodeBmp24(MakeGroundTexture()))) return false;
  const TreeKind kinds[kTreeKindCount] = {TreeKind::Conifer, TreeKind::Broadleaf, TreeKind::Birch, TreeKind::Bush,
                                          TreeKind::DeadTree};
  for (int i = 0; i < kTreeKindCount; ++i) {
    const std::string name = "Tree" + std::to_string(i + 1) + ".bmp";
    if (!WriteBytes(gfx / "Trees" / name, EncodeBmp24(MakeTree(kinds[i])))) return false;
  }
  if (!WriteBytes(gfx / "Crosshair.bmp", EncodeBmp24(MakeCrosshair()))) return false;
  if (!WriteBytes(gfx / "Sky.bmp", EncodeBmp24(MakeSky()))) return false;

  const LanternFiles lantern = MakeLantern();
  if (!WriteBytes(gfx / "Weapon" / "Lantern.md2", lantern.model)) return false;
  if (!WriteBytes(gfx / "Weapon" / "Lantern.bmp", EncodeBmp24(lantern.skin))) return false;
  return true;
}

}  // namespace worldgen
