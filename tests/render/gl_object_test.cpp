// GL objects have owners: moving hands a name on, dropping the owner deletes
// it, and a production loaded again and again leaves nothing behind.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include <GL/glew.h>

#include "document/demo.h"
#include "player/frame_step.h"
#include "player/player_state.h"
#include "project/project_file.h"
#include "render/effect.h"
#include "render/gl_object.h"
#include "render/render_test_support.h"
#include "support/gl_test_context.h"

namespace quillbarrow {

namespace {

class GlObjectTest : public GlTest {};

const std::string kExample = std::string(QB_EXAMPLES_DIR) + "/neon-drift/project.json";
const std::string k3dExample = std::string(QB_EXAMPLES_DIR) + "/ember-rig/project.json";

constexpr std::size_t kKinds = static_cast<std::size_t>(GlObjectKind::Count);
using KindCounts = std::array<long, kKinds>;

KindCounts live_counts_by_kind() {
    KindCounts counts{};
    for (std::size_t k = 0; k < kKinds; ++k) counts[k] = live_gl_objects(static_cast<GlObjectKind>(k));
    return counts;
}

}  // namespace

TEST_F(GlObjectTest, OwnersDeleteWhatTheyHoldAndMovesHandItOn) {
    const long before = live_gl_objects(GlObjectKind::Texture);
    unsigned int name = 0;
    {
        GlTexture texture = GlTexture::generate();
        name = texture;
        glBindTexture(GL_TEXTURE_2D, texture);  // a bound name is a texture from now on
        glBindTexture(GL_TEXTURE_2D, 0);
        EXPECT_EQ(live_gl_objects(GlObjectKind::Texture), before + 1);

        GlTexture moved(std::move(texture));
        EXPECT_EQ(texture.get(), 0u);
        EXPECT_EQ(moved.get(), name);
        EXPECT_EQ(live_gl_objects(GlObjectKind::Texture), before + 1);

        // Assigning over an owner deletes what it held.
        GlTexture other = GlTexture::generate();
        const unsigned int other_name = other;
        glBindTexture(GL_TEXTURE_2D, other);
        glBindTexture(GL_TEXTURE_2D, 0);
        other = std::move(moved);
        EXPECT_FALSE(glIsTexture(other_name));
        EXPECT_TRUE(glIsTexture(name));
        EXPECT_EQ(live_gl_objects(GlObjectKind::Texture), before + 1);
    }
    EXPECT_FALSE(glIsTexture(name));
    EXPECT_EQ(live_gl_objects(GlObjectKind::Texture), before);
}

TEST_F(GlObjectTest, AProductionLoadedAgainAndAgainLeavesNoObjectBehind) {
    std::vector<unsigned int> dropped_framebuffers, dropped_textures;
    long after_first = -1;
    for (int reload = 0; reload < 4; ++reload) {
        {
            std::unique_ptr<Demo> demo = load_project(kExample);
            demo->post_load();
            ASSERT_FALSE(demo->effects.empty());
            for (const auto& effect : demo->effects) {
                if (effect->framebuffer != 0) dropped_framebuffers.push_back(effect->framebuffer);
                if (effect->framebuffer_texture != 0) dropped_textures.push_back(effect->framebuffer_texture);
            }
        }
        if (reload == 0) after_first = live_gl_objects();
        EXPECT_EQ(live_gl_objects(), after_first) << "after reload " << reload;
    }
    ASSERT_FALSE(dropped_framebuffers.empty());
    // The driver agrees: none of the dropped names is still an object.
    for (unsigned int name : dropped_framebuffers) EXPECT_FALSE(glIsFramebuffer(name)) << name;
    for (unsigned int name : dropped_textures) EXPECT_FALSE(glIsTexture(name)) << name;
}

// Models (buffers, vertex arrays, a joint buffer), scenes and their shadow
// map, drawn as the preview draws them: every kind made is freed on drop.
TEST_F(GlObjectTest, A3dProductionDrawnAndDroppedAgainAndAgainLeavesNoObjectBehind) {
    const DisplaySize saved_size = display_size;
    set_display_size(64, 36);
    const KindCounts baseline = live_counts_by_kind();
    KindCounts most_while_loaded = baseline;
    for (int reload = 0; reload < 3; ++reload) {
        {
            std::unique_ptr<Demo> demo = load_project(k3dExample);
            current_document = demo.get();
            demo->post_load();
            ASSERT_FALSE(demo->models.empty());
            ASSERT_FALSE(demo->scenes.empty());
            step_standalone_frame(*demo, 20.0f);  // every scene is on screen at beat 20
            const KindCounts loaded = live_counts_by_kind();
            for (std::size_t k = 0; k < kKinds; ++k) most_while_loaded[k] = std::max(most_while_loaded[k], loaded[k]);
            current_document = nullptr;
        }
        EXPECT_EQ(live_counts_by_kind(), baseline) << "after reload " << reload;
    }
    display_size = saved_size;
    // The production made objects of every kind, so the check above covers them all.
    for (std::size_t k = 0; k < kKinds; ++k) EXPECT_GT(most_while_loaded[k], baseline[k]) << "kind " << k;
}

}  // namespace quillbarrow
