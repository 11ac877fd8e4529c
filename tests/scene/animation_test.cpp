#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/quaternion.hpp>

#include "document/resource_test_helpers.h"
#include "scene/animation_extraction.h"
#include "scene/animations.h"
#include "scene/model.h"
#include "scene/model_animation.h"
#include "scene/model_camera.h"
#include "scene/skeleton.h"
#include "scene/skin.h"
#include "serialization/byte_buffer.h"
#include "support/gl_test_context.h"
#include "support/test_environment.h"

namespace quillbarrow {

using namespace Animation;

namespace {

class AnimationTest : public GlTest {};

const glm::quat kIdentity(1.0f, 0.0f, 0.0f, 0.0f);

glm::quat about_z(float degrees) {
    float half = glm::radians(degrees) / 2.0f;
    return glm::quat(std::cos(half), 0.0f, 0.0f, std::sin(half));
}

glm::vec4 stored(const glm::quat& q) { return glm::vec4(q.x, q.y, q.z, q.w); }

void expect_quat_near(const glm::quat& got, const glm::quat& want, float tolerance = 1e-5f) {
    EXPECT_NEAR(got.x, want.x, tolerance);
    EXPECT_NEAR(got.y, want.y, tolerance);
    EXPECT_NEAR(got.z, want.z, tolerance);
    EXPECT_NEAR(got.w, want.w, tolerance);
}

void expect_vec3_near(const glm::vec3& got, const glm::vec3& want, float tolerance = 1e-5f) {
    EXPECT_NEAR(got.x, want.x, tolerance);
    EXPECT_NEAR(got.y, want.y, tolerance);
    EXPECT_NEAR(got.z, want.z, tolerance);
}

// A pose of its own, to sample channels into.
struct Pose {
    glm::vec3 translation{0.0f};
    glm::quat rotation = kIdentity;
    glm::vec3 scale{1.0f};
    PoseRef ref() { return PoseRef{translation, rotation, scale}; }
};

Sampler sampler_of(std::vector<float> times, std::vector<glm::vec4> values, Interpolation interpolation) {
    Sampler sampler;
    sampler.times = std::move(times);
    sampler.values = std::move(values);
    sampler.interpolation = interpolation;
    return sampler;
}

Channel channel_of(ChannelPath path, std::int32_t target_node = 0) {
    Channel channel;
    channel.path = path;
    channel.target_node = target_node;
    return channel;
}

std::unique_ptr<Model> load_sample(const std::string& file) {
    JsonValue value = JsonValue::object();
    value["filename"] = test_data_path("gltf/" + file);
    return std::make_unique<Model>(value);
}

std::unique_ptr<Model> load_text(const std::string& name, const std::string& text, std::string* out = nullptr,
                                 std::string* err = nullptr) {
    JsonValue value = JsonValue::object();
    value["filename"] = name;
    value["buffer"] = ByteBuffer(text.data(), text.size()).to_json(false);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    auto model = std::make_unique<Model>(value);
    std::string logged = testing::internal::GetCapturedStderr();
    std::string printed = testing::internal::GetCapturedStdout();
    if (out) *out = printed;
    if (err) *err = logged;
    return model;
}

std::string data_uri(const std::string& bytes) {
    return "data:application/octet-stream;base64," + base64_encode(bytes);
}

template <class T>
void append(std::string& bytes, const T& value) {
    bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
}

// An unskinned asset of node_count nodes and animation_count animations:
// animation a moves node (a mod node_count) linearly from (a + 1, 0, 0) to
// (a + 1, 10, 0) over key times 0 and 1.
std::string node_animation_asset(int animation_count, int node_count) {
    std::string bytes;
    append(bytes, 0.0f);
    append(bytes, 1.0f);
    std::string views = R"({"buffer": 0, "byteOffset": 0, "byteLength": 8})";
    std::string accessors = R"({"bufferView": 0, "componentType": 5126, "count": 2, "type": "SCALAR"})";
    std::string animations;
    for (int a = 0; a < animation_count; ++a) {
        std::size_t at = bytes.size();
        const float values[6] = {float(a + 1), 0, 0, float(a + 1), 10, 0};
        bytes.append(reinterpret_cast<const char*>(values), sizeof values);
        views += R"(, {"buffer": 0, "byteOffset": )" + std::to_string(at) + R"(, "byteLength": 24})";
        accessors +=
            R"(, {"bufferView": )" + std::to_string(a + 1) + R"(, "componentType": 5126, "count": 2, "type": "VEC3"})";
        animations += std::string(a ? "," : "") + R"({"name": "move )" + std::to_string(a) +
                      R"(", "samplers": [{"input": 0, "output": )" + std::to_string(a + 1) +
                      R"(}], "channels": [{"sampler": 0, "target": {"node": )" + std::to_string(a % node_count) +
                      R"(, "path": "translation"}}]})";
    }
    std::string nodes;
    for (int n = 0; n < node_count; ++n) nodes += std::string(n ? "," : "") + R"({"translation": [0, 0, -1]})";
    return R"({"asset": {"version": "2.0"}, "buffers": [{"byteLength": )" + std::to_string(bytes.size()) +
           R"(, "uri": ")" + data_uri(bytes) + R"("}], "bufferViews": [)" + views + R"(], "accessors": [)" + accessors +
           R"(], "nodes": [)" + nodes + R"(], "animations": [)" + animations + "]}";
}

glm::vec3 override_translation(const Model& model, int node) {
    return glm::vec3(model.node_override_matrices[node][3]);
}

}  // namespace

TEST(AnimationSampling, PhaseSpansTheFirstSamplersKeyTimes) {
    ModelAnimation animation("walk");
    animation.samplers.push_back(sampler_of({0.0f, 2.0f}, {glm::vec4(0.0f), glm::vec4(2.0f)}, Interpolation::Linear));
    animation.channels.push_back(channel_of(ChannelPath::Translation, 4));
    animation.start_time = 0.0f;
    animation.end_time = 2.0f;
    std::vector<NodeAnimationRecord> records(1);
    records[0].node = 4;
    records[0].animation = 0;

    const std::pair<float, float> cases[] = {{0.25f, 0.5f}, {1.25f, 0.5f}, {1.0f, 0.0f}, {-0.25f, 1.5f}};
    for (auto [phase, time] : cases) {
        animation.sample_into_records(phase, records, 0);
        EXPECT_FLOAT_EQ(animation.current_time, time) << "phase " << phase;
        EXPECT_FLOAT_EQ(records[0].translation.x, time) << "phase " << phase;
    }
    // The window need not start at 0.
    animation.start_time = 1.0f;
    animation.end_time = 3.0f;
    animation.sample_into_records(0.5f, records, 0);
    EXPECT_FLOAT_EQ(animation.current_time, 2.0f);
    // Records of another animation are left alone.
    records[0].translation = glm::vec3(-9.0f);
    animation.sample_into_records(0.25f, records, 1);
    EXPECT_EQ(records[0].translation, glm::vec3(-9.0f));
}

TEST(AnimationSampling, StepAndLinearFollowTheKeysAndTheLaterSegmentWinsAtAnInnerKey) {
    const std::vector<float> keys = {0.0f, 1.0f, 2.0f};
    const std::vector<glm::vec4> values = {{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}};
    Sampler step = sampler_of(keys, values, Interpolation::Step);
    Sampler linear = sampler_of(keys, values, Interpolation::Linear);
    Channel translation = channel_of(ChannelPath::Translation);
    Channel scale = channel_of(ChannelPath::Scale);

    Pose pose;
    sample_channel(translation, step, 0.5f, pose.ref());
    EXPECT_EQ(pose.translation, glm::vec3(1, 2, 3));
    sample_channel(translation, step, 1.0f, pose.ref());
    EXPECT_EQ(pose.translation, glm::vec3(4, 5, 6));
    sample_channel(translation, step, 2.0f, pose.ref());  // the last segment still holds its end key
    EXPECT_EQ(pose.translation, glm::vec3(4, 5, 6));
    // Outside the keys the channel rests at its first or last key.
    sample_channel(translation, step, 2.5f, pose.ref());
    EXPECT_EQ(pose.translation, glm::vec3(7, 8, 9));
    sample_channel(translation, linear, -0.1f, pose.ref());
    EXPECT_EQ(pose.translation, glm::vec3(1, 2, 3));
    sample_channel(translation, sampler_of({0.5f}, {{9, 9, 9, 0}}, Interpolation::Linear), 3.0f, pose.ref());
    EXPECT_EQ(pose.translation, glm::vec3(9.0f));  // one key: a constant

    sample_channel(translation, linear, 0.25f, pose.ref());
    expect_vec3_near(pose.translation, {1.75f, 2.75f, 3.75f});
    sample_channel(scale, linear, 1.5f, pose.ref());
    expect_vec3_near(pose.scale, {5.5f, 6.5f, 7.5f});
    expect_vec3_near(pose.translation, {1.75f, 2.75f, 3.75f});
    EXPECT_EQ(pose.rotation, kIdentity);

    // Step rotations are taken as stored, x, y, z, w, without normalising.
    Sampler turns = sampler_of({0.0f, 1.0f}, {{0, 0, 2, 0}, {0, 0, 0, 1}}, Interpolation::Step);
    sample_channel(channel_of(ChannelPath::Rotation), turns, 0.5f, pose.ref());
    EXPECT_EQ(pose.rotation, glm::quat(0.0f, 0.0f, 0.0f, 2.0f));
}

TEST(AnimationSampling, TwoKeysAtOneTimeJumpInsteadOfDividingByZero) {
    Sampler jump = sampler_of({0.0f, 1.0f, 1.0f, 2.0f}, {{0, 0, 0, 0}, {1, 1, 1, 0}, {5, 5, 5, 0}, {6, 6, 6, 0}},
                              Interpolation::Linear);
    Pose pose;
    sample_channel(channel_of(ChannelPath::Translation), jump, 1.0f, pose.ref());
    EXPECT_EQ(pose.translation, glm::vec3(5.0f));
    Sampler still = sampler_of({1.0f, 1.0f}, {{0, 0, 0, 1}, {0, 0, 1, 0}}, Interpolation::Linear);
    sample_channel(channel_of(ChannelPath::Rotation), still, 1.0f, pose.ref());
    EXPECT_EQ(pose.rotation, glm::quat(0.0f, 0.0f, 0.0f, 1.0f));
}

TEST(AnimationSampling, ShortSamplersAndUnsupportedKindsChangeNothing) {
    Pose pose;
    pose.translation = glm::vec3(3.0f);
    Channel translation = channel_of(ChannelPath::Translation);
    sample_channel(translation, sampler_of({0.0f, 1.0f}, {{9, 9, 9, 0}}, Interpolation::Step), 0.5f, pose.ref());
    sample_channel(channel_of(ChannelPath::Unsupported),
                   sampler_of({0.0f, 1.0f}, {{9, 9, 9, 0}, {9, 9, 9, 0}}, Interpolation::Step), 0.5f, pose.ref());
    // A cubic spline sampler needs three values per key.
    sample_channel(translation,
                   sampler_of({0.0f, 1.0f}, std::vector<glm::vec4>(5, glm::vec4(7.0f)), Interpolation::CubicSpline),
                   0.5f, pose.ref());
    EXPECT_EQ(pose.translation, glm::vec3(3.0f));

    Sampler odd = sampler_of({0.0f, 1.0f}, {{1, 1, 1, 0}, {1, 1, 1, 0}}, static_cast<Interpolation>(7));
    testing::internal::CaptureStderr();
    sample_channel(translation, odd, 0.5f, pose.ref());
    sample_channel(channel_of(static_cast<ChannelPath>(5)), odd, 0.5f, pose.ref());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "interpolation not supported\nnot found\n");
    EXPECT_EQ(pose.translation, glm::vec3(3.0f));
}

TEST(AnimationSampling, CubicSplinesFollowTheHermiteFormWithTangentsScaledByTheInterval) {
    // Keys at 0 s and 2 s; in-tangent, value, out-tangent per key.
    const std::vector<glm::vec4> move = {{0, 0, 0, 0}, {0, 0, 0, 0}, {3, 0, 0, 0},
                                         {0, 0, 0, 0}, {4, 0, 0, 0}, {0, 0, 0, 0}};
    Sampler spline = sampler_of({0.0f, 2.0f}, move, Interpolation::CubicSpline);
    Channel translation = channel_of(ChannelPath::Translation);
    Pose pose;
    testing::internal::CaptureStderr();
    // u = 0.5: 0.125 * (2 s * 3) + 0.5 * 4; u = 0.25: 0.140625 * 6 + 0.15625 * 4.
    const std::pair<float, float> cases[] = {{1.0f, 2.75f}, {0.5f, 1.46875f}, {0.0f, 0.0f}, {2.0f, 4.0f}, {5.0f, 4.0f}};
    for (auto [time, x] : cases) {
        sample_channel(translation, spline, time, pose.ref());
        EXPECT_NEAR(pose.translation.x, x, 1e-5f) << "at " << time;
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    // Rotations are normalised: half of identity and half of a quarter turn
    // is 45 degrees once normalised.
    Sampler turn = sampler_of(
        {0.0f, 2.0f},
        {glm::vec4(0.0f), stored(kIdentity), glm::vec4(0.0f), glm::vec4(0.0f), stored(about_z(90.0f)), glm::vec4(0.0f)},
        Interpolation::CubicSpline);
    sample_channel(channel_of(ChannelPath::Rotation), turn, 1.0f, pose.ref());
    expect_quat_near(pose.rotation, about_z(45.0f));
}

TEST_F(AnimationTest, CubicSplineModelMovesAndTurnsItsNodes) {
    auto model = load_sample("cubic_spline_triangle.gltf");
    ASSERT_TRUE(model->parsed);
    model->animate(1, 0.5f);  // 1 s of 0..2 s
    ASSERT_TRUE(model->node_override_flags[0] && model->node_override_flags[1]);
    expect_vec3_near(override_translation(*model, 0), {2.75f, 0.0f, 0.0f});
    glm::mat4 want = glm::mat4_cast(about_z(45.0f));
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 3; ++r) EXPECT_NEAR(model->node_override_matrices[1][c][r], want[c][r], 1e-5f);
}

TEST(AnimationSampling, SlerpTakesTheShortArcAndBlendsNearlyEqualRotations) {
    // Halfway from identity to 90 degrees about z is 45 degrees.
    expect_quat_near(slerp_shortest(kIdentity, about_z(90.0f), 0.5f), about_z(45.0f));
    expect_quat_near(slerp_shortest(kIdentity, about_z(90.0f), 0.25f), about_z(22.5f));
    // The same rotation negated: the short way round, not through 315 degrees.
    expect_quat_near(slerp_shortest(kIdentity, -about_z(90.0f), 0.5f), about_z(45.0f));

    // d > 0.9999999: the plain linear blend of the two.
    glm::quat near = glm::normalize(glm::quat(1.0f, 0.0f, 0.0f, 1e-4f));
    glm::quat blended = slerp_shortest(kIdentity, near, 0.5f);
    EXPECT_FLOAT_EQ(blended.z, 0.5f * near.z);
    EXPECT_FLOAT_EQ(blended.w, 0.5f + 0.5f * near.w);

    // Through a channel, linear rotations are normalised, and a blend of
    // zero length becomes the identity.
    Pose pose;
    Channel rotation = channel_of(ChannelPath::Rotation);
    Sampler negated = sampler_of({0.0f, 1.0f}, {stored(kIdentity), stored(-about_z(90.0f))}, Interpolation::Linear);
    sample_channel(rotation, negated, 0.5f, pose.ref());
    expect_quat_near(pose.rotation, about_z(45.0f));
    Sampler long_ones = sampler_of({0.0f, 1.0f}, {{0, 0, 0, 2}, {0, 0, 0, 2}}, Interpolation::Linear);
    sample_channel(rotation, long_ones, 0.5f, pose.ref());
    expect_quat_near(pose.rotation, kIdentity);
    Sampler zeros = sampler_of({0.0f, 1.0f}, {glm::vec4(0.0f), glm::vec4(0.0f)}, Interpolation::Linear);
    pose.rotation = about_z(30.0f);
    sample_channel(rotation, zeros, 0.5f, pose.ref());
    EXPECT_EQ(pose.rotation, kIdentity);
}

TEST(AnimationSkeleton, JointMatricesGoFromTheJointsWorldIntoTheMeshNodesSpace) {
    Skeleton skeleton;
    skeleton.joints.resize(3);
    skeleton.joints[0].node = 1;
    skeleton.joints[0].inverse_bind_matrix = glm::translate(glm::mat4(1.0f), glm::vec3(0, 0, -3));
    skeleton.joints[1].node = 2;
    skeleton.joints[1].inverse_bind_matrix = glm::mat4(1.0f);
    skeleton.joints[2].node = 9;  // no such node: the identity world
    skeleton.joints[2].inverse_bind_matrix = glm::mat4(1.0f);
    const std::vector<glm::mat4> worlds = {
        glm::mat4(1.0f),
        glm::translate(glm::mat4(1.0f), glm::vec3(1, 0, 0)) * glm::mat4_cast(about_z(90.0f)),
        glm::scale(glm::mat4(1.0f), glm::vec3(2.0f)),
    };
    const glm::mat4 mesh_world = glm::translate(glm::mat4(1.0f), glm::vec3(0, 5, 0));
    skeleton.update_joint_matrices(worlds, mesh_world);
    ASSERT_EQ(skeleton.joint_matrices.size(), 3u);
    // (0, 0, 3) -> inverse bind (0, 0, 0) -> quarter turn and x + 1: (1, 0, 0)
    // -> out of the mesh node, 5 down: (1, -5, 0).
    expect_vec3_near(glm::vec3(skeleton.joint_matrices[0] * glm::vec4(0, 0, 3, 1)), {1, -5, 0});
    // (1, 0, 0) -> doubled (2, 0, 0) -> (2, -5, 0).
    expect_vec3_near(glm::vec3(skeleton.joint_matrices[1] * glm::vec4(1, 0, 0, 1)), {2, -5, 0});
    expect_vec3_near(glm::vec3(skeleton.joint_matrices[2][3]), {0, -5, 0});

    // A mesh node that flattens everything has no inverse: its transform is
    // left out instead of filling the block with infinities.
    skeleton.update_joint_matrices(worlds, glm::scale(glm::mat4(1.0f), glm::vec3(0.0f)));
    expect_vec3_near(glm::vec3(skeleton.joint_matrices[1] * glm::vec4(1, 0, 0, 1)), {2, 0, 0});

    Skeleton empty;
    empty.update_joint_matrices(worlds, mesh_world);
    EXPECT_TRUE(empty.joint_matrices.empty());
}

TEST(AnimationSkeleton, WorldsComposeParentsFirstWhateverTheNodeOrder) {
    // Node 2 is the root, node 0 its child, node 1 the grandchild; node 3
    // is a root of its own, posed.
    tinygltf::Model gltf;
    gltf.nodes.resize(4);
    gltf.nodes[2].children = {0};
    gltf.nodes[2].rotation = {0.0, 0.0, std::sqrt(0.5), std::sqrt(0.5)};
    gltf.nodes[0].children = {1};
    gltf.nodes[0].translation = {0.0, 1.0, 0.0};
    gltf.nodes[1].translation = {0.0, 0.0, 1.0};
    const NodeHierarchy hierarchy = extract(gltf).hierarchy;
    EXPECT_EQ(hierarchy.parents, (std::vector<std::int32_t>{2, 0, -1, -1}));
    EXPECT_EQ(hierarchy.parents_first, (std::vector<std::int32_t>{2, 3, 0, 1}));
    std::vector<glm::mat4> locals(4, glm::mat4(1.0f));
    locals[3] = glm::translate(glm::mat4(1.0f), glm::vec3(7, 0, 0));
    std::vector<glm::mat4> worlds;
    compose_worlds(hierarchy, locals, {false, false, false, true}, worlds);
    ASSERT_EQ(worlds.size(), 4u);
    expect_vec3_near(glm::vec3(worlds[0][3]), {-1, 0, 0});
    expect_vec3_near(glm::vec3(worlds[1][3]), {-1, 0, 1});
    expect_vec3_near(glm::vec3(worlds[3][3]), {7, 0, 0});
}

TEST_F(AnimationTest, SkinnedSamplesGiveTheirJointTrees) {
    auto rigged = load_sample("RiggedSimple.glb");
    ASSERT_NE(rigged->skeleton, nullptr);
    const Skeleton& bones = *rigged->skeleton;
    EXPECT_EQ(bones.name, "Armature");
    ASSERT_EQ(bones.joints.size(), 2u);
    EXPECT_EQ(bones.joints[0].name, "Bone");
    EXPECT_EQ(bones.joints[0].parent, -1);
    EXPECT_EQ(bones.joints[0].children, std::vector<std::int32_t>{1});
    EXPECT_EQ(bones.joints[1].name, "Bone.001");
    EXPECT_EQ(bones.joints[1].parent, 0);
    EXPECT_TRUE(bones.joints[1].children.empty());
    EXPECT_EQ(bones.node_to_joint, (std::map<std::int32_t, std::int32_t>{{3, 0}, {4, 1}}));
    // Bone has a matrix and no TRS; Bone.001 has TRS and no matrix.
    EXPECT_FLOAT_EQ(bones.joints[0].local_matrix[3][2], -4.1803297996521f);
    EXPECT_EQ(bones.joints[1].local_matrix, glm::mat4(1.0f));
    EXPECT_FLOAT_EQ(bones.joints[1].translation.z, 4.187077045440674f);
    EXPECT_TRUE(rigged->node_animation_records.empty());

    auto simple = load_sample("SimpleSkin.gltf");
    ASSERT_NE(simple->skeleton, nullptr);
    Skeleton& skin = *simple->skeleton;
    ASSERT_EQ(skin.joints.size(), 2u);
    EXPECT_EQ(skin.joints[0].parent, -1);
    EXPECT_EQ(skin.joints[0].children, std::vector<std::int32_t>{1});
    EXPECT_EQ(skin.joints[1].parent, 0);
    EXPECT_EQ(skin.joints[0].translation, glm::vec3(0, 1, 0));
    // Loaded, every joint sits at rest, which undoes its inverse bind matrix.
    for (const glm::mat4& m : skin.joint_matrices) {
        for (int c = 0; c < 4; ++c) {
            for (int r = 0; r < 4; ++r) EXPECT_NEAR(m[c][r], c == r ? 1.0f : 0.0f, 1e-5f);
        }
    }
}

TEST_F(AnimationTest, SkinnedModelPlaysTheIndexModuloTheCountAndPosesItsJoints) {
    auto model = load_sample("RiggedSimple.gltf");
    ASSERT_TRUE(model->has_animations);
    model->animate(0, 0.1f);
    std::vector<glm::mat4> early = model->skeleton->joint_matrices;
    model->animate(0, 0.6f);
    std::vector<glm::mat4> late = model->skeleton->joint_matrices;
    ASSERT_EQ(early.size(), 2u);
    float largest = 0.0f;
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            EXPECT_TRUE(std::isfinite(late[1][c][r]));
            largest = std::max(largest, std::abs(early[1][c][r] - late[1][c][r]));
        }
    }
    EXPECT_GT(largest, 1e-3f);

    // SimpleSkin with a second animation that turns its second joint half
    // round about z.
    auto skin = load_sample("SimpleSkin.glb");
    auto second = std::make_shared<ModelAnimation>("second");
    second->samplers.push_back(sampler_of({0.0f, 1.0f}, {{0, 0, 1, 0}, {0, 0, 1, 0}}, Interpolation::Step));
    second->channels.push_back(channel_of(ChannelPath::Rotation, 2));
    second->channels.push_back(channel_of(ChannelPath::Translation, 0));   // the mesh node, not a joint
    second->channels.push_back(channel_of(ChannelPath::Translation, 99));  // no node at all
    second->end_time = 1.0f;
    skin->animations->add(second);
    ASSERT_EQ(skin->animations->ordered.size(), 2u);
    EXPECT_EQ(skin->animations->index_by_name.at("second"), 1);

    skin->animate(3, 0.5f);
    EXPECT_EQ(skin->animations->current, second.get());
    EXPECT_EQ(skin->skeleton->joints[1].rotation, glm::quat(0.0f, 0.0f, 0.0f, 1.0f));
    EXPECT_EQ(skin->skeleton->joints[0].translation, glm::vec3(0, 1, 0));
    skin->animate(-1, 0.5f);  // 2^64 - 1 is odd
    EXPECT_EQ(skin->animations->current, second.get());
    skin->animate(2, 0.0f);
    EXPECT_EQ(skin->animations->current, skin->animations->ordered[0].get());
    // The first animation's first key is the identity again.
    expect_quat_near(skin->skeleton->joints[1].rotation, kIdentity);
    // The joints are drawn where they are posed, so what hangs from them
    // follows; the mesh node is not a joint and stays put.
    EXPECT_EQ(skin->node_override_flags, (std::vector<bool>{false, true, true}));
    expect_vec3_near(override_translation(*skin, 2), {0, 1, 0});
}

TEST_F(AnimationTest, UnskinnedSamplesGetRestRecordsForTheirAnimatedNodes) {
    auto boxes = load_sample("BoxAnimated.gltf");
    ASSERT_EQ(boxes->node_animation_records.size(), 2u);
    const NodeAnimationRecord& inner = boxes->node_animation_records[0];
    const NodeAnimationRecord& outer = boxes->node_animation_records[1];
    EXPECT_EQ(inner.node, 2);
    EXPECT_EQ(inner.animation, 0);
    EXPECT_EQ(outer.node, 0);
    EXPECT_EQ(outer.animation, 0);
    // Both carry the rotation (-0, -0, -0, -1), normalised as it is.
    EXPECT_EQ(inner.rotation, glm::quat(-1.0f, 0.0f, 0.0f, 0.0f));
    EXPECT_EQ(inner.translation, glm::vec3(0.0f));
    EXPECT_EQ(inner.scale, glm::vec3(1.0f));
    EXPECT_EQ(inner.matrix, glm::mat4(1.0f));
    // The window spans both samplers: the rotation's 1.25 s to 2.5 s and
    // the translation's 0 s to 3.708 s.
    EXPECT_FLOAT_EQ(boxes->animations->ordered[0]->start_time, 0.0f);
    EXPECT_NEAR(boxes->animations->ordered[0]->end_time, 3.70833f, 1e-5f);
    EXPECT_EQ(boxes->skeleton, nullptr);

    auto triangle = load_sample("AnimatedTriangle.glb");
    ASSERT_EQ(triangle->node_animation_records.size(), 1u);
    EXPECT_EQ(triangle->node_animation_records[0].node, 0);
    EXPECT_EQ(triangle->node_animation_records[0].rotation, kIdentity);
    // Keys every 0.25 s from identity to a quarter turn: 0.125 s is 45
    // degrees (the asset stores its keys to three decimals).
    triangle->animate(1, 0.125f);
    ASSERT_TRUE(triangle->node_override_flags[0]);
    glm::mat4 want = glm::mat4_cast(about_z(45.0f));
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) EXPECT_NEAR(triangle->node_override_matrices[0][c][r], want[c][r], 1e-4f);
    }
}

TEST_F(AnimationTest, AnimatedNodesComposeThroughTheirAncestors) {
    // root (0,0,5) > parent (quarter turn about z, moved 0..10 on x over
    // 0..1 s) > child (moved from (1,0,0) to (1,2,0) over 0..2 s).
    auto model = load_sample("hierarchy_animation.gltf");
    ASSERT_TRUE(model->parsed);
    const ModelAnimation& carry = *model->animations->ordered[0];
    EXPECT_FLOAT_EQ(carry.start_time, 0.0f);
    EXPECT_FLOAT_EQ(carry.end_time, 2.0f);  // the longer sampler's end

    // 1 s: the parent has finished at (10,0,0); the child's local (1,1,0)
    // turns with the parent to (-1,1,0); the root lifts both by 5 on z.
    model->animate(1, 0.5f);
    EXPECT_EQ(model->node_override_flags, (std::vector<bool>{false, true, true}));
    expect_vec3_near(override_translation(*model, 1), {10, 0, 5});
    expect_vec3_near(override_translation(*model, 2), {9, 1, 5});
    // The child's x axis is turned by the parent: it points along +y.
    expect_vec3_near(glm::vec3(model->node_override_matrices[2][0]), {0, 1, 0});
    model->animate(1, 0.25f);  // 0.5 s: parent at (5,0,0), child's local (1,0.5,0)
    expect_vec3_near(override_translation(*model, 2), {4.5f, 1, 5});
    // Past the parent's last key it rests there while the child goes on.
    model->animate(1, 0.75f);
    expect_vec3_near(override_translation(*model, 2), {8.5f, 1, 5});
}

TEST_F(AnimationTest, MaskSelectsWhichAnimationsMoveTheirNodes) {
    std::string printed;
    auto model = load_text("three.gltf", node_animation_asset(3, 3), &printed);
    ASSERT_TRUE(model->parsed) << printed;
    EXPECT_NE(printed.find("name of animation: move 0\nname of animation: move 1\nname of animation: move 2\n"),
              std::string::npos);
    ASSERT_EQ(model->node_animation_records.size(), 3u);
    EXPECT_EQ(model->node_animation_records[1].translation, glm::vec3(0, 0, -1));

    model->animate(5, 0.5f);
    EXPECT_EQ(model->node_override_flags, (std::vector<bool>{true, false, true}));
    expect_vec3_near(override_translation(*model, 0), {1, 5, 0});
    expect_vec3_near(override_translation(*model, 2), {3, 5, 0});

    model->animate(7, 0.5f);
    EXPECT_EQ(model->node_override_flags, (std::vector<bool>{true, true, true}));
    for (std::int64_t mask : {std::int64_t{0}, std::int64_t{8}, std::int64_t{-1}}) {
        model->animate(mask, 0.5f);
        EXPECT_EQ(model->node_override_flags, (std::vector<bool>{false, false, false})) << mask;
    }
}

TEST_F(AnimationTest, MasksOfManyAnimationsDoNotOverflow) {
    auto model = load_text("many.gltf", node_animation_asset(70, 3));
    ASSERT_TRUE(model->parsed);
    ASSERT_EQ(model->animations->ordered.size(), 70u);
    // Bit 62 plays animation 62, which moves node 62 mod 3 = 2.
    model->animate(std::int64_t{1} << 62, 0.0f);
    EXPECT_EQ(model->node_override_flags, (std::vector<bool>{false, false, true}));
    expect_vec3_near(override_translation(*model, 2), {63, 0, 0});
    // Every bit up to 62; animations 63 and above can never be selected.
    model->animate(std::numeric_limits<std::int64_t>::max(), 0.0f);
    EXPECT_EQ(model->node_override_flags, (std::vector<bool>{true, true, true}));
    expect_vec3_near(override_translation(*model, 0), {61, 0, 0});
}

TEST_F(AnimationTest, WeightsChannelsAreReportedAtLoadAndNeverMoveTheirNode) {
    std::string bytes;
    for (float v : {0.0f, 1.0f, 0.0f, 1.0f}) append(bytes, v);              // times, weights
    for (float v : {0.0f, 0.0f, 0.0f, 2.0f, 0.0f, 0.0f}) append(bytes, v);  // translations
    const std::string text = R"({"asset": {"version": "2.0"},
      "buffers": [{"byteLength": 40, "uri": ")" +
                             data_uri(bytes) + R"("}],
      "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 8}, {"buffer": 0, "byteOffset": 8, "byteLength": 8},
                      {"buffer": 0, "byteOffset": 16, "byteLength": 24}],
      "accessors": [{"bufferView": 0, "componentType": 5126, "count": 2, "type": "SCALAR"},
                    {"bufferView": 1, "componentType": 5126, "count": 2, "type": "SCALAR"},
                    {"bufferView": 2, "componentType": 5126, "count": 2, "type": "VEC3"}],
      "nodes": [{}, {"children": [0]}],
      "animations": [{"name": "morph", "samplers": [{"input": 0, "output": 1}, {"input": 0, "output": 2}],
                      "channels": [{"sampler": 0, "target": {"node": 1, "path": "weights"}},
                                   {"sampler": 1, "target": {"node": 0, "path": "translation"}}]}]})";
    std::string printed, logged;
    auto model = load_text("morph.gltf", text, &printed, &logged);
    ASSERT_TRUE(model->parsed) << printed;
    EXPECT_NE(logged.find("Kapot\n"), std::string::npos) << logged;
    EXPECT_NE(logged.find("Boem kapot: path not supported\n"), std::string::npos) << logged;
    const ModelAnimation& morph = *model->animations->ordered[0];
    EXPECT_TRUE(morph.samplers[0].values.empty());
    EXPECT_EQ(morph.channels[0].path, ChannelPath::Unsupported);
    EXPECT_EQ(morph.channels[1].path, ChannelPath::Translation);
    ASSERT_EQ(model->node_animation_records.size(), 1u);
    EXPECT_EQ(model->node_animation_records[0].node, 0);

    testing::internal::CaptureStderr();
    model->animate(1, 0.5f);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(model->node_override_flags, (std::vector<bool>{true, false}));
    expect_vec3_near(override_translation(*model, 0), {1, 0, 0});
}

TEST_F(AnimationTest, NormalisedIntegerOutputsAreScaledNotReadAsFloats) {
    std::string bytes;
    for (float v : {0.0f, 1.0f}) append(bytes, v);
    for (std::int16_t v : {0, 0, -32768, 16384, 0, 0, 0, 32767}) append(bytes, v);
    const std::string text = R"({"asset": {"version": "2.0"},
      "buffers": [{"byteLength": 24, "uri": ")" +
                             data_uri(bytes) + R"("}],
      "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 8}, {"buffer": 0, "byteOffset": 8, "byteLength": 16}],
      "accessors": [{"bufferView": 0, "componentType": 5126, "count": 2, "type": "SCALAR"},
                    {"bufferView": 1, "componentType": 5122, "normalized": true, "count": 2, "type": "VEC4"}],
      "nodes": [{}],
      "animations": [{"samplers": [{"input": 0, "output": 1, "interpolation": "STEP"}],
                      "channels": [{"sampler": 0, "target": {"node": 0, "path": "rotation"}}]}]})";
    auto model = load_text("quantised.gltf", text);
    ASSERT_TRUE(model->parsed);
    const Sampler& sampler = model->animations->ordered[0]->samplers[0];
    EXPECT_EQ(sampler.interpolation, Interpolation::Step);
    ASSERT_EQ(sampler.values.size(), 2u);
    // -32768 clamps to -1; 16384 is just over a half.
    EXPECT_EQ(sampler.values[0], glm::vec4(0.0f, 0.0f, -1.0f, 16384.0f / 32767.0f));
    EXPECT_EQ(sampler.values[1], glm::vec4(0.0f, 0.0f, 0.0f, 1.0f));
    model->animate(1, 0.5f);
    EXPECT_EQ(model->node_animation_records[0].rotation, glm::quat(16384.0f / 32767.0f, 0.0f, 0.0f, -1.0f));
}

TEST_F(AnimationTest, OddSkinsAreReadAsFarAsTheyHold) {
    std::string bytes;
    glm::mat4 identity(1.0f);
    bytes.append(reinterpret_cast<const char*>(&identity), sizeof identity);           // 0: one matrix
    for (float v : {0.0f, 1.0f}) append(bytes, v);                                     // 64: times
    for (glm::vec4 q : {stored(kIdentity), stored(about_z(90.0f))}) append(bytes, q);  // 72: rotations
    // Node 2 lists node 1 (its own parent) and node 3 (no joint) as children;
    // one inverse bind matrix for two joints; accessor 3 claims 100 key
    // times in 8 bytes.
    const std::string text = R"({"asset": {"version": "2.0"},
      "buffers": [{"byteLength": 104, "uri": ")" +
                             data_uri(bytes) + R"("}],
      "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 64}, {"buffer": 0, "byteOffset": 64, "byteLength": 8},
                      {"buffer": 0, "byteOffset": 72, "byteLength": 32}],
      "accessors": [{"bufferView": 0, "componentType": 5126, "count": 1, "type": "MAT4"},
                    {"bufferView": 1, "componentType": 5126, "count": 2, "type": "SCALAR"},
                    {"bufferView": 2, "componentType": 5126, "count": 2, "type": "VEC4"},
                    {"bufferView": 1, "componentType": 5126, "count": 100, "type": "SCALAR"}],
      "nodes": [{"skin": 0}, {"children": [2], "translation": [0, 1, 0]},
                {"children": [1, 3], "rotation": [0, 0, 0, 2]}, {}],
      "skins": [{"name": "rig", "joints": [1, 2], "inverseBindMatrices": 0}],
      "animations": [{"name": "bend", "samplers": [{"input": 1, "output": 2}, {"input": 3, "output": 2}],
                      "channels": [{"sampler": 0, "target": {"node": 0, "path": "rotation"}},
                                   {"sampler": 0, "target": {"node": 2, "path": "rotation"}},
                                   {"sampler": 1, "target": {"node": 1, "path": "rotation"}},
                                   {"sampler": 7, "target": {"node": 1, "path": "rotation"}}]}]})";
    std::string printed, logged;
    auto model = load_text("rig.gltf", text, &printed, &logged);
    ASSERT_TRUE(model->parsed) << printed;
    EXPECT_NE(printed.find("name of skeleton: rig\n"), std::string::npos) << printed;
    EXPECT_NE(logged.find("1 inverse bind matrices for 2 joints"), std::string::npos) << logged;
    EXPECT_NE(logged.find("key times skipped: accessor 3 runs past its buffer view"), std::string::npos) << logged;
    ASSERT_NE(model->skeleton, nullptr);
    Skeleton& rig = *model->skeleton;
    ASSERT_EQ(rig.joints.size(), 2u);
    EXPECT_EQ(rig.joints[0].inverse_bind_matrix, glm::mat4(1.0f));
    EXPECT_EQ(rig.joints[1].inverse_bind_matrix, glm::mat4(0.0f));
    EXPECT_EQ(rig.joints[0].parent, -1);
    EXPECT_EQ(rig.joints[0].children, std::vector<std::int32_t>{1});
    EXPECT_EQ(rig.joints[1].parent, 0);
    EXPECT_TRUE(rig.joints[1].children.empty());
    // (0, 0, 0, 2) through a rotation matrix is the identity, normalised.
    expect_quat_near(rig.joints[1].rotation, kIdentity);
    EXPECT_TRUE(model->animations->ordered[0]->samplers[1].times.empty());

    model->animate(0, 0.5f);
    expect_quat_near(rig.joints[1].rotation, about_z(45.0f));
    expect_quat_near(rig.joints[0].rotation, kIdentity);
    EXPECT_EQ(rig.joint_matrices[1], glm::mat4(0.0f));
}

TEST_F(AnimationTest, SparseInverseBindMatricesReplaceTheirJointsMatrixOnly) {
    auto rigged = load_sample("RiggedSimple.glb");
    tinygltf::Model gltf = rigged->gltf;
    const int accessor = gltf.skins[0].inverseBindMatrices;
    ASSERT_EQ(gltf.skins[0].joints.size(), 2u);
    // Index 1 and a translation by (1,2,3), in views appended to buffer 0.
    std::vector<unsigned char>& data = gltf.buffers[0].data;
    const glm::mat4 replacement = glm::translate(glm::mat4(1.0f), glm::vec3(1, 2, 3));
    const std::uint32_t index = 1;
    tinygltf::BufferView view;
    view.buffer = 0;
    view.byteOffset = data.size();
    view.byteLength = sizeof index;
    data.insert(data.end(), reinterpret_cast<const unsigned char*>(&index),
                reinterpret_cast<const unsigned char*>(&index) + sizeof index);
    gltf.bufferViews.push_back(view);
    view.byteOffset = data.size();
    view.byteLength = sizeof replacement;
    data.insert(data.end(), reinterpret_cast<const unsigned char*>(&replacement),
                reinterpret_cast<const unsigned char*>(&replacement) + sizeof replacement);
    gltf.bufferViews.push_back(view);
    auto& sparse = gltf.accessors[accessor].sparse;
    sparse.isSparse = true;
    sparse.count = 1;
    sparse.indices = {0, static_cast<int>(gltf.bufferViews.size()) - 2, TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT};
    sparse.values = {static_cast<int>(gltf.bufferViews.size()) - 1, 0};

    testing::internal::CaptureStdout();
    ExtractedAnimation extracted = extract(gltf);
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(extracted.skeleton);
    EXPECT_EQ(extracted.skeleton->joints[1].inverse_bind_matrix, replacement);
    EXPECT_EQ(extracted.skeleton->joints[0].inverse_bind_matrix, rigged->skeleton->joints[0].inverse_bind_matrix);
    EXPECT_NE(rigged->skeleton->joints[1].inverse_bind_matrix, replacement);
}

TEST_F(AnimationTest, SkinWithoutInverseBindMatricesHasNoJointsAndNothingToPlay) {
    std::string text = node_animation_asset(1, 2);
    text.insert(text.size() - 1, R"(, "skins": [{"joints": [0, 1]}])");
    std::string printed;
    auto model = load_text("bare.gltf", text, &printed);
    ASSERT_TRUE(model->parsed) << printed;
    ASSERT_NE(model->skeleton, nullptr);
    EXPECT_TRUE(model->skeleton->joints.empty());
    EXPECT_EQ(printed.find("name of skeleton"), std::string::npos);
    EXPECT_NE(model->joint_buffer, 0u);
    EXPECT_TRUE(model->node_animation_records.empty());
    model->animate(1, 0.5f);
    EXPECT_EQ(model->node_override_flags, (std::vector<bool>{false, false}));
}

TEST_F(AnimationTest, ModelCamerasSeeFromTheirAnimatedNodeWithoutItsScale) {
    auto model = load_sample("animated_camera.gltf");
    ASSERT_TRUE(model->parsed);
    ModelCameraView view;
    // At rest the eye is at (1,0,0) + 2 x (0,0,5).
    ASSERT_TRUE(model_camera_view(*model, 0, 2.0f, &view));
    expect_vec3_near(glm::vec3(view.view * glm::vec4(1, 0, 0, 1)), {0, 0, -10});
    // 0.5 s: the eye's local (1,0,5) puts it at (3,0,10); the rig's scale of
    // 2 is not part of the view, so distances stay as they are.
    model->animate(1, 0.5f);
    ASSERT_TRUE(model_camera_view(*model, 0, 2.0f, &view));
    expect_vec3_near(glm::vec3(view.view * glm::vec4(3, 0, 0, 1)), {0, 0, -10});
    expect_vec3_near(glm::vec3(view.view * glm::vec4(3, 1, 0, 1)), {0, 1, -10});
    // Perspective with the given aspect ratio and no far plane.
    const float t = std::tan(0.4f);
    EXPECT_NEAR(view.projection[1][1], 1.0f / t, 1e-5f);
    EXPECT_NEAR(view.projection[0][0], 1.0f / (2.0f * t), 1e-5f);
    EXPECT_NEAR(view.projection[2][2], -1.0f, 1e-5f);
    EXPECT_NEAR(view.projection[3][2], -0.2f, 1e-5f);

    // Orthographic: xmag 2, ymag 1, depth 0.5..10, whatever the aspect.
    ASSERT_TRUE(model_camera_view(*model, 1, 2.0f, &view));
    EXPECT_NEAR(view.projection[0][0], 0.5f, 1e-6f);
    EXPECT_NEAR(view.projection[1][1], 1.0f, 1e-6f);
    EXPECT_NEAR(view.projection[2][2], -2.0f / 9.5f, 1e-6f);
    expect_vec3_near(glm::vec3(view.view * glm::vec4(0, 0, 0, 1)), {0, 0, -4});

    // No node holds camera 2; there is no camera 3 or -1; a camera with no
    // usable numbers gives no view.
    EXPECT_FALSE(model_camera_view(*model, 2, 2.0f, &view));
    EXPECT_FALSE(model_camera_view(*model, 3, 2.0f, &view));
    EXPECT_FALSE(model_camera_view(*model, -1, 2.0f, &view));
    model->gltf.cameras[0].perspective.zfar = 0.05;  // nearer than znear
    EXPECT_FALSE(model_camera_view(*model, 0, 2.0f, &view));
    model->gltf.cameras[1].type = "fisheye";
    EXPECT_FALSE(model_camera_view(*model, 1, 2.0f, &view));
}

TEST_F(AnimationTest, ModelWithoutDefaultSceneDrawsItsFirstAndSaysSoOnce) {
    auto scenes = load_sample("no_default_scene.gltf");
    testing::internal::CaptureStdout();
    EXPECT_EQ(scenes->drawn_scene(), 0);
    EXPECT_EQ(scenes->drawn_scene(), 0);
    const std::string said = testing::internal::GetCapturedStdout();
    EXPECT_NE(said.find("no_default_scene.gltf has no default scene; its first scene is drawn\n"), std::string::npos);
    EXPECT_EQ(said.find("first scene is drawn"), said.rfind("first scene is drawn"));
    scenes->gltf.defaultScene = 1;
    EXPECT_EQ(scenes->drawn_scene(), 1);
    scenes->gltf.scenes.clear();
    scenes->gltf.defaultScene = -1;
    EXPECT_EQ(scenes->drawn_scene(), -1);
}

}  // namespace quillbarrow
