#include <gtest/gtest.h>

#include <GL/glew.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "document/resource_file.h"
#include "document/resource_test_helpers.h"
#include "document/texture.h"
#include "scene/animations.h"
#include "scene/gltf_accessor.h"
#include "scene/model.h"
#include "scene/skeleton.h"
#include "serialization/byte_buffer.h"
#include "support/gl_test_context.h"
#include "support/test_environment.h"

namespace quillbarrow {

namespace {

class ModelTest : public GlTest {};

std::string sample_path(const std::string& file) { return test_data_path("gltf/" + file); }

// A model built from JSON that embeds the bytes under "buffer".
std::unique_ptr<Model> from_embedded(const std::string& name, const std::string& bytes) {
    JsonValue value = JsonValue::object();
    value["filename"] = name;
    value["buffer"] = ByteBuffer(bytes.data(), bytes.size()).to_json(false);
    return std::make_unique<Model>(value);
}

// A model built from JSON that names its file and carries no bytes.
std::unique_ptr<Model> from_file(const std::string& path) {
    JsonValue value = JsonValue::object();
    value["filename"] = path;
    return std::make_unique<Model>(value);
}

std::unique_ptr<Model> through_binary(const Model& model, std::string* stored_name = nullptr,
                                      std::string* stored_bytes = nullptr) {
    BinaryWriter out;
    model.write(out);
    BinaryReader peek(out.bytes().data(), out.size());
    std::string name = peek.read_string("name");
    ByteBuffer bytes(peek);
    if (stored_name) *stored_name = name;
    if (stored_bytes) *stored_bytes = std::string(bytes.view());
    BinaryReader in(out.bytes().data(), out.size());
    auto copy = std::make_unique<Model>(in);
    EXPECT_EQ(in.remaining(), 0u);
    return copy;
}

struct SampleAsset {
    const char* name;
    std::size_t meshes;
    std::size_t images;
    std::size_t joints;
    std::size_t animations;
};

constexpr SampleAsset kSamples[] = {
    {"Box", 1, 0, 0, 0},          {"BoxTextured", 1, 1, 0, 0}, {"BoxAnimated", 2, 0, 0, 1},
    {"RiggedSimple", 1, 0, 2, 1}, {"SimpleSkin", 1, 0, 2, 1},  {"AnimatedTriangle", 1, 0, 0, 1},
    {"SimpleMeshes", 1, 0, 0, 0},
};

// What every load path must give: the asset's own structure in vertex
// arrays, one texture per image, the skeleton and the animations.
void expect_loaded(const Model& model, const SampleAsset& asset, const std::string& path) {
    SCOPED_TRACE(path);
    EXPECT_TRUE(model.parsed);
    ASSERT_EQ(model.gltf.meshes.size(), asset.meshes);
    ASSERT_EQ(model.mesh_vao_ranges.size(), asset.meshes);
    std::int32_t next = 0;
    for (std::size_t m = 0; m < model.gltf.meshes.size(); ++m) {
        EXPECT_EQ(model.mesh_vao_ranges[m].first, next);
        EXPECT_EQ(model.mesh_vao_ranges[m].second, static_cast<std::int32_t>(model.gltf.meshes[m].primitives.size()));
        next += model.mesh_vao_ranges[m].second;
    }
    EXPECT_EQ(model.vertex_arrays.size(), static_cast<std::size_t>(next));
    for (unsigned int vao : model.vertex_arrays) EXPECT_TRUE(glIsVertexArray(vao));
    ASSERT_EQ(model.image_textures.size(), asset.images);
    ASSERT_EQ(model.gltf.images.size(), asset.images);
    for (std::size_t i = 0; i < asset.images; ++i) {
        EXPECT_NE(model.image_textures[i]->texture, 0u);
        EXPECT_EQ(model.image_textures[i]->width, model.gltf.images[i].width);
        EXPECT_EQ(model.image_textures[i]->height, model.gltf.images[i].height);
    }
    ASSERT_NE(model.animations, nullptr);
    EXPECT_EQ(model.animations->ordered.size(), asset.animations);
    EXPECT_EQ(model.has_animations, asset.animations > 0);
    if (asset.joints) {
        ASSERT_NE(model.skeleton, nullptr);
        EXPECT_EQ(model.skeleton->joints.size(), asset.joints);
        EXPECT_NE(model.joint_buffer, 0u);
    } else {
        EXPECT_EQ(model.skeleton, nullptr);
        EXPECT_EQ(model.joint_buffer, 0u);
    }
    EXPECT_EQ(model.node_override_flags.size(), model.gltf.nodes.size());
    EXPECT_EQ(model.node_override_matrices.size(), model.gltf.nodes.size());
}

bool vertex_attribute_enabled(unsigned int vao, int location) {
    glBindVertexArray(vao);
    GLint enabled = 0;
    glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
    glBindVertexArray(0);
    return enabled != 0;
}

GLint element_buffer_of(unsigned int vao) {
    glBindVertexArray(vao);
    GLint bound = 0;
    glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &bound);
    glBindVertexArray(0);
    return bound;
}

// A text asset of one triangle: positions (accessor 0), normals (1) and
// indices (2) in one embedded buffer; primitives are given as JSON text.
std::string triangle_asset(const std::string& meshes, const std::string& extra_accessors = "") {
    std::string bytes(80, '\0');
    const float positions[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const float normals[9] = {0, 0, 1, 0, 0, 1, 0, 0, 1};
    const std::uint16_t indices[3] = {0, 1, 2};
    std::memcpy(bytes.data(), positions, sizeof positions);
    std::memcpy(bytes.data() + 36, normals, sizeof normals);
    std::memcpy(bytes.data() + 72, indices, sizeof indices);
    return R"({"asset": {"version": "2.0"},
      "buffers": [{"byteLength": 80, "uri": "data:application/octet-stream;base64,)" +
           base64_encode(bytes) + R"("}],
      "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 36},
                      {"buffer": 0, "byteOffset": 36, "byteLength": 36},
                      {"buffer": 0, "byteOffset": 72, "byteLength": 6}],
      "accessors": [{"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3"},
                    {"bufferView": 1, "componentType": 5126, "count": 3, "type": "VEC3"},
                    {"bufferView": 2, "componentType": 5123, "count": 3, "type": "SCALAR"})" +
           extra_accessors + R"(],
      "meshes": )" +
           meshes + "}";
}

}  // namespace

TEST_F(ModelTest, EverySampleLoadsFromTextAndBinaryOnEveryPath) {
    for (const SampleAsset& asset : kSamples) {
        for (const char* extension : {".gltf", ".glb"}) {
            std::string path = sample_path(std::string(asset.name) + extension);
            std::string bytes = file_bytes(path);
            ASSERT_FALSE(bytes.empty()) << path;

            auto embedded = from_embedded(std::string(asset.name) + extension, bytes);
            expect_loaded(*embedded, asset, path + " embedded");
            EXPECT_EQ(embedded->buffer->view(), bytes);

            auto named = from_file(path);
            expect_loaded(*named, asset, path + " from its file");
            EXPECT_EQ(named->filename, path);
            EXPECT_EQ(named->buffer->view(), bytes);

            // The binary form holds a GLB; a text asset is converted and
            // its stored name gets ".glb" after the old extension.
            std::string stored_name, stored_bytes;
            auto binary = through_binary(*embedded, &stored_name, &stored_bytes);
            expect_loaded(*binary, asset, path + " through the binary form");
            bool text = std::string(extension) == ".gltf";
            EXPECT_EQ(stored_name, std::string(asset.name) + extension + (text ? ".glb" : ""));
            EXPECT_EQ(binary->filename, stored_name);
            EXPECT_EQ(stored_bytes.substr(0, 4), "glTF");
            if (!text) {
                EXPECT_EQ(stored_bytes, bytes);
            }
        }
    }
}

TEST_F(ModelTest, VertexArraysFollowMeshesAndPrimitives) {
    // Two meshes of 3 and 2 primitives; the second primitive of the first
    // mesh has no normals and no indices.
    const std::string full = R"({"attributes": {"POSITION": 0, "NORMAL": 1}, "indices": 2})";
    const std::string bare = R"({"attributes": {"POSITION": 0}})";
    auto model = from_embedded("meshes.gltf", triangle_asset("[{\"primitives\": [" + full + "," + bare + "," + full +
                                                             "]}, {\"primitives\": [" + full + "," + full + "]}]"));
    ASSERT_TRUE(model->parsed);
    using Range = std::pair<std::int32_t, std::int32_t>;
    EXPECT_EQ(model->mesh_vao_ranges, (std::vector<Range>{{0, 3}, {3, 2}}));
    ASSERT_EQ(model->vertex_arrays.size(), 5u);
    EXPECT_TRUE(vertex_attribute_enabled(model->vertex_arrays[0], 1));
    EXPECT_FALSE(vertex_attribute_enabled(model->vertex_arrays[1], 1));
    EXPECT_TRUE(vertex_attribute_enabled(model->vertex_arrays[1], 0));
    EXPECT_NE(element_buffer_of(model->vertex_arrays[0]), 0);
    EXPECT_EQ(element_buffer_of(model->vertex_arrays[1]), 0);

    // The sample with two meshes, by literal value.
    auto boxes = from_file(sample_path("BoxAnimated.glb"));
    EXPECT_EQ(boxes->mesh_vao_ranges, (std::vector<Range>{{0, 1}, {1, 1}}));
}

TEST_F(ModelTest, AttributesPointIntoTheirBufferViewsAndJointsAreIntegers) {
    auto model = from_file(sample_path("RiggedSimple.glb"));
    ASSERT_EQ(model->vertex_arrays.size(), 1u);
    const tinygltf::Primitive& primitive = model->gltf.meshes[0].primitives[0];
    glBindVertexArray(model->vertex_arrays[0]);
    const char* names[] = {"POSITION", "NORMAL", "TEXCOORD_0", "JOINTS_0", "WEIGHTS_0"};
    for (int location = 0; location < 5; ++location) {
        SCOPED_TRACE(names[location]);
        GLint enabled = 0, integer = 0, size = 0, type = 0, stride = 0;
        glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
        auto found = primitive.attributes.find(names[location]);
        EXPECT_EQ(enabled != 0, found != primitive.attributes.end());
        if (found == primitive.attributes.end()) continue;
        const tinygltf::Accessor& accessor = model->gltf.accessors[found->second];
        const tinygltf::BufferView& view = model->gltf.bufferViews[accessor.bufferView];
        glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_INTEGER, &integer);
        glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_SIZE, &size);
        glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_TYPE, &type);
        glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_STRIDE, &stride);
        void* pointer = nullptr;
        glGetVertexAttribPointerv(location, GL_VERTEX_ATTRIB_ARRAY_POINTER, &pointer);
        EXPECT_EQ(integer != 0, location == 3);
        EXPECT_EQ(size, accessor.type);
        EXPECT_EQ(type, accessor.componentType);
        EXPECT_EQ(stride, static_cast<GLint>(view.byteStride));
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(pointer), view.byteOffset + accessor.byteOffset);
    }
    glBindVertexArray(0);
}

TEST_F(ModelTest, ExtensionCaseDecidesBetweenBinaryAndText) {
    EXPECT_TRUE(has_binary_gltf_extension("ship.glb"));
    EXPECT_TRUE(has_binary_gltf_extension("ship.GLB"));
    EXPECT_TRUE(has_binary_gltf_extension("a.b/ship.glbx"));  // at most four characters are compared
    EXPECT_FALSE(has_binary_gltf_extension("ship.Glb"));
    EXPECT_FALSE(has_binary_gltf_extension("ship.gl"));
    EXPECT_FALSE(has_binary_gltf_extension("ship"));
    EXPECT_TRUE(has_text_gltf_extension("ship.GLTF"));
    EXPECT_FALSE(has_text_gltf_extension("ship.Gltf"));
    EXPECT_FALSE(has_text_gltf_extension("ship.glb"));

    std::string glb = file_bytes(sample_path("Box.glb"));
    EXPECT_TRUE(from_embedded("Box.GLB", glb)->parsed);

    testing::internal::CaptureStdout();
    auto mixed = from_embedded("Box.Glb", glb);
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_FALSE(mixed->parsed);
    EXPECT_NE(printed.find("Err: "), std::string::npos) << printed;
    EXPECT_NE(printed.find("Failed to parse glTF\n"), std::string::npos) << printed;
    EXPECT_TRUE(mixed->vertex_arrays.empty());
}

TEST_F(ModelTest, NameWithoutADotIsReportedAndGivesAnEmptyUploadedModel) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    auto model = from_embedded("ship", file_bytes(sample_path("Box.glb")));
    std::string log = testing::internal::GetCapturedStderr();
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed, "Expected a file extension in name ship\n");
    EXPECT_NE(log.find("Number of VAOs: 0\n"), std::string::npos) << log;
    EXPECT_FALSE(model->parsed);
    EXPECT_TRUE(model->vertex_arrays.empty());
    ASSERT_NE(model->animations, nullptr);
    EXPECT_FALSE(model->has_animations);
    model->animate(1, 0.5f);  // nothing to pose, nothing to break

    // Its bytes are still carried and stored as they are.
    std::string stored_name, stored_bytes;
    testing::internal::CaptureStdout();
    through_binary(*model, &stored_name, &stored_bytes);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(stored_name, "ship");
    EXPECT_EQ(stored_bytes, file_bytes(sample_path("Box.glb")));
}

TEST_F(ModelTest, TextAssetThatFailsToParseKeepsItsBytesInTheBinaryForm) {
    // Converting an unparsed asset would store an empty GLB in its place.
    const std::string broken = R"({"asset": {"version": "2.0"}, "buffers": [{"byteLength": 4, "uri": "missing.bin"}]})";
    testing::internal::CaptureStdout();
    auto model = from_embedded("broken.gltf", broken);
    std::string name, bytes;
    auto copy = through_binary(*model, &name, &bytes);
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_FALSE(model->parsed);
    EXPECT_EQ(name, "broken.gltf");
    EXPECT_EQ(bytes, broken);
    EXPECT_FALSE(copy->parsed);
    EXPECT_NE(printed.find("Failed to parse glTF\n"), std::string::npos);
}

TEST_F(ModelTest, JsonFormEmbedsOrExportsTheAssetBytes) {
    ScratchDirectory dir("model_json");
    std::string bytes = file_bytes(sample_path("BoxTextured.glb"));
    auto model = from_embedded(dir.file("box.glb"), bytes);

    JsonValue embedded = model->to_json(false);
    EXPECT_EQ(embedded["filename"].as_string(), dir.file("box.glb"));
    EXPECT_EQ(embedded["buffer"].as_string(), base64_encode(bytes));

    JsonValue exported = model->to_json(true);
    EXPECT_FALSE(exported.has("buffer"));
    EXPECT_EQ(file_bytes(dir.file("box.glb")), bytes);
    expect_loaded(*from_file(dir.file("box.glb")), kSamples[1], "exported file");

    // A file that cannot be written keeps the bytes in the project.
    put_file(dir.file("blocker"), "a file, not a directory");
    auto unwritable = from_embedded(dir.file("blocker/box.glb"), bytes);
    testing::internal::CaptureStdout();
    JsonValue kept = unwritable->to_json(true);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(kept["buffer"].as_string(), base64_encode(bytes));
}

TEST_F(ModelTest, SkinnedModelsGetAJointBlockAtBindingPointZero) {
    auto model = from_file(sample_path("SimpleSkin.gltf"));
    ASSERT_NE(model->joint_buffer, 0u);
    GLint bound = 0, size = 0, usage = 0;
    glGetIntegeri_v(GL_UNIFORM_BUFFER_BINDING, 0, &bound);
    EXPECT_EQ(static_cast<unsigned int>(bound), model->joint_buffer);
    glBindBuffer(GL_UNIFORM_BUFFER, model->joint_buffer);
    glGetBufferParameteriv(GL_UNIFORM_BUFFER, GL_BUFFER_SIZE, &size);
    glGetBufferParameteriv(GL_UNIFORM_BUFFER, GL_BUFFER_USAGE, &usage);
    glBindBuffer(GL_UNIFORM_BUFFER, 0);
    EXPECT_EQ(size, 6400);
    EXPECT_EQ(usage, GL_DYNAMIC_DRAW);
}

TEST_F(ModelTest, DestroyingAModelDeletesItsGlObjects) {
    auto model = from_file(sample_path("SimpleSkin.glb"));
    std::vector<unsigned int> arrays(model->vertex_arrays.begin(), model->vertex_arrays.end());
    unsigned int joints = model->joint_buffer;
    auto textured = from_file(sample_path("BoxTextured.glb"));
    unsigned int texture_probe = textured->image_textures.at(0)->texture;
    ASSERT_FALSE(arrays.empty());
    ASSERT_TRUE(glIsBuffer(joints));
    ASSERT_TRUE(glIsTexture(texture_probe));
    model.reset();
    textured.reset();
    for (unsigned int vao : arrays) EXPECT_FALSE(glIsVertexArray(vao));
    EXPECT_FALSE(glIsBuffer(joints));
    EXPECT_FALSE(glIsTexture(texture_probe));
}

TEST_F(ModelTest, HostileAccessorsAreSkippedNotRead) {
    // Accessor 3 claims 1000 positions in a 36-byte view, accessor 4 is a
    // SCALAR, accessor 5 has no buffer view at all, 9 does not exist.
    const std::string extra = R"(,
        {"bufferView": 0, "componentType": 5126, "count": 1000, "type": "VEC3"},
        {"bufferView": 0, "componentType": 5126, "count": 3, "type": "SCALAR"},
        {"componentType": 5126, "count": 3, "type": "VEC3"},
        {"bufferView": 0, "byteOffset": 36, "componentType": 5126, "count": 1, "type": "VEC3"})";
    const std::string meshes = R"([{"primitives": [
        {"attributes": {"POSITION": 3, "NORMAL": 1}},
        {"attributes": {"POSITION": 4, "TEXCOORD_0": 5, "WEIGHTS_0": 9}},
        {"attributes": {"POSITION": 6, "JOINTS_0": 0}},
        {"attributes": {"POSITION": 0}, "indices": 3}]}])";
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    auto model = from_embedded("hostile.gltf", triangle_asset(meshes, extra));
    testing::internal::GetCapturedStdout();
    std::string log = testing::internal::GetCapturedStderr();
    ASSERT_EQ(model->vertex_arrays.size(), 4u);
    EXPECT_FALSE(vertex_attribute_enabled(model->vertex_arrays[0], 0));
    EXPECT_TRUE(vertex_attribute_enabled(model->vertex_arrays[0], 1));
    for (int location = 0; location < 5; ++location) {
        EXPECT_FALSE(vertex_attribute_enabled(model->vertex_arrays[1], location)) << location;
    }
    // Past the end by its offset; JOINTS_0 made of floats is no integer attribute.
    EXPECT_FALSE(vertex_attribute_enabled(model->vertex_arrays[2], 0));
    EXPECT_FALSE(vertex_attribute_enabled(model->vertex_arrays[2], 3));
    EXPECT_TRUE(vertex_attribute_enabled(model->vertex_arrays[3], 0));
    EXPECT_EQ(element_buffer_of(model->vertex_arrays[3]), 0);
    EXPECT_NE(log.find("POSITION skipped: accessor 3 runs past its buffer view"), std::string::npos) << log;
    EXPECT_NE(log.find("POSITION skipped: not a VEC2, VEC3 or VEC4 accessor"), std::string::npos) << log;
    EXPECT_NE(log.find("TEXCOORD_0 skipped: accessor 5 has no buffer view"), std::string::npos) << log;
    EXPECT_NE(log.find("WEIGHTS_0 skipped: accessor 9 does not exist"), std::string::npos) << log;
    EXPECT_NE(log.find("JOINTS_0 skipped: not an integer accessor"), std::string::npos) << log;
    EXPECT_NE(log.find("not drawn: indices: accessor 3 runs past its buffer view"), std::string::npos) << log;
}

TEST_F(ModelTest, AccessorSpansAreCheckedWithoutOverflow) {
    tinygltf::Model gltf;
    gltf.buffers.resize(1);
    gltf.buffers[0].data.resize(64);
    tinygltf::BufferView view;
    view.buffer = 0;
    view.byteOffset = 16;
    view.byteLength = 48;
    gltf.bufferViews.push_back(view);
    tinygltf::Accessor accessor;
    accessor.bufferView = 0;
    accessor.byteOffset = 8;
    accessor.componentType = TINYGLTF_COMPONENT_TYPE_FLOAT;
    accessor.type = TINYGLTF_TYPE_VEC2;
    accessor.count = 5;  // 8 + 5 * 8 = 48 bytes: exactly the view
    gltf.accessors.push_back(accessor);

    AccessorSpan span;
    std::string why;
    ASSERT_TRUE(locate_accessor(gltf, 0, &span, &why)) << why;
    EXPECT_EQ(span.offset, 24u);
    EXPECT_EQ(span.stride, 8u);
    EXPECT_EQ(span.element_size, 8u);
    EXPECT_EQ(span.count, 5u);

    gltf.accessors[0].count = 6;
    EXPECT_FALSE(locate_accessor(gltf, 0, &span, &why));
    gltf.accessors[0].count = SIZE_MAX;  // (count - 1) * stride would wrap
    EXPECT_FALSE(locate_accessor(gltf, 0, &span, &why));
    gltf.accessors[0].count = 0;
    EXPECT_TRUE(locate_accessor(gltf, 0, &span, &why));
    gltf.accessors[0].count = 1;
    gltf.bufferViews[0].byteLength = 49;  // the view itself runs past the buffer
    EXPECT_FALSE(locate_accessor(gltf, 0, &span, &why));
    EXPECT_EQ(why, "buffer view 0 runs past its buffer");
    gltf.bufferViews[0].byteLength = 48;
    gltf.bufferViews[0].byteOffset = SIZE_MAX;
    EXPECT_FALSE(locate_accessor(gltf, 0, &span, &why));
    gltf.bufferViews[0].byteOffset = 16;
    gltf.accessors[0].byteOffset = SIZE_MAX - 4;
    EXPECT_FALSE(locate_accessor(gltf, 0, &span, &why));
    EXPECT_FALSE(locate_accessor(gltf, -1, &span, &why));
    EXPECT_FALSE(locate_accessor(gltf, 1, &span, &why));
}

namespace {

std::vector<float> dense_floats(const tinygltf::Model& gltf, int accessor) {
    DenseAccessor dense;
    std::string why;
    EXPECT_TRUE(read_dense_accessor(gltf, accessor, &dense, &why)) << why;
    std::vector<float> values(dense.bytes.size() / sizeof(float));
    if (!values.empty()) std::memcpy(values.data(), dense.bytes.data(), dense.bytes.size());
    return values;
}

// The floats of the buffer that a vertex array's location reads, from its
// pointer on.
std::vector<float> attribute_floats(GLuint vertex_array, GLuint location, std::size_t count) {
    glBindVertexArray(vertex_array);
    GLint buffer = 0;
    glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, &buffer);
    void* pointer = nullptr;
    glGetVertexAttribPointerv(location, GL_VERTEX_ATTRIB_ARRAY_POINTER, &pointer);
    glBindVertexArray(0);
    std::vector<float> values(count);
    glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(buffer));
    glGetBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(reinterpret_cast<std::uintptr_t>(pointer)),
                       static_cast<GLsizeiptr>(count * sizeof(float)), values.data());
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    return values;
}

std::string file_text(const std::string& path) {
    std::unique_ptr<ByteBuffer> bytes = read_file_buffer(path);
    return std::string(reinterpret_cast<const char*>(bytes->data.get()), bytes->len);
}

}  // namespace

TEST_F(ModelTest, SparseAccessorsSubstituteTheirElementsInTheVertexBuffers) {
    auto model = from_file(sample_path("sparse_positions.gltf"));
    ASSERT_TRUE(model->parsed);
    // Vertex 2 of the triangle moved from (0,1,0) to (0,3,0); the second
    // accessor has no buffer view: zeros, with vertices 1 and 2 set.
    const std::vector<float> moved = {0, 0, 0, 1, 0, 0, 0, 3, 0};
    const std::vector<float> from_zeros = {0, 0, 0, 2, 0, 0, 0, 2, 0};
    EXPECT_EQ(dense_floats(model->gltf, 0), moved);
    EXPECT_EQ(dense_floats(model->gltf, 1), from_zeros);
    ASSERT_EQ(model->vertex_arrays.size(), 2u);
    EXPECT_EQ(attribute_floats(model->vertex_arrays[0], 0, 9), moved);
    EXPECT_EQ(attribute_floats(model->vertex_arrays[1], 0, 9), from_zeros);
    for (const PrimitiveDraw& draw : model->primitive_draws) {
        EXPECT_TRUE(draw.drawable);
        EXPECT_EQ(draw.vertex_count, 3);
    }

    // Animation outputs are substituted the same way: halfway from zeros to
    // the sparse (0,4,0).
    auto lifted = from_file(sample_path("sparse_animation.gltf"));
    lifted->animate(1, 0.5f);
    ASSERT_TRUE(lifted->node_override_flags[0]);
    EXPECT_EQ(glm::vec3(lifted->node_override_matrices[0][3]), glm::vec3(0.0f, 2.0f, 0.0f));
}

TEST_F(ModelTest, HostileSparseAccessorsAreRefusedNotRead) {
    auto model = from_file(sample_path("sparse_positions.gltf"));
    const tinygltf::Model& good = model->gltf;
    DenseAccessor dense;
    std::string why;
    auto refused = [&](tinygltf::Model gltf, int accessor) {
        why.clear();
        return !read_dense_accessor(gltf, accessor, &dense, &why) && !why.empty();
    };
    tinygltf::Model hostile = good;
    hostile.accessors[0].sparse.count = 4;  // more than the 3 elements
    EXPECT_TRUE(refused(hostile, 0));
    EXPECT_EQ(why, "accessor 0 has a sparse count of 4 for 3 elements");
    hostile = good;
    const int index_view = hostile.accessors[0].sparse.indices.bufferView;
    const tinygltf::BufferView& view = hostile.bufferViews[index_view];
    hostile.buffers[view.buffer].data[view.byteOffset] = 3;  // index 3 of 3 elements
    EXPECT_TRUE(refused(hostile, 0));
    EXPECT_EQ(why, "accessor 0 has sparse index 3 past its 3 elements");
    hostile = good;
    hostile.accessors[1].sparse.values.bufferView = 99;
    EXPECT_TRUE(refused(hostile, 1));
    hostile = good;
    hostile.accessors[1].sparse.values.byteOffset = 0x7ffffff0;
    EXPECT_TRUE(refused(hostile, 1));
    hostile = good;
    hostile.accessors[1].sparse.indices.byteOffset = -4;
    EXPECT_TRUE(refused(hostile, 1));
    hostile = good;
    hostile.bufferViews[index_view].byteLength = 1u << 30;  // the view runs past its buffer
    EXPECT_TRUE(refused(hostile, 0));
    hostile = good;
    hostile.accessors[1].count = SIZE_MAX / 2;  // zeros of no buffer: bounded
    EXPECT_TRUE(refused(hostile, 1));

    // Through a load: the attribute is skipped with a message naming the
    // model, and the primitive without a position is not drawn.
    std::string text = file_text(sample_path("sparse_positions.gltf"));
    const std::string sparse_count = "\"count\": 1,";
    ASSERT_NE(text.find(sparse_count), std::string::npos);
    text.replace(text.find(sparse_count), sparse_count.size(), "\"count\": 40,");
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    auto loaded = from_embedded("hostile_sparse.gltf", text);
    testing::internal::GetCapturedStdout();
    std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("hostile_sparse.gltf: POSITION skipped: accessor 0 has a sparse count of 40 for 3 elements"),
              std::string::npos)
        << log;
    ASSERT_EQ(loaded->primitive_draws.size(), 2u);
    EXPECT_FALSE(loaded->primitive_draws[0].drawable);
    EXPECT_TRUE(loaded->primitive_draws[1].drawable);
}

TEST_F(ModelTest, TruncatedAndCorruptAssetsDoNotCrash) {
    for (const char* file : {"BoxTextured.glb", "RiggedSimple.glb", "BoxAnimated.gltf"}) {
        std::string bytes = file_bytes(sample_path(file));
        std::vector<std::string> damaged;
        for (std::size_t cut :
             {std::size_t{0}, std::size_t{12}, std::size_t{20}, std::size_t{100}, bytes.size() / 2, bytes.size() - 1}) {
            damaged.push_back(bytes.substr(0, cut));
        }
        // Bytes flipped at fixed places through the file.
        for (std::size_t step = 0; step < 16; ++step) {
            std::string flipped = bytes;
            flipped[(step * 7919 + 13) % flipped.size()] ^= static_cast<char>(0x5A + step);
            damaged.push_back(flipped);
        }
        for (const std::string& asset : damaged) {
            SCOPED_TRACE(std::string(file) + " of " + std::to_string(asset.size()) + " bytes");
            testing::internal::CaptureStdout();
            testing::internal::CaptureStderr();
            auto model = from_embedded(file, asset);
            model->animate(1, 0.3f);
            model->animate(-7, 0.8f);
            auto copy = through_binary(*model);
            copy->animate(3, 0.6f);
            testing::internal::GetCapturedStderr();
            std::string printed = testing::internal::GetCapturedStdout();
            std::size_t primitives = 0;
            for (const auto& mesh : model->gltf.meshes) primitives += mesh.primitives.size();
            EXPECT_EQ(model->vertex_arrays.size(), primitives);
            EXPECT_EQ(model->image_textures.size(), model->gltf.images.size());
            if (!model->parsed) {
                EXPECT_NE(printed.find("Failed to parse glTF\n"), std::string::npos);
            }
        }
    }
}

TEST_F(ModelTest, AnImageDeclaringAHugeSizeIsRefusedBeforeDecoding) {
    std::string glb = file_bytes(test_data_path("gltf/BoxTextured.glb"));
    const std::size_t png = glb.find("\x89PNG");
    ASSERT_NE(png, std::string::npos);
    for (std::size_t at : {png + 16, png + 20}) glb.replace(at, 4, std::string("\x00\x01\x86\xA0", 4));  // 100000
    testing::internal::CaptureStdout();
    auto model = from_embedded("huge.glb", glb);
    const std::string said = testing::internal::GetCapturedStdout();
    EXPECT_NE(said.find("declares 100000 x 100000 pixels"), std::string::npos) << said;
    for (const auto& texture : model->image_textures) EXPECT_EQ(texture->width, 0);
}

}  // namespace quillbarrow
