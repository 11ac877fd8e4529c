#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include <GL/glew.h>
#include <glm/gtc/quaternion.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <glm/matrix.hpp>

#include "document/texture.h"
#include "player/diagnostics.h"
#include "player/player_state.h"
#include "render/shader_program.h"
#include "scene/draw_limits.h"
#include "scene/material_binding.h"
#include "scene/face_culling.h"
#include "scene/model.h"
#include "scene/model_camera.h"
#include "scene/scene.h"
#include "scene/skin.h"

namespace quillbarrow {

namespace {

template <class T>
bool in_range(int index, const std::vector<T>& list) {
    return index >= 0 && static_cast<std::size_t>(index) < list.size();
}

// Integers only: a number written with a decimal point reads as 0, as the
// glTF library keeps it.
template <class Extras>
Extras read_extras(const tinygltf::Value& extras) {
    Extras result;
    if (!extras.IsObject()) return result;
    if (extras.Has("ignore_shadow")) {
        const tinygltf::Value& v = extras.Get("ignore_shadow");
        result.ignore_shadow = v.IsBool() && v.Get<bool>();
    }
    if (extras.Has("render_pass")) result.render_pass = extras.Get("render_pass").Get<int>();
    if (extras.Has("tag")) result.tag = extras.Get("tag").Get<int>();
    return result;
}

void set_matrix(int location, const glm::mat4& m) { glUniformMatrix4fv(location, 1, GL_FALSE, glm::value_ptr(m)); }

void draw_primitive(const PrimitiveDraw& draw) {
    if (draw.indexed) {
        glDrawElements(draw.mode, draw.index_count, draw.index_type, nullptr);
    } else {
        glDrawArrays(draw.mode, 0, draw.vertex_count);
    }
}

}  // namespace

void Scene::create_shadow_target() {
    light_camera = std::make_unique<Camera>();
    light_camera->position = {300.0f, 50.0f, 0.0f};
    light_camera->direction = {0.0f, 0.0f, 0.0f};
    light_camera->up = {0.0f, 1.0f, 0.0f};
    light_camera->aspect = 1.0f;
    light_camera->fov = 90.0f;
    light_camera->znear = 1.0f;
    light_camera->zfar = 1000.0f;
    light_camera->direction_mode = false;
    light_camera->orthographic = true;
    light_camera->ortho_half_size = 100.0f;
}

void Scene::render(ShaderProgram* program) {
    if (!root_node || !program) return;
    // Both passes need a camera the scene is seen through: without one
    // there is no sensible view, so the scene stays undrawn.
    if (!steered_camera()) {
        if (!reported_no_camera_) {
            report_notice(format_message("Scene \"%s\" has no camera; it draws nothing", name.c_str()));
            reported_no_camera_ = true;
        }
        return;
    }

    glEnable(GL_DEPTH_TEST);
    // The shadow pass renders into the shadow map, so it is not bound there:
    // WebGL counts any bound texture that a framebuffer renders into as a
    // feedback loop, sampled or not.
    bind_texture_on_unit(program->shadow_map_unit, shadow_pass ? 0 : shadow_map, program->shadow_map_texture_location);
    glActiveTexture(GL_TEXTURE0);

    Model* model = root_node->model;
    if (model) {
        if (model->skeleton) {
            glBindBuffer(GL_UNIFORM_BUFFER, model->joint_buffer);
            if (program->matrices_block_index != GL_INVALID_INDEX)
                glUniformBlockBinding(program->program_id, program->matrices_block_index, 0);
            glBindBuffer(GL_UNIFORM_BUFFER, 0);
        }

        DrawState& state = draw_state_;
        state.program = program;
        state.model = model;
        state.gpu_instance_budget.start_draw();
        // The light camera does not move while the scene is drawn.
        if (light_camera) state.light_view_projection = light_camera->projection_matrix() * light_camera->view_matrix();
        const tinygltf::Model& gltf = model->gltf;
        const int drawn_scene = model->drawn_scene();
        const bool has_scene = drawn_scene >= 0;
        ModelCameraView model_view;
        const bool through_model_camera =
            !shadow_pass && model_camera && view_through_model_camera(*model, &model_view);
        FaceCulling culling;
        for (int i = 0; i < instance_count; ++i) {
            Camera* viewer = active_camera();
            if (!viewer) break;
            state.instance = i;
            state.view = through_model_camera ? model_view.view : viewer->view_matrix();
            state.projection = through_model_camera ? model_view.projection : viewer->projection_matrix();
            state.culling = &culling;
            if (!has_scene) continue;

            const auto& roots = gltf.scenes[static_cast<std::size_t>(drawn_scene)].nodes;
            model->render_pass_count = 1;
            state.requested_passes.clear();
            // Every pass walks the same nodes, so after the first the set of
            // requested passes is complete; later passes step through it.
            std::int64_t pass = 1;
            while (pass <= model->render_pass_count) {
                state.visited.assign(gltf.nodes.size(), false);
                for (int root : roots) draw_node(state, root, static_cast<int>(pass), glm::mat4(1.0f));
                auto next = std::upper_bound(state.requested_passes.begin(), state.requested_passes.end(),
                                             static_cast<std::int32_t>(pass));
                if (next == state.requested_passes.end()) break;
                pass = *next;
            }
        }
    }
    glDisable(GL_DEPTH_TEST);
}

bool Scene::view_through_model_camera(const Model& model, ModelCameraView* view) {
    // The visible pass fills the viewport, so its shape is the output's.
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const float aspect = viewport[3] > 0 ? static_cast<float>(viewport[2]) / static_cast<float>(viewport[3]) : 1.0f;
    if (model_camera_view(model, *model_camera, aspect, view)) return true;
    if (!reported_model_camera_) {
        report_notice(format_message("Scene \"%s\": model %s has no usable camera %d; the scene camera is used",
                                     name.c_str(), model.filename.c_str(), *model_camera));
        reported_model_camera_ = true;
    }
    return false;
}

void Scene::draw_node(DrawState& state, int node, int pass, const glm::mat4& parent) {
    Model& model = *state.model;
    const tinygltf::Model& gltf = model.gltf;
    if (!in_range(node, gltf.nodes) || state.visited[static_cast<std::size_t>(node)]) return;
    const std::size_t index = static_cast<std::size_t>(node);
    state.visited[index] = true;
    const tinygltf::Node& gltf_node = gltf.nodes[index];
    ShaderProgram& program = *state.program;

    if (program.node_idx_location != -1) glUniform1i(program.node_idx_location, node);

    const bool overridden = index < model.node_override_flags.size() && index < model.node_override_matrices.size() &&
                            model.node_override_flags[index];
    const glm::mat4 node_world =
        overridden ? model.node_override_matrices[index] : node_world_matrix(gltf_node, parent);

    const NodeExtras extras = read_extras<NodeExtras>(gltf_node.extras);
    if (extras.render_pass > model.render_pass_count) model.render_pass_count = extras.render_pass;
    auto& passes = state.requested_passes;
    auto at = std::lower_bound(passes.begin(), passes.end(), extras.render_pass);
    if (at == passes.end() || *at != extras.render_pass) passes.insert(at, extras.render_pass);

    const bool drawn_in_this_pass = (!shadow_pass || !extras.ignore_shadow) && pass == extras.render_pass;
    // The mesh is drawn once per GPU instance of the node, or once without.
    InstanceWorlds worlds(model.gpu_instancing.of_node(index), node_world, state.gpu_instance_budget, model.filename);
    glm::mat4 world(1.0f);
    while (drawn_in_this_pass && in_range(gltf_node.mesh, gltf.meshes) &&
           in_range(gltf_node.mesh, model.mesh_vao_ranges) && worlds.next(&world)) {
        const glm::mat4 model_view = state.view * world;
        set_matrix(program.model_view_proj_matrix_location, state.projection * model_view);
        set_matrix(program.model_view_matrix_location, model_view);
        set_matrix(program.normal_matrix_location, glm::transpose(glm::inverse(world)));
        set_matrix(program.model_matrix_location, world);
        set_matrix(program.light_mvp_matrix_location, state.light_view_projection * world);
        glUniform1i(program.tag_location, extras.tag);
        glUniform1i(program.instance_location, state.instance);

        // With several skinned nodes the block is refilled for each; with one,
        // the effect has already filled it.
        const std::vector<glm::mat4>* joints = model.skin_matrices_of_node(node);
        if (joints && model.skin_uses.size() > 1) Animation::upload_joint_block(model.joint_buffer, *joints);
        const bool mirrored = mirrors(world);

        const tinygltf::Mesh& mesh = gltf.meshes[static_cast<std::size_t>(gltf_node.mesh)];
        const auto [first, count] = model.mesh_vao_ranges[static_cast<std::size_t>(gltf_node.mesh)];
        for (std::size_t k = 0; k < mesh.primitives.size(); ++k) {
            const std::int64_t vao = static_cast<std::int64_t>(first) + static_cast<std::int64_t>(k);
            if (static_cast<std::int64_t>(k) >= count || vao < 0 ||
                vao >= static_cast<std::int64_t>(model.vertex_arrays.size()) ||
                vao >= static_cast<std::int64_t>(model.primitive_draws.size()))
                continue;
            const PrimitiveDraw& draw = model.primitive_draws[static_cast<std::size_t>(vao)];
            if (!draw.drawable) continue;
            bind_material(state, mesh.primitives[k].material);
            const BlendedPrimitive blended(model, mesh.primitives[k].material, shadow_pass);
            state.culling->set_for(gltf, mesh.primitives[k].material, mirrored);
            glBindVertexArray(model.vertex_arrays[static_cast<std::size_t>(vao)]);
            draw_primitive(draw);
        }
    }

    if (state.depth >= kMaxNodeDepth) return;
    ++state.depth;
    for (int child : gltf_node.children) draw_node(state, child, pass, node_world);
    --state.depth;
}

glm::mat4 node_world_matrix(const tinygltf::Node& node, const glm::mat4& parent) {
    if (node.matrix.size() == 16) {
        glm::mat4 matrix;
        for (int c = 0; c < 4; ++c)
            for (int r = 0; r < 4; ++r)
                matrix[c][r] = static_cast<float>(node.matrix[static_cast<std::size_t>(c * 4 + r)]);
        return parent * matrix;
    }
    glm::mat4 t(1.0f), r(1.0f), s(1.0f);
    if (node.translation.size() == 3)
        t[3] = glm::vec4(static_cast<float>(node.translation[0]), static_cast<float>(node.translation[1]),
                         static_cast<float>(node.translation[2]), 1.0f);
    if (node.rotation.size() == 4) {
        const glm::quat q(static_cast<float>(node.rotation[3]), static_cast<float>(node.rotation[0]),
                          static_cast<float>(node.rotation[1]), static_cast<float>(node.rotation[2]));
        r = glm::mat4_cast(q);
    }
    if (node.scale.size() == 3) {
        s[0][0] = static_cast<float>(node.scale[0]);
        s[1][1] = static_cast<float>(node.scale[1]);
        s[2][2] = static_cast<float>(node.scale[2]);
    }
    return parent * t * r * s;
}

}  // namespace quillbarrow
