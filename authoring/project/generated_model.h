#pragma once

#include <string>

namespace quillbarrow {

// The stage of a new 3D project as glTF text with its buffer embedded as a
// data: URI: a cube (node "cube", extras tag 1) standing on a floor plane
// (node "floor", extras tag 0 and "ignore_shadow": true, so it only receives
// shadows), both with normals and a base colour.
std::string generated_stage_gltf();

}  // namespace quillbarrow
