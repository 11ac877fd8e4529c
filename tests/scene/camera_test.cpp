#include <gtest/gtest.h>

#include <bit>

#include "scene/camera.h"
#include "scene/scene.h"
#include "serialization/binary_reader.h"
#include "serialization/binary_writer.h"
#include "support/gl_test_context.h"

namespace quillbarrow {

namespace {

void expect_matrix_near(const glm::mat4& actual, const glm::mat4& expected, float tolerance = 1e-5f) {
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            EXPECT_NEAR(actual[c][r], expected[c][r], tolerance) << "column " << c << " row " << r;
}

Camera target_camera(glm::vec3 position, glm::vec3 target) {
    Camera camera;
    camera.position = position;
    camera.direction = target;
    camera.up = {0, 1, 0};
    camera.aspect = 1.5f;
    camera.fov = 60.0f;
    camera.znear = 0.5f;
    camera.zfar = 50.0f;
    return camera;
}

void expect_same_serialized_fields(const Camera& a, const Camera& b) {
    EXPECT_EQ(a.position, b.position);
    EXPECT_EQ(a.direction, b.direction);
    EXPECT_EQ(a.up, b.up);
    EXPECT_EQ(a.aspect, b.aspect);
    EXPECT_EQ(a.fov, b.fov);
    EXPECT_EQ(a.znear, b.znear);
    EXPECT_EQ(a.zfar, b.zfar);
    EXPECT_EQ(a.direction_mode, b.direction_mode);
}

float float_at(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    std::uint32_t bits = 0;
    for (int i = 3; i >= 0; --i) bits = (bits << 8) | bytes[offset + static_cast<std::size_t>(i)];
    return std::bit_cast<float>(bits);
}

}  // namespace

TEST(CameraView, TargetAndDirectionModesLookTheSameWay) {
    Camera camera = target_camera({0, 0, 5}, {0, 0, 0});
    glm::mat4 expected(1.0f);
    expected[3] = glm::vec4(0, 0, -5, 1);
    expect_matrix_near(camera.view_matrix(), expected);

    // The direction's length does not matter, only where it points.
    camera.direction_mode = true;
    camera.direction = {0, 0, -3};
    expect_matrix_near(camera.view_matrix(), expected);
}

TEST(CameraProjection, PerspectiveMatchesTheHandComputedMatrix) {
    Camera camera = target_camera({0, 0, 0}, {0, 0, -1});
    camera.fov = 90.0f;
    camera.aspect = 2.0f;
    camera.znear = 1.0f;
    camera.zfar = 9.0f;
    // tan(45 degrees) = 1 (to the precision of the 0.017453292 factor).
    glm::mat4 expected(0.0f);
    expected[0][0] = 0.5f;
    expected[1][1] = 1.0f;
    expected[2][2] = -10.0f / 8.0f;
    expected[2][3] = -1.0f;
    expected[3][2] = -18.0f / 8.0f;
    expect_matrix_near(camera.projection_matrix(), expected);

    camera.fov = 60.0f;
    camera.aspect = 16.0f / 9.0f;
    camera.znear = 0.1f;
    camera.zfar = 100.0f;
    const glm::mat4 p = camera.projection_matrix();
    EXPECT_NEAR(p[0][0], 0.974279f, 1e-5f);
    EXPECT_NEAR(p[1][1], 1.732051f, 1e-5f);
    EXPECT_NEAR(p[2][2], -1.002002f, 1e-5f);
    EXPECT_NEAR(p[3][2], -0.2002002f, 1e-6f);
    EXPECT_EQ(p[3][3], 0.0f);
}

TEST(CameraProjection, OrthographicIsACubeOfTheHalfSize) {
    Camera camera = target_camera({0, 0, 0}, {0, 0, -1});
    camera.orthographic = true;
    camera.ortho_half_size = 10.0f;
    camera.znear = 1.0f;
    camera.zfar = 21.0f;
    glm::mat4 expected(0.0f);
    expected[0][0] = 0.1f;
    expected[1][1] = 0.1f;
    expected[2][2] = -0.1f;
    expected[3][2] = -1.1f;
    expected[3][3] = 1.0f;
    expect_matrix_near(camera.projection_matrix(), expected);
}

TEST(CameraJson, OnlyFloatNumbersAndTheBooleanTrueAreRead) {
    Camera camera(JsonValue::parse(R"({"position": [1.5, 2, 3.5], "direction": [0.0, 0.0, -1.0],
        "up": [0.0, 1.0, 0.0], "aspect": 1.25, "fov": 60, "znear": 0.5, "zfar": 80.0, "direction_mode": "true"})"));
    EXPECT_EQ(camera.position, glm::vec3(1.5f, 0.0f, 3.5f));
    EXPECT_EQ(camera.fov, 0.0f);  // an integer is not a float
    EXPECT_EQ(camera.aspect, 1.25f);
    EXPECT_EQ(camera.zfar, 80.0f);
    EXPECT_FALSE(camera.direction_mode);
    EXPECT_FALSE(camera.orthographic);
    EXPECT_EQ(camera.ortho_half_size, 100.0f);

    camera.from_json(JsonValue::parse(R"({"direction_mode": 1})"));
    EXPECT_FALSE(camera.direction_mode);
    EXPECT_EQ(camera.position, glm::vec3(0.0f));  // missing members read as 0
    camera.from_json(JsonValue::parse(R"({"direction_mode": true})"));
    EXPECT_TRUE(camera.direction_mode);
}

TEST(CameraJson, RoundTripWritesAllEightMembersAsFloats) {
    Camera camera = target_camera({1, -2, 3}, {4, 5, -6});
    camera.direction_mode = true;
    camera.fov = 1.0f;  // whole values still go out as floats
    const JsonValue json = camera.to_json(false);
    ASSERT_EQ(json.size(), 8);
    for (const char* key : {"aspect", "fov", "znear", "zfar"})
        EXPECT_EQ(json[key].kind(), JsonValue::Kind::Float) << key;
    EXPECT_EQ(json["position"][1].kind(), JsonValue::Kind::Float);
    EXPECT_EQ(json["direction_mode"].kind(), JsonValue::Kind::Boolean);

    const Camera back(JsonValue::parse(json.dump()));
    expect_same_serialized_fields(back, camera);
}

TEST(CameraBinary, FiftyThreeBytesInFieldOrder) {
    Camera camera = target_camera({1, 2, 3}, {4, 5, 6});
    camera.up = {7, 8, 9};
    camera.direction_mode = true;
    camera.orthographic = true;     // not part of the form
    camera.ortho_half_size = 7.0f;  // nor this
    BinaryWriter out;
    camera.write(out);
    ASSERT_EQ(out.size(), kCameraBinarySize);
    const auto& bytes = out.bytes();
    for (int i = 0; i < 9; ++i) EXPECT_EQ(float_at(bytes, 4u * static_cast<unsigned>(i)), static_cast<float>(i + 1));
    EXPECT_EQ(float_at(bytes, 36), 1.5f);
    EXPECT_EQ(float_at(bytes, 40), 60.0f);
    EXPECT_EQ(float_at(bytes, 44), 0.5f);
    EXPECT_EQ(float_at(bytes, 48), 50.0f);
    EXPECT_EQ(bytes[52], 1);

    BinaryReader in(bytes.data(), bytes.size());
    const Camera back(in);
    EXPECT_EQ(in.remaining(), 0u);
    expect_same_serialized_fields(back, camera);
    EXPECT_FALSE(back.orthographic);
    EXPECT_EQ(back.ortho_half_size, 100.0f);

    BinaryReader short_in(bytes.data(), bytes.size() - 1);
    EXPECT_THROW(Camera{short_in}, FormatError);
}

TEST(CameraTracks, NineFloatsInPositionDirectionUpOrder) {
    Camera camera;
    for (int i = 0; i < 9; ++i) camera.track_float(i) = static_cast<float>(i + 1);
    EXPECT_EQ(camera.position, glm::vec3(1, 2, 3));
    EXPECT_EQ(camera.direction, glm::vec3(4, 5, 6));
    EXPECT_EQ(camera.up, glm::vec3(7, 8, 9));
    EXPECT_THROW(camera.track_float(9), std::out_of_range);
    EXPECT_THROW(camera.track_float(-1), std::out_of_range);
}

namespace {

class ActiveCameraTest : public GlTest {
protected:
    static std::unique_ptr<Scene> scene_with_camera(const char* name, const char* camera_json) {
        std::string text = std::string(R"({"name": ")") + name + "\"";
        if (camera_json) text += std::string(R"(, "camera": )") + camera_json;
        return std::make_unique<Scene>(JsonValue::parse(text + "}"));
    }
};

const char* kTargetCamera = R"({"position": [1.0, 2.0, 3.0], "direction": [1.0, 2.0, 0.0], "up": [0.0, 1.0, 0.0]})";
const char* kDirectionCamera =
    R"({"position": [9.0, 9.0, 9.0], "direction": [0.0, -2.0, 0.0], "direction_mode": true})";
const char* kOwnCamera = R"({"position": [0.0, 0.0, 0.0], "direction": [5.0, 5.0, 5.0], "direction_mode": true})";

}  // namespace

TEST_F(ActiveCameraTest, BorrowedDirectionIsTheVectorFromEyeToTarget) {
    auto lender = scene_with_camera("lender", kTargetCamera);
    auto borrower = scene_with_camera("borrower", kOwnCamera);
    borrower->camera_scene = lender.get();
    borrower->camera_scene_only_direction = true;
    EXPECT_EQ(borrower->active_camera(), borrower->camera.get());
    EXPECT_EQ(borrower->camera->direction, glm::vec3(0, 0, -3));
    EXPECT_EQ(borrower->camera->position, glm::vec3(0, 0, 0));  // only the direction moves
    EXPECT_TRUE(borrower->camera->direction_mode);

    // A lender in direction mode hands over its direction as it is.
    lender->camera->from_json(JsonValue::parse(kDirectionCamera));
    borrower->active_camera();
    EXPECT_EQ(borrower->camera->direction, glm::vec3(0, -2, 0));

    borrower->shadow_pass = true;
    EXPECT_EQ(borrower->active_camera(), borrower->light_camera.get());
}

TEST_F(ActiveCameraTest, WholeCameraIsBorrowedWithoutTheDirectionFlagOrAnOwnCamera) {
    auto lender = scene_with_camera("lender", kTargetCamera);
    auto borrower = scene_with_camera("borrower", kOwnCamera);
    borrower->camera_scene = lender.get();
    EXPECT_EQ(borrower->active_camera(), lender->camera.get());
    EXPECT_EQ(borrower->steered_camera(), borrower->camera.get());
    EXPECT_EQ(borrower->camera->direction, glm::vec3(5, 5, 5));

    borrower->camera.reset();
    borrower->camera_scene_only_direction = true;
    EXPECT_EQ(borrower->active_camera(), lender->camera.get());
    EXPECT_EQ(borrower->steered_camera(), lender->camera.get());
    EXPECT_EQ(lender->camera->direction, glm::vec3(1, 2, 0));  // the lender is left alone

    // Not followed further than one scene.
    lender->camera.reset();
    lender->camera_scene = borrower.get();
    EXPECT_EQ(borrower->active_camera(), nullptr);
    EXPECT_EQ(borrower->steered_camera(), nullptr);
}

TEST_F(ActiveCameraTest, AnOwnCameraIsUsedWhenTheLenderHasNone) {
    auto lender = scene_with_camera("lender", nullptr);
    auto borrower = scene_with_camera("borrower", kOwnCamera);
    borrower->camera_scene = lender.get();
    EXPECT_EQ(borrower->active_camera(), borrower->camera.get());
    borrower->camera_scene_only_direction = true;
    EXPECT_EQ(borrower->active_camera(), borrower->camera.get());
    EXPECT_EQ(borrower->camera->direction, glm::vec3(5, 5, 5));

    // A scene that names itself keeps its own direction however often asked.
    lender.reset();
    borrower->camera->from_json(JsonValue::parse(kTargetCamera));
    borrower->camera_scene = borrower.get();
    borrower->active_camera();
    borrower->active_camera();
    EXPECT_EQ(borrower->camera->direction, glm::vec3(1, 2, 0));
}

}  // namespace quillbarrow
