// GPU instances read at load: the refusals of unusable instancing, and the
// caps per node and per draw. Their pixels are tested with the scene.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <tiny_gltf.h>

#include "player/diagnostics.h"
#include "scene/draw_limits.h"
#include "scene/gpu_instancing.h"
#include "support/test_environment.h"

namespace quillbarrow {

namespace {

tinygltf::Model instancing_sample() {
    tinygltf::TinyGLTF loader;
    tinygltf::Model gltf;
    std::string error, warning;
    EXPECT_TRUE(loader.LoadASCIIFromFile(&gltf, &error, &warning, test_data_path("gltf/gpu_instancing.gltf"))) << error;
    return gltf;
}

tinygltf::Value& instancing_attributes(tinygltf::Model& gltf) {
    return gltf.nodes[1].extensions["EXT_mesh_gpu_instancing"].Get<tinygltf::Value::Object>()["attributes"];
}

int accessor_of(tinygltf::Model& gltf, const char* attribute) {
    return instancing_attributes(gltf).Get(attribute).Get<int>();
}

// Appends the bytes as a buffer with one view and one accessor over it.
int add_accessor(tinygltf::Model& gltf, const void* bytes, std::size_t size, int component_type, int type,
                 std::size_t count, bool normalized = false) {
    tinygltf::Buffer buffer;
    buffer.data.resize(size);
    std::memcpy(buffer.data.data(), bytes, size);
    gltf.buffers.push_back(buffer);
    tinygltf::BufferView view;
    view.buffer = static_cast<int>(gltf.buffers.size() - 1);
    view.byteLength = size;
    gltf.bufferViews.push_back(view);
    tinygltf::Accessor accessor;
    accessor.bufferView = static_cast<int>(gltf.bufferViews.size() - 1);
    accessor.componentType = component_type;
    accessor.type = type;
    accessor.count = count;
    accessor.normalized = normalized;
    gltf.accessors.push_back(accessor);
    return static_cast<int>(gltf.accessors.size() - 1);
}

void expect_point(const glm::mat4& m, glm::vec3 in, glm::vec3 expected) {
    const glm::vec4 out = m * glm::vec4(in, 1.0f);
    EXPECT_NEAR(out.x, expected.x, 1e-4f);
    EXPECT_NEAR(out.y, expected.y, 1e-4f);
    EXPECT_NEAR(out.z, expected.z, 1e-4f);
}

std::vector<std::string> load_problems(const tinygltf::Model& gltf, GpuInstancing& instancing) {
    std::vector<std::string> problems;
    const DiagnosticScope quiet([](const Diagnostic&) {});
    instancing.load(gltf, "m.gltf", &problems);
    return problems;
}

}  // namespace

TEST(GpuInstancingTest, UnusableInstancingIsIgnoredWithItsReason) {
    struct Case {
        const char* name;
        void (*spoil)(tinygltf::Model&);
        const char* reason;
    };
    const Case cases[] = {
        {"counts differ", [](tinygltf::Model& m) { m.accessors[accessor_of(m, "SCALE")].count = 2; },
         "its attributes have different counts"},
        {"rotation as VEC3",
         [](tinygltf::Model& m) { m.accessors[accessor_of(m, "ROTATION")].type = TINYGLTF_TYPE_VEC3; },
         "ROTATION is not a VEC4 of floats or normalised signed bytes or shorts"},
        {"index not a number",
         [](tinygltf::Model& m) {
             instancing_attributes(m).Get<tinygltf::Value::Object>()["SCALE"] = tinygltf::Value(std::string("2"));
         },
         "SCALE is not an accessor index"},
        {"no attributes",
         [](tinygltf::Model& m) { m.nodes[1].extensions["EXT_mesh_gpu_instancing"] = tinygltf::Value(3); },
         "it has no attributes object"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tinygltf::Model gltf = instancing_sample();
        c.spoil(gltf);
        GpuInstancing instancing;
        const std::vector<std::string> problems = load_problems(gltf, instancing);
        ASSERT_EQ(problems.size(), 1u);
        EXPECT_EQ(problems[0].rfind("node 1: EXT_mesh_gpu_instancing ignored (drawn once): ", 0), 0u) << problems[0];
        EXPECT_NE(problems[0].find(c.reason), std::string::npos) << problems[0];
        EXPECT_TRUE(instancing.of_node(1).empty());
    }
}

TEST(GpuInstancingTest, NormalisedRotationsAreReadAndInstancesAreCappedPerNodeAndPerDraw) {
    tinygltf::Model gltf = instancing_sample();
    // Three quarter turns about z as normalised shorts: 23170 / 32767 is
    // sin(45 degrees).
    const std::int16_t turns[] = {0, 0, 23170, 23170, 0, 0, 23170, 23170, 0, 0, 23170, 23170};
    instancing_attributes(gltf).Get<tinygltf::Value::Object>()["ROTATION"] = tinygltf::Value(
        add_accessor(gltf, turns, sizeof turns, TINYGLTF_COMPONENT_TYPE_SHORT, TINYGLTF_TYPE_VEC4, 3, true));
    GpuInstancing instancing;
    EXPECT_TRUE(load_problems(gltf, instancing).empty());
    ASSERT_EQ(instancing.of_node(1).size(), 3u);
    expect_point(instancing.of_node(1)[0], {1.0f, 0.0f, 0.0f}, {-3.0f, 1.0f, 0.0f});

    const std::size_t count = kMaxGpuInstancesPerNode + 10;
    std::vector<float> translations(count * 3, 1.0f);
    tinygltf::Value::Object only_translation;
    only_translation["TRANSLATION"] = tinygltf::Value(add_accessor(
        gltf, translations.data(), translations.size() * 4, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC3, count));
    instancing_attributes(gltf) = tinygltf::Value(only_translation);
    const std::vector<std::string> problems = load_problems(gltf, instancing);
    EXPECT_EQ(problems, std::vector<std::string>{"node 1: 10 GPU instances past the first 65536 are not drawn"});
    EXPECT_EQ(instancing.of_node(1).size(), kMaxGpuInstancesPerNode);

    // A scene draw's budget ends instancing mid-node, says so once, and
    // starts again with the next draw.
    const std::vector<glm::mat4> many(kMaxGpuInstanceDraws / 2 + 1, glm::mat4(1.0f));
    const std::vector<glm::mat4> none;
    const glm::mat4 node_world(1.0f);
    const std::string name = "crowd.gltf";
    std::vector<std::string> said;
    const DiagnosticScope collect([&](const Diagnostic& d) { said.push_back(d.text); });
    GpuInstanceBudget budget;
    auto drawn = [&](const std::vector<glm::mat4>& instances) {
        InstanceWorlds worlds(instances, node_world, budget, name);
        glm::mat4 world(1.0f);
        std::size_t times = 0;
        while (worlds.next(&world)) ++times;
        return times;
    };
    for (int frame = 0; frame < 2; ++frame) {
        budget.start_draw();
        EXPECT_EQ(drawn(many), many.size());
        EXPECT_EQ(drawn(many), kMaxGpuInstanceDraws - many.size());
        EXPECT_EQ(drawn(many), 0u);
        EXPECT_EQ(drawn(none), 1u);  // a node without instances is not counted
    }
    EXPECT_EQ(said, std::vector<std::string>{"crowd.gltf: a scene draw reached 262144 GPU instances; instanced meshes "
                                             "past them are not drawn"});
}

}  // namespace quillbarrow
