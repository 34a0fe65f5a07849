// The weapon: a textured MD2 mesh compiled into a display list (Model), and an outer
// list that draws it in eye space with an identity model-view (WeaponModel). Loading
// happens once during scene set-up; drawing a frame is one list call.
#pragma once

#include <cstdint>

#include "model/model_mesh.h"
#include "textures/texture.h"

class Model {
 public:
  Model() = default;
  virtual ~Model() = default;
  Model(const Model&) = delete;
  Model& operator=(const Model&) = delete;

  // Reads the model file, loads the skin (its outcome not examined) and compiles the
  // mesh list: skin bound, colour white, frame 0 as triangles with texture
  // coordinates and normals aimed at the model's centre on the eye plane. False, with
  // no skin loaded and no list made, when the model file cannot be used.
  bool Load(const char* modelPath, const char* skinPath, const MeshPlacement& placement = MeshPlacement());
  // Calls the mesh list (nothing before a successful load).
  void Draw() const;

  uint32_t list = 0;  // display-list name of the mesh list; 0 until loaded
  ModelMesh mesh;
  Texture skin;
};

class WeaponModel {
 public:
  WeaponModel() = default;
  virtual ~WeaponModel() = default;
  WeaponModel(const WeaponModel&) = delete;
  WeaponModel& operator=(const WeaponModel&) = delete;

  // Model::Load, then compiles the outer list: model-view pushed, identity loaded, the
  // mesh list called, model-view popped. False (and no list) when the model failed.
  bool Load(const char* modelPath, const char* skinPath, const MeshPlacement& placement = MeshPlacement());
  // Calls the outer list; draws nothing while no model is loaded.
  void Draw() const;

  uint32_t list = 0;  // display-list name of the outer list; 0 until loaded
  Model model;
};
