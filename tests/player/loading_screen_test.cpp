#include <gtest/gtest.h>

#include "document/demo.h"
#include "document/loading_progress.h"
#include "player/loading_screen.h"
#include "render/render_test_support.h"
#include "serialization/byte_buffer.h"
#include "support/test_environment.h"

namespace quillbarrow {

namespace {

class LoadingScreenTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        std::string error;
        ASSERT_TRUE(ensure_test_mixer(&error)) << error;
        if (!loading_screen_effect()) set_up_loading_screen();
        set_display_size(64, 64);
    }
    void TearDown() override { set_loading_listener({}); }

    // One loading frame drawn into a target, as report_progress draws it.
    std::array<int, 4> loader_pixel(float read, float total, int x, int y) {
        TestTarget target(64, 64);
        target.clear(0, 0, 0, 1);
        Effect* effect = loading_screen_effect();
        effect->bind_inputs(effect->program, false);
        glUniform1f(glGetUniformLocation(effect->program->program_id, "read"), read);
        glUniform1f(glGetUniformLocation(effect->program->program_id, "total"), total);
        target.bind();
        effect->render({}, false);
        return target.pixel(x, y);
    }
};

}  // namespace

TEST_F(LoadingScreenTest, OneFramePerRecordPlusTheLastThenTheHold) {
    JsonValue project = JsonValue::object();
    project["music"] = "";
    for (int i = 0; i < 40; ++i) {
        project["datas"][i]["name"] = "d" + std::to_string(i);
        project["datas"][i]["data_buffer"] = base64_encode("x");
    }
    const std::uint64_t before = loading_frames_drawn();
    Demo demo(project);
    current_document = &demo;
    EXPECT_EQ(loading_frames_drawn() - before, 41u);
    finish_loading();
    EXPECT_EQ(loading_frames_drawn() - before, 141u);
    current_document = nullptr;
}

TEST_F(LoadingScreenTest, FillFollowsProgressInsideTheLogo) {
    // (32, 16) lies on the logo's ring (dark in the mask) low in the image;
    // (32, 40) lies in the ring's hole.
    EXPECT_NEAR_RGBA(loader_pixel(20, 40, 32, 16), 255, 255, 0, 255, 2);    // half the records: full, yellow
    EXPECT_NEAR_RGBA(loader_pixel(20, 40, 32, 40), 0, 0, 0, 255, 2);        // the hole stays black
    EXPECT_NEAR_RGBA(loader_pixel(40, 40, 32, 16), 128, 128, 128, 255, 2);  // all read: empty again, grey logo
    EXPECT_NEAR_RGBA(loader_pixel(0, 0, 32, 16), 128, 128, 128, 255, 2);    // 0/0 fills nothing
    EXPECT_NEAR_RGBA(loader_pixel(1, 40, 32, 16), 128, 128, 128, 255, 2);   // barely started: below the fill
}

}  // namespace quillbarrow
