#include "scene/face_culling.h"

#include <GL/glew.h>
#include <glm/matrix.hpp>

namespace quillbarrow {

FaceCulling::FaceCulling() {
    was_enabled_ = glIsEnabled(GL_CULL_FACE) == GL_TRUE;
    glGetIntegerv(GL_FRONT_FACE, &front_face_);
    glGetIntegerv(GL_CULL_FACE_MODE, &cull_face_);
    glCullFace(GL_BACK);
}

FaceCulling::~FaceCulling() {
    if (was_enabled_) {
        glEnable(GL_CULL_FACE);
    } else {
        glDisable(GL_CULL_FACE);
    }
    glFrontFace(static_cast<GLenum>(front_face_));
    glCullFace(static_cast<GLenum>(cull_face_));
}

void FaceCulling::set_for(const tinygltf::Model& gltf, int material, bool mirrored) {
    const bool known = material >= 0 && static_cast<std::size_t>(material) < gltf.materials.size();
    const bool double_sided = known && gltf.materials[static_cast<std::size_t>(material)].doubleSided;
    if (double_sided) {
        glDisable(GL_CULL_FACE);
        return;
    }
    glEnable(GL_CULL_FACE);
    glFrontFace(mirrored ? GL_CW : GL_CCW);
}

bool mirrors(const glm::mat4& world) { return glm::determinant(glm::mat3(world)) < 0.0f; }

}  // namespace quillbarrow
