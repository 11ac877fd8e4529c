#pragma once

#include <glm/mat4x4.hpp>
#include <tiny_gltf.h>

namespace quillbarrow {

// Back-face culling as a model's materials ask for it. Made when a scene
// starts drawing, it remembers the culling state it found and puts it back
// when the scene is done, so effects drawn later are unaffected.
class FaceCulling {
public:
    FaceCulling();
    ~FaceCulling();
    FaceCulling(const FaceCulling&) = delete;
    FaceCulling& operator=(const FaceCulling&) = delete;

    // Before a primitive: back faces are culled unless its material is
    // double-sided (a primitive without a usable material takes glTF's
    // default material, which is single-sided). A node whose world matrix
    // mirrors turns its faces inside out, so clockwise faces are its front.
    void set_for(const tinygltf::Model& gltf, int material, bool mirrored);

private:
    bool was_enabled_ = false;
    int front_face_ = 0;
    int cull_face_ = 0;
};

// Whether a world matrix mirrors what it transforms (negative determinant).
bool mirrors(const glm::mat4& world);

}  // namespace quillbarrow
