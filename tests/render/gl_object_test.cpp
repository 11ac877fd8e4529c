// GL objects have owners: moving hands a name on, dropping the owner deletes
// it, and a production loaded again and again leaves nothing behind.

#include <gtest/gtest.h>

#include <vector>

#include <GL/glew.h>

#include "document/demo.h"
#include "project/project_file.h"
#include "render/effect.h"
#include "render/gl_object.h"
#include "support/gl_test_context.h"

namespace quillbarrow {

namespace {

class GlObjectTest : public GlTest {};

const std::string kExample = std::string(QB_EXAMPLES_DIR) + "/neon-drift/project.json";

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

}  // namespace quillbarrow
