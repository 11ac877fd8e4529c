#include "scene/skin.h"

#include <algorithm>

#include <GL/glew.h>

namespace quillbarrow {

namespace Animation {

std::vector<SkinUse> find_skin_uses(const tinygltf::Model& gltf, std::size_t skin_count) {
    std::vector<SkinUse> uses;
    std::vector<bool> used(skin_count, false);
    for (std::size_t n = 0; n < gltf.nodes.size(); ++n) {
        const tinygltf::Node& node = gltf.nodes[n];
        if (node.mesh < 0 || node.skin < 0 || static_cast<std::size_t>(node.skin) >= skin_count) continue;
        SkinUse use;
        use.node = static_cast<std::int32_t>(n);
        use.skin = node.skin;
        use.shares_skin = used[node.skin];
        used[node.skin] = true;
        uses.push_back(std::move(use));
    }
    return uses;
}

void compose_worlds(const NodeHierarchy& hierarchy, const std::vector<glm::mat4>& locals,
                    const std::vector<bool>& posed, std::vector<glm::mat4>& worlds) {
    const std::size_t count = hierarchy.parents.size();
    worlds.resize(count);
    for (std::int32_t node : hierarchy.parents_first) {
        const auto n = static_cast<std::size_t>(node);
        const glm::mat4& local =
            n < posed.size() && posed[n] && n < locals.size() ? locals[n] : hierarchy.rest_locals[n];
        const std::int32_t parent = hierarchy.parents[n];
        worlds[n] = parent >= 0 ? worlds[static_cast<std::size_t>(parent)] * local : local;
    }
}

void upload_joint_block(unsigned int buffer, const std::vector<glm::mat4>& matrices) {
    const std::size_t count = std::min(matrices.size(), kJointBlockMatrices);
    glBindBuffer(GL_UNIFORM_BUFFER, buffer);
    if (count > 0)
        glBufferSubData(GL_UNIFORM_BUFFER, 0, static_cast<GLsizeiptr>(count * sizeof(glm::mat4)), matrices.data());
    glBindBuffer(GL_UNIFORM_BUFFER, 0);
}

}  // namespace Animation

}  // namespace quillbarrow
