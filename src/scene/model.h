#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <glm/mat4x4.hpp>
#include <tiny_gltf.h>

#include "render/gl_object.h"
#include "scene/gltf_accessor.h"
#include "scene/gpu_instancing.h"
#include "scene/model_animation.h"
#include "scene/model_findings.h"
#include "scene/skin.h"
#include "serialization/byte_buffer.h"
#include "serialization/serializable.h"

namespace quillbarrow {

class Texture;
enum class ModelFiles;

// How one primitive is drawn, from what its set-up validated and uploaded:
// a primitive that failed is not drawable, and nothing of the file's own
// counts or offsets reaches a draw call without passing through here.
struct PrimitiveDraw {
    bool drawable = false;
    unsigned int mode = 4;          // a GL primitive mode, GL_TRIANGLES by default
    std::int32_t vertex_count = 0;  // vertices that every enabled attribute holds
    bool indexed = false;
    std::int32_t index_count = 0;  // with indices: every one below vertex_count
    unsigned int index_type = 0;   // GL_UNSIGNED_BYTE, _SHORT or _INT, from the vertex array's own element buffer
};

namespace Animation {
class Skeleton;
class Animations;
struct NodeAnimationRecord;
}  // namespace Animation

// One glTF 2.0 asset of the production. The record keeps the file's bytes,
// so a packed production needs no files beside it; constructing it parses
// them, makes one texture per image, builds a vertex array per primitive
// and extracts skeletal and node animation. Its filename is its identity.
class Model : public ISerializable {
public:
    explicit Model(const JsonValue& value);
    explicit Model(BinaryReader& in);
    ~Model() override;

    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;

    JsonValue to_json(bool export_resources) const override;
    // A ".gltf" asset is stored as a GLB rendering of the parsed asset under
    // its name followed by ".glb"; anything else as loaded.
    void write(BinaryWriter& out) const override;
    void from_json(const JsonValue& value) override;
    void read(BinaryReader& in) override;

    // Reads the file at path (missing: fatal) and parses it by extension.
    void load_from_file(const std::string& path);
    void create_image_textures();
    // GL buffers and vertex arrays, then the animation extraction.
    void upload();

    // Per-frame pose: for a skinned model the index selects one animation
    // (modulo the count); otherwise it is a bit mask of the animations whose
    // nodes are posed. The fractional part of the phase is the position. A
    // posed node's override matrix is its world matrix: its animated local
    // transform under its ancestors, posed or at rest.
    void animate(std::int64_t index, float phase);

    // World matrix of a node in this frame's pose (its rest pose without
    // animation); the identity for a node that does not exist.
    glm::mat4 node_world(int node) const;
    // The skinning matrices a mesh node is drawn with: null unless it has a
    // skin of the model.
    const std::vector<glm::mat4>* skin_matrices_of_node(int node) const;
    // The glTF scene drawn: the default scene, or the first one (said once)
    // when there is no default scene or it does not exist; -1 without scenes.
    int drawn_scene();

    tinygltf::Model gltf;
    std::unique_ptr<ByteBuffer> buffer;
    std::vector<std::pair<std::int32_t, std::int32_t>> mesh_vao_ranges;  // first vertex array, primitive count
    std::vector<GlVertexArray> vertex_arrays;
    std::vector<PrimitiveDraw> primitive_draws;  // one per vertex array
    std::string filename;
    std::int32_t render_pass_count = 1;
    std::vector<std::unique_ptr<Texture>> image_textures;
    std::shared_ptr<Animation::Skeleton> skeleton;  // the first of skins
    std::vector<std::shared_ptr<Animation::Skeleton>> skins;
    std::vector<Animation::SkinUse> skin_uses;
    std::shared_ptr<Animation::Animations> animations;
    std::vector<Animation::NodeAnimationRecord> node_animation_records;
    std::vector<bool> node_override_flags;
    std::vector<glm::mat4> node_override_matrices;
    bool has_animations = false;
    GlBuffer joint_buffer;

    // Whether the last parse succeeded (the library's return value).
    bool parsed = false;
    // What the last parse reported as errors, with the files the model was
    // refused; empty when it loaded cleanly.
    std::string load_error;
    // What the player ignores or refuses in the asset, found when it is
    // parsed (and for its instancing, uploaded); a refusal also ends the
    // parse, with its message in load_error.
    std::vector<ModelFinding> findings;
    GpuInstancing gpu_instancing;

private:
    void parse_from_memory(bool binary, const std::string& base_directory, ModelFiles files);
    void report_parse(const std::string& warning, const std::string& error);
    // Finds what the player ignores or refuses in the parsed asset, notices
    // what it ignores and gives the refusals, one line each.
    std::string take_model_findings();
    // Reports a parse, makes the image textures and says when it failed.
    void finish_parse(bool ok, const std::string& warning, const std::string& error);
    // Sets up the bound vertex array; reports what it skips or refuses.
    PrimitiveDraw set_up_primitive(const tinygltf::Primitive& primitive, int mesh, int index);
    // Where a vertex attribute's elements are in GL: in the buffer of its
    // glTF buffer, or for a sparse accessor in a buffer of its own holding
    // the substituted copy. False, with the reason, when it cannot be read.
    struct AttributeSource {
        unsigned int gl_buffer = 0;
        std::size_t offset = 0;
        std::size_t stride = 0;  // 0: tightly packed
        std::size_t count = 0;
    };
    bool locate_attribute(int accessor, AttributeSource* source, std::string* why);
    // The skinned form of animate: the selected animation poses the joints
    // of every skin and the other nodes it moves.
    void pose_skins(std::int64_t index, float phase);
    // Every node's world matrix from the posed locals, then each skin's
    // joint matrices for the mesh nodes that use it.
    void update_skin_matrices();

    // The GL buffers holding the glTF buffers, kept only to own them.
    std::vector<GlBuffer> gl_buffers_;
    // Which animations animate has sampled this frame.
    std::vector<bool> sampled_;
    // The node tree animated nodes are composed through, and this frame's
    // posed local matrices (posed_nodes_ marks which are set).
    Animation::NodeHierarchy node_hierarchy_;
    std::vector<glm::mat4> posed_locals_;
    std::vector<bool> posed_nodes_;
    std::vector<glm::mat4> node_worlds_;
    std::vector<std::int32_t> skin_use_of_node_;
    bool reported_first_scene_ = false;
};

// True when the name's extension (from its last ".", at most four
// characters) is exactly ".glb" or ".GLB"; false without a dot.
bool has_binary_gltf_extension(const std::string& name);
// True when the name's extension (at most five characters) is exactly
// ".gltf" or ".GLTF".
bool has_text_gltf_extension(const std::string& name);

// Every error of a model's load, as `check` and `pack` report them:
// model "NAME": MESSAGE. Empty when the model loaded.
std::vector<std::string> model_load_errors(const Model& model);

}  // namespace quillbarrow
