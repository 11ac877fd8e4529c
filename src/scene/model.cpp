#include "scene/model.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <sstream>

#include <GL/glew.h>
#include <nlohmann/json.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/quaternion.hpp>

#include "document/decode_budget.h"
#include "document/resource_file.h"
#include "document/texture.h"
#include "document/texture_limits.h"
#include "player/diagnostics.h"
#include "scene/animation_extraction.h"
#include "scene/animations.h"
#include "scene/model_file_access.h"
#include "scene/model_animation.h"
#include "scene/skeleton.h"
#include "scene/tangents.h"
#include "scene/texture_sampler.h"

namespace quillbarrow {

namespace {

constexpr const char* kResourceDirectory = "resources";

// The extension from the name's last ".", at most max_length characters;
// empty when there is no dot.
std::string extension_of(const std::string& name, std::size_t max_length) {
    std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) return {};
    return name.substr(dot, max_length);
}

bool report_missing_extension(const std::string& name) {
    if (name.rfind('.') != std::string::npos) return false;
    report_notice(format_message("Expected a file extension in name %s", name.c_str()));
    return true;
}

// The library's default image loader, after checking that an image stored
// in a buffer view lies inside its buffer: the library hands the loader a
// pointer into the buffer without that check.
bool load_image_inside_buffer(tinygltf::Image* image, const int index, std::string* err, std::string* warn, int width,
                              int height, const unsigned char* bytes, int size, void* user_data) {
    const auto* gltf = static_cast<const tinygltf::Model*>(user_data);
    if (image->bufferView >= 0) {
        bool inside = static_cast<std::size_t>(image->bufferView) < gltf->bufferViews.size();
        if (inside) {
            const tinygltf::BufferView& view = gltf->bufferViews[image->bufferView];
            inside = view.buffer >= 0 && static_cast<std::size_t>(view.buffer) < gltf->buffers.size();
            if (inside) {
                std::size_t length = gltf->buffers[view.buffer].data.size();
                inside = view.byteOffset <= length && view.byteLength <= length - view.byteOffset;
            }
        }
        if (!inside) {
            if (err) *err += "image[" + std::to_string(index) + "] buffer view runs past its buffer.\n";
            return false;
        }
    }
    // A few header bytes may declare a huge image: refuse it before decoding.
    int declared_width = 0, declared_height = 0;
    const DeclaredImage declared =
        size > 0 ? check_encoded_image(bytes, static_cast<std::size_t>(size), declared_width, declared_height)
                 : DeclaredImage::Unknown;
    if (declared == DeclaredImage::TooLarge) {
        if (err)
            *err += "image[" + std::to_string(index) + "] declares " + std::to_string(declared_width) + " x " +
                    std::to_string(declared_height) + " pixels, more than a texture can hold.\n";
        return false;
    }
    // Every image counts against the production's pixel budget, before it
    // is decoded when its header tells its size. A refused image is left
    // without pixels, so the rest of the model still loads.
    DecodeBudget& budget = current_decode_budget();
    auto refuse = [&](int w, int h) {
        if (warn)
            *warn += "image[" + std::to_string(index) + "] of " + std::to_string(w) + " x " + std::to_string(h) +
                     " pixels is refused: " + pixel_budget_refusal() + ".\n";
        image->image.clear();
        image->image.shrink_to_fit();
        image->width = image->height = 0;
        return true;
    };
    if (declared == DeclaredImage::Fits && !budget.take_pixels(declared_width, declared_height))
        return refuse(declared_width, declared_height);
    if (!tinygltf::LoadImageData(image, index, err, warn, width, height, bytes, size, nullptr)) return false;
    if (declared != DeclaredImage::Fits && !budget.take_pixels(image->width, image->height))
        return refuse(image->width, image->height);
    return true;
}

void use_checked_image_loader(tinygltf::TinyGLTF& loader, tinygltf::Model& gltf) {
    loader.SetImageLoader(&load_image_inside_buffer, &gltf);
}

// 8-bit RGBA pixels of a decoded image, or empty when it has none. 16-bit
// images keep the high byte of every channel.
std::vector<unsigned char> rgba8_pixels(const tinygltf::Image& image) {
    if (image.width <= 0 || image.height <= 0 || image.component != 4) return {};
    std::size_t channels = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 4;
    if (image.bits == 8 && image.image.size() >= channels) {
        return std::vector<unsigned char>(image.image.begin(), image.image.begin() + channels);
    }
    if (image.bits == 16 && image.image.size() >= channels * 2) {
        std::vector<unsigned char> pixels(channels);
        for (std::size_t k = 0; k < channels; ++k) {
            std::uint16_t value;
            std::memcpy(&value, &image.image[2 * k], sizeof value);
            pixels[k] = static_cast<unsigned char>(value >> 8);
        }
        return pixels;
    }
    return {};
}

std::uint32_t u32_at(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

void append_u32(std::string& bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// The library writes an object without members (a node with nothing but
// defaults, say) as null, which its own parser then refuses. Nulls in the
// top-level arrays of the JSON chunk are put back as empty objects; the
// binary chunk is kept as it is.
std::string restore_empty_objects(const std::string& glb) {
    if (glb.size() < 20) return glb;
    std::uint32_t json_length = u32_at(glb, 12);
    if (json_length > glb.size() - 20) return glb;
    nlohmann::json document = nlohmann::json::parse(glb.begin() + 20, glb.begin() + 20 + json_length, nullptr, false);
    if (document.is_discarded() || !document.is_object()) return glb;
    bool changed = false;
    for (auto& member : document.items()) {
        nlohmann::json& value = member.value();
        if (!value.is_array()) continue;
        for (auto& element : value) {
            if (!element.is_null()) continue;
            element = nlohmann::json::object();
            changed = true;
        }
    }
    if (!changed) return glb;
    std::string text = document.dump();
    text.append((4 - text.size() % 4) % 4, ' ');
    std::string rest = glb.substr(20 + json_length);
    std::string out = glb.substr(0, 8);  // magic and version
    append_u32(out, static_cast<std::uint32_t>(20 + text.size() + rest.size()));
    append_u32(out, static_cast<std::uint32_t>(text.size()));
    out += glb.substr(16, 4);  // the JSON chunk type
    return out + text + rest;
}

struct VertexAttribute {
    const char* name;
    GLuint location;
    bool integer;
};

constexpr VertexAttribute kVertexAttributes[] = {
    {"POSITION", 0, false},
    {"NORMAL", 1, false},
    {"TEXCOORD_0", 2, false},
    {"JOINTS_0", 3, true},
    {"WEIGHTS_0", 4, false},
    {"TANGENT", kTangentLocation, false},
    {"TEXCOORD_1", kTexcoord1Location, false},
};

bool is_integer_component(int type) {
    return type == TINYGLTF_COMPONENT_TYPE_BYTE || type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE ||
           type == TINYGLTF_COMPONENT_TYPE_SHORT || type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT ||
           type == TINYGLTF_COMPONENT_TYPE_INT || type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT;
}

bool is_index_component(int type) {
    return type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE || type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT ||
           type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT;
}

const void* byte_offset(std::size_t offset) {
    return reinterpret_cast<const void*>(static_cast<std::uintptr_t>(offset));
}

// glTF's bound on a vertex buffer view's stride; GL refuses strides past its
// own limit and would then read the attribute from a client address.
constexpr int kMaxVertexStride = 252;

// The largest of the located index elements; the span lies in the buffer.
std::uint32_t largest_index(const std::vector<unsigned char>& buffer, const AccessorSpan& span) {
    std::uint32_t largest = 0;
    for (std::size_t i = 0; i < span.count; ++i) {
        const unsigned char* at = buffer.data() + span.offset + i * span.stride;
        std::uint32_t value = 0;
        if (span.element_size == 1) value = *at;
        if (span.element_size == 2) {
            std::uint16_t v;
            std::memcpy(&v, at, sizeof v);
            value = v;
        }
        if (span.element_size == 4) std::memcpy(&value, at, sizeof value);
        largest = std::max(largest, value);
    }
    return largest;
}

}  // namespace

bool has_binary_gltf_extension(const std::string& name) {
    std::string extension = extension_of(name, 4);
    return extension == ".glb" || extension == ".GLB";
}

bool has_text_gltf_extension(const std::string& name) {
    std::string extension = extension_of(name, 5);
    return extension == ".gltf" || extension == ".GLTF";
}

Model::Model(const JsonValue& value) {
    from_json(value);
    upload();
}

Model::Model(BinaryReader& in) {
    read(in);
    upload();
}

Model::~Model() = default;

JsonValue Model::to_json(bool export_resources) const {
    JsonValue out = JsonValue::object();
    out["filename"] = filename;
    store_resource_buffer(out, "buffer", buffer.get(), filename, export_resources);
    return out;
}

void Model::write(BinaryWriter& out) const {
    // Only a parsed asset is converted: the rendering of a failed parse
    // would be an empty asset, and the original bytes would be lost.
    if (has_text_gltf_extension(filename) && parsed) {
        std::ostringstream glb;
        tinygltf::TinyGLTF writer;
        if (writer.WriteGltfSceneToStream(&gltf, glb, false, true)) {
            std::string bytes = restore_empty_objects(glb.str());
            out.write_string(filename + ".glb");
            ByteBuffer(bytes.data(), bytes.size()).write(out);
            return;
        }
        report_notice(format_message("Cannot convert %s to GLB; storing it as loaded.", filename.c_str()));
    }
    out.write_string(filename);
    write_resource_buffer(out, buffer.get());
}

void Model::from_json(const JsonValue& value) {
    filename = value["filename"].as_string();
    if (!value.has("buffer")) {
        load_from_file(filename);
        return;
    }
    buffer = std::make_unique<ByteBuffer>(value["buffer"]);
    if (report_missing_extension(filename)) return;
    if (has_binary_gltf_extension(filename)) {
        parse_from_memory(true, "", ModelFiles::ProjectFolder);
    } else {
        parse_from_memory(false, kResourceDirectory, ModelFiles::ProjectFolder);
    }
}

void Model::read(BinaryReader& in) {
    filename = in.read_string("model filename");
    buffer = std::make_unique<ByteBuffer>(in);
    // The binary form always holds a GLB, whatever the name says.
    parse_from_memory(true, kResourceDirectory, ModelFiles::None);
}

void Model::load_from_file(const std::string& path) {
    filename = path;
    buffer = read_file_buffer(path);
    if (report_missing_extension(filename)) return;
    // Parsed from the bytes just read, so the file is read once; its URIs
    // are relative to its folder, as the library's file loaders take them.
    parse_from_memory(has_binary_gltf_extension(filename), std::filesystem::path(path).parent_path().string(),
                      ModelFiles::ProjectFolder);
}

void Model::parse_from_memory(bool binary, const std::string& base_directory, ModelFiles files) {
    gltf = tinygltf::Model();
    findings.clear();
    std::string warning, error;
    bool ok = false;
    ModelFileAccess access(files, base_directory);
    if (!buffer || buffer->len > UINT_MAX) {
        error = "The asset does not fit the glTF library's 32-bit sizes.";
    } else {
        tinygltf::TinyGLTF loader;
        use_checked_image_loader(loader, gltf);
        access.install(loader);
        const auto length = static_cast<unsigned int>(buffer->len);
        try {
            ok = binary ? loader.LoadBinaryFromMemory(&gltf, &error, &warning, buffer->data.get(), length,
                                                      base_directory, tinygltf::REQUIRE_VERSION)
                        : loader.LoadASCIIFromString(&gltf, &error, &warning,
                                                     reinterpret_cast<const char*>(buffer->data.get()), length,
                                                     base_directory, tinygltf::REQUIRE_VERSION);
        } catch (const std::exception& e) {
            // The library indexes an empty asset's first byte with at().
            error += e.what();
        }
        const std::string unhonoured = ok ? take_model_findings() : std::string();
        const std::string refused = access.refusals() + unread_images(gltf) + unhonoured;
        if (!refused.empty() && !error.empty() && error.back() != '\n') error += '\n';
        error += refused;
        // A refused model is not drawn: nothing of it is kept.
        if (!unhonoured.empty()) {
            ok = false;
            gltf = tinygltf::Model();
        }
    }
    load_error = error;
    finish_parse(ok, warning, error);
}

std::string Model::take_model_findings() {
    findings = find_model_findings(gltf);
    std::string refusals;
    for (const ModelFinding& finding : findings) {
        if (finding.effect == ModelFinding::Effect::Refused) refusals += finding.message + "\n";
        if (noticed_at_load(finding))
            report_notice(format_message("Model %s: %s", filename.c_str(), finding.message.c_str()));
    }
    return refusals;
}

void Model::report_parse(const std::string& warning, const std::string& error) {
    if (!warning.empty()) report_notice(format_message("Warn: %s", warning.c_str()));
    if (!error.empty()) report_notice(format_message("Err: %s", error.c_str()));
}

void Model::finish_parse(bool ok, const std::string& warning, const std::string& error) {
    parsed = ok;
    report_parse(warning, error);
    create_image_textures();
    if (!ok) report_notice("Failed to parse glTF");
}

void Model::create_image_textures() {
    image_textures.clear();
    const std::vector<bool> mipmapped = images_needing_mipmaps(gltf);
    for (std::size_t i = 0; i < gltf.images.size(); ++i) {
        const tinygltf::Image& image = gltf.images[i];
        std::vector<unsigned char> pixels = rgba8_pixels(image);
        if (pixels.empty()) {
            // Kept as an empty texture so that image indices still match.
            report_notice(
                format_message("Image %zu (%s) of %s has no decoded pixels.", i, image.name.c_str(), filename.c_str()));
            image_textures.push_back(std::make_unique<Texture>(image.name, 0, 0, GlTexture()));
            continue;
        }
        GlTexture texture = create_gl_texture(image.width, image.height, pixels.data(), GL_CLAMP_TO_EDGE);
        // Wrap modes and filters are set when a material binds the texture.
        if (mipmapped[i]) glGenerateMipmap(GL_TEXTURE_2D);
        image_textures.push_back(std::make_unique<Texture>(image.name, image.width, image.height, std::move(texture)));
    }
}

void Model::upload() {
    gl_buffers_.clear();
    for (const tinygltf::Buffer& buffer : gltf.buffers) {
        const std::vector<unsigned char>& data = buffer.data;
        gl_buffers_.push_back(GlBuffer::generate());
        glBindBuffer(GL_ARRAY_BUFFER, gl_buffers_.back());
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(data.size()), data.empty() ? nullptr : data.data(),
                     GL_STATIC_DRAW);
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);

    mesh_vao_ranges.resize(gltf.meshes.size());
    for (std::size_t m = 0; m < gltf.meshes.size(); ++m) {
        const std::vector<tinygltf::Primitive>& primitives = gltf.meshes[m].primitives;
        std::size_t first = vertex_arrays.size();
        mesh_vao_ranges[m] = {static_cast<std::int32_t>(first), static_cast<std::int32_t>(primitives.size())};
        primitive_draws.resize(first + primitives.size());
        for (std::size_t p = 0; p < primitives.size(); ++p) vertex_arrays.push_back(GlVertexArray::generate());
        for (std::size_t p = 0; p < primitives.size(); ++p) {
            glBindVertexArray(vertex_arrays[first + p]);
            primitive_draws[first + p] = set_up_primitive(primitives[p], static_cast<int>(m), static_cast<int>(p));
        }
    }
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    // A primitive without joints leaves their array disabled, and the shader
    // then reads the current value, which must be integer as the input is:
    // WebGL refuses the draw otherwise.
    for (const VertexAttribute& attribute : kVertexAttributes)
        if (attribute.integer) glVertexAttribI4ui(attribute.location, 0, 0, 0, 0);
    report_routine_warning(format_message("Number of VAOs: %zu", vertex_arrays.size()));

    Animation::ExtractedAnimation extracted = Animation::extract(gltf);
    skeleton = std::move(extracted.skeleton);
    skins = std::move(extracted.skins);
    skin_uses = std::move(extracted.skin_uses);
    animations = std::move(extracted.animations);
    node_animation_records = std::move(extracted.node_records);
    node_hierarchy_ = std::move(extracted.hierarchy);
    if (skeleton && !joint_buffer) joint_buffer = Animation::create_joint_buffer();
    has_animations = !animations->by_name.empty();
    node_override_flags.assign(gltf.nodes.size(), false);
    node_override_matrices.assign(gltf.nodes.size(), glm::mat4(0.0f));

    std::vector<std::string> instancing_problems;
    gpu_instancing.load(gltf, filename, &instancing_problems);
    for (std::string& problem : instancing_problems)
        findings.push_back({ModelFinding::Effect::Ignored, ModelFinding::Subject::Instancing, std::move(problem)});
    skin_use_of_node_.assign(gltf.nodes.size(), -1);
    for (std::size_t u = 0; u < skin_uses.size(); ++u) {
        const Animation::SkinUse& use = skin_uses[u];
        skin_use_of_node_[static_cast<std::size_t>(use.node)] = static_cast<std::int32_t>(u);
        if (!use.shares_skin) skins[static_cast<std::size_t>(use.skin)]->mesh_node = use.node;
    }
    // Skins start at rest, so a skinned model that is never animated is
    // drawn as modelled.
    posed_locals_.resize(gltf.nodes.size());
    posed_nodes_.assign(gltf.nodes.size(), false);
    if (skeleton) update_skin_matrices();
}

glm::mat4 Model::node_world(int node) const {
    if (node < 0 || static_cast<std::size_t>(node) >= node_hierarchy_.parents.size()) return glm::mat4(1.0f);
    const auto n = static_cast<std::size_t>(node);
    if (n < node_override_flags.size() && n < node_override_matrices.size() && node_override_flags[n])
        return node_override_matrices[n];
    return Animation::compose_world(node, node_hierarchy_.rest_locals[n], node_hierarchy_, posed_locals_, posed_nodes_);
}

const std::vector<glm::mat4>* Model::skin_matrices_of_node(int node) const {
    if (node < 0 || static_cast<std::size_t>(node) >= skin_use_of_node_.size()) return nullptr;
    const std::int32_t use = skin_use_of_node_[static_cast<std::size_t>(node)];
    if (use < 0) return nullptr;
    const Animation::SkinUse& skin_use = skin_uses[static_cast<std::size_t>(use)];
    return skin_use.shares_skin ? &skin_use.own_matrices
                                : &skins[static_cast<std::size_t>(skin_use.skin)]->joint_matrices;
}

int Model::drawn_scene() {
    if (gltf.defaultScene >= 0 && static_cast<std::size_t>(gltf.defaultScene) < gltf.scenes.size())
        return gltf.defaultScene;
    if (gltf.scenes.empty()) return -1;
    if (!reported_first_scene_) {
        report_notice(format_message("Model %s has no default scene%s; its first scene is drawn", filename.c_str(),
                                     gltf.defaultScene >= 0 ? " of that number" : ""));
        reported_first_scene_ = true;
    }
    return 0;
}

void Model::pose_skins(std::int64_t index, float phase) {
    animations->apply_to_skeleton(index, phase, *skins.front());
    for (std::size_t s = 1; s < skins.size(); ++s) animations->current->sample_into_skeleton(phase, *skins[s]);
    animations->apply_to_records(index, phase, node_animation_records);
    update_skin_matrices();
}

void Model::update_skin_matrices() {
    const std::size_t nodes = node_hierarchy_.parents.size();
    posed_locals_.resize(nodes);
    posed_nodes_.assign(nodes, false);
    for (const auto& skin : skins) {
        for (const Animation::Joint& joint : skin->joints) {
            if (joint.node < 0 || static_cast<std::size_t>(joint.node) >= nodes) continue;
            posed_locals_[joint.node] = Animation::Skeleton::local_pose(joint);
            posed_nodes_[joint.node] = true;
        }
    }
    // Other nodes the selected animation moves; before any animation,
    // nothing else is posed.
    const Animation::ModelAnimation* current = animations ? animations->current : nullptr;
    for (const Animation::NodeAnimationRecord& record : node_animation_records) {
        if (!current || record.node < 0 || static_cast<std::size_t>(record.node) >= nodes) continue;
        if (static_cast<std::size_t>(record.animation) >= animations->ordered.size() ||
            animations->ordered[record.animation].get() != current)
            continue;
        posed_locals_[record.node] =
            Animation::pose_matrix(record.translation, record.rotation, record.scale, record.matrix);
        posed_nodes_[record.node] = true;
    }
    Animation::compose_worlds(node_hierarchy_, posed_locals_, posed_nodes_, node_worlds_);
    // Posed nodes are drawn where they now are, and so is what hangs from
    // them.
    for (std::size_t n = 0; n < nodes && n < node_override_flags.size(); ++n) {
        node_override_flags[n] = posed_nodes_[n];
        if (posed_nodes_[n]) node_override_matrices[n] = node_worlds_[n];
    }
    for (const auto& skin : skins) {
        const bool used = skin->mesh_node >= 0 && static_cast<std::size_t>(skin->mesh_node) < nodes;
        skin->update_joint_matrices(node_worlds_, used ? node_worlds_[skin->mesh_node] : glm::mat4(1.0f));
    }
    for (Animation::SkinUse& use : skin_uses) {
        if (!use.shares_skin) continue;
        skins[static_cast<std::size_t>(use.skin)]->compute_joint_matrices(
            node_worlds_, node_worlds_[static_cast<std::size_t>(use.node)], use.own_matrices);
    }
}

bool Model::locate_attribute(int accessor_index, AttributeSource* source, std::string* why) {
    if (accessor_index >= 0 && static_cast<std::size_t>(accessor_index) < gltf.accessors.size() &&
        gltf.accessors[accessor_index].sparse.isSparse) {
        // The substituted elements exist only in a copy, which gets a GL
        // buffer of its own.
        DenseAccessor dense;
        if (!read_dense_accessor(gltf, accessor_index, &dense, why)) return false;
        gl_buffers_.push_back(GlBuffer::generate());
        glBindBuffer(GL_ARRAY_BUFFER, gl_buffers_.back());
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(dense.bytes.size()),
                     dense.bytes.empty() ? nullptr : dense.bytes.data(), GL_STATIC_DRAW);
        *source = AttributeSource{gl_buffers_.back(), 0, 0, dense.count};
        return true;
    }
    AccessorSpan span;
    if (!locate_accessor(gltf, accessor_index, &span, why)) return false;
    const tinygltf::BufferView& view = gltf.bufferViews[gltf.accessors[accessor_index].bufferView];
    *source = AttributeSource{gl_buffers_[span.buffer], span.offset, view.byteStride, span.count};
    return true;
}

PrimitiveDraw Model::set_up_primitive(const tinygltf::Primitive& primitive, int mesh, int index) {
    auto skip = [&](const char* what, const std::string& why) {
        report_warning(format_message("Mesh %d primitive %d of %s: %s skipped: %s", mesh, index, filename.c_str(), what,
                                      why.c_str()));
    };
    auto refuse = [&](const std::string& why) {
        report_warning(
            format_message("Mesh %d primitive %d of %s: not drawn: %s", mesh, index, filename.c_str(), why.c_str()));
        return PrimitiveDraw{};
    };
    PrimitiveDraw draw;
    if (primitive.mode > static_cast<int>(GL_TRIANGLE_FAN))
        return refuse("unknown mode " + std::to_string(primitive.mode));
    if (primitive.mode >= 0) draw.mode = static_cast<unsigned int>(primitive.mode);

    // Every enabled attribute is read for each vertex drawn.
    std::size_t vertices = static_cast<std::size_t>(INT32_MAX);
    bool has_position = false;
    bool has_tangent = false;
    for (const VertexAttribute& attribute : kVertexAttributes) {
        auto found = primitive.attributes.find(attribute.name);
        if (found == primitive.attributes.end()) continue;
        AttributeSource source;
        std::string why;
        if (!locate_attribute(found->second, &source, &why)) {
            skip(attribute.name, why);
            continue;
        }
        const tinygltf::Accessor& accessor = gltf.accessors[found->second];
        if (accessor.type != TINYGLTF_TYPE_VEC2 && accessor.type != TINYGLTF_TYPE_VEC3 &&
            accessor.type != TINYGLTF_TYPE_VEC4) {
            skip(attribute.name, "not a VEC2, VEC3 or VEC4 accessor");
            continue;
        }
        if (attribute.integer && !is_integer_component(accessor.componentType)) {
            skip(attribute.name, "not an integer accessor");
            continue;
        }
        if (source.stride > kMaxVertexStride) {
            skip(attribute.name, "a stride of more than " + std::to_string(kMaxVertexStride) + " bytes");
            continue;
        }
        glEnableVertexAttribArray(attribute.location);
        glBindBuffer(GL_ARRAY_BUFFER, source.gl_buffer);
        const auto stride = static_cast<GLsizei>(source.stride);
        if (attribute.integer) {
            glVertexAttribIPointer(attribute.location, accessor.type, accessor.componentType, stride,
                                   byte_offset(source.offset));
        } else {
            glVertexAttribPointer(attribute.location, accessor.type, accessor.componentType, GL_FALSE, stride,
                                  byte_offset(source.offset));
        }
        vertices = std::min(vertices, source.count);
        if (attribute.location == 0) has_position = true;
        if (attribute.location == kTangentLocation) has_tangent = true;
    }
    if (!has_position) return refuse("no usable POSITION attribute");
    if (!has_tangent) {
        std::string why;
        GlBuffer tangents = attach_generated_tangents(gltf, primitive, &vertices, &why);
        if (tangents) gl_buffers_.push_back(std::move(tangents));
        if (!why.empty()) skip("generated TANGENT", why);
    }
    draw.vertex_count = static_cast<std::int32_t>(vertices);

    if (primitive.indices >= 0) {
        AccessorSpan span;
        std::string why;
        if (!locate_accessor(gltf, primitive.indices, &span, &why)) return refuse("indices: " + why);
        const tinygltf::Accessor& accessor = gltf.accessors[primitive.indices];
        if (accessor.sparse.isSparse) return refuse("indices: a sparse index accessor is not supported");
        if (!is_index_component(accessor.componentType) || accessor.type != TINYGLTF_TYPE_SCALAR)
            return refuse("indices: not unsigned byte, short or int scalars");
        // The element buffer is read as tightly packed, aligned indices.
        if (span.stride != span.element_size || span.offset % span.element_size != 0)
            return refuse("indices: not packed at their own alignment");
        if (span.count > static_cast<std::size_t>(INT32_MAX)) return refuse("indices: more than a draw takes");
        if (span.count > 0) {
            const std::uint32_t largest = largest_index(gltf.buffers[span.buffer].data, span);
            if (largest >= vertices)
                return refuse("index " + std::to_string(largest) + " is past the " + std::to_string(vertices) +
                              " vertices");
        }
        // Indices get a buffer of their own: WebGL refuses to bind a buffer
        // as indices once it has held vertex data.
        const unsigned char* first_index = gltf.buffers[span.buffer].data.data() + span.offset;
        gl_buffers_.push_back(GlBuffer::generate());
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, gl_buffers_.back());
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(span.count * span.element_size),
                     span.count > 0 ? first_index : nullptr, GL_STATIC_DRAW);
        draw.indexed = true;
        draw.index_count = static_cast<std::int32_t>(span.count);
        draw.index_type = static_cast<unsigned int>(accessor.componentType);
    }
    draw.drawable = true;
    return draw;
}

void Model::animate(std::int64_t index, float phase) {
    if (!has_animations || !animations) return;
    if (skeleton && !skeleton->joints.empty()) {
        pose_skins(index, phase);
        return;
    }
    std::fill(node_override_flags.begin(), node_override_flags.end(), false);
    std::fill(posed_nodes_.begin(), posed_nodes_.end(), false);
    const std::size_t count = animations->ordered.size();
    // With 63 or more animations every positive mask is in range, and
    // 2^count - 1 would not fit the index.
    if (index < 1 || (count < 63 && index > (std::int64_t{1} << count) - 1)) return;

    // Sampling is idempotent at one time, so each animation is sampled once
    // per frame however many of its nodes it moves.
    sampled_.assign(count, false);
    const std::size_t nodes = std::min(node_override_matrices.size(), node_override_flags.size());
    posed_locals_.resize(nodes);
    posed_nodes_.assign(nodes, false);
    for (const Animation::NodeAnimationRecord& record : node_animation_records) {
        if (record.animation < 0 || static_cast<std::size_t>(record.animation) >= count) continue;
        if (record.animation >= 63 || !((index >> record.animation) & 1)) continue;
        if (sampled_[record.animation]) {
            animations->current = animations->ordered[record.animation].get();
        } else {
            animations->apply_to_records(record.animation, phase, node_animation_records);
            sampled_[record.animation] = true;
        }
        if (record.node < 0 || static_cast<std::size_t>(record.node) >= nodes) continue;
        posed_locals_[record.node] =
            Animation::pose_matrix(record.translation, record.rotation, record.scale, record.matrix);
        posed_nodes_[record.node] = true;
    }
    // Only once every node is posed: a posed node's world matrix takes its
    // posed ancestors, whatever the order of the records.
    for (std::size_t node = 0; node < nodes; ++node) {
        if (!posed_nodes_[node]) continue;
        node_override_matrices[node] = Animation::compose_world(static_cast<std::int32_t>(node), posed_locals_[node],
                                                                node_hierarchy_, posed_locals_, posed_nodes_);
        node_override_flags[node] = true;
    }
}

std::vector<std::string> model_load_errors(const Model& model) {
    std::vector<std::string> lines;
    const std::string prefix = "model \"" + model.filename + "\": ";
    std::size_t start = 0;
    while (start < model.load_error.size()) {
        std::size_t end = model.load_error.find('\n', start);
        if (end == std::string::npos) end = model.load_error.size();
        if (end > start) lines.push_back(prefix + model.load_error.substr(start, end - start));
        start = end + 1;
    }
    if (lines.empty() && !model.parsed)
        lines.push_back(prefix + (model.filename.find('.') == std::string::npos
                                      ? "expected a file extension in its name"
                                      : "Failed to parse glTF"));
    return lines;
}

}  // namespace quillbarrow
