#include "support/gl_test_context.h"

#include <GL/glew.h>
#include <SDL.h>

#include "player/player_window.h"

namespace quillbarrow {

namespace {

struct GlContext {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    std::string error;
    bool ok = false;

    // A loaded machine now and then fails a first attempt (GLEW finds no
    // display connection); a test run should not fail on that.
    GlContext() {
        for (int attempt = 0; attempt < 3 && !ok; ++attempt) {
            if (attempt > 0) {
                release();
                SDL_Delay(250);
            }
            ok = create();
        }
    }

    bool create() {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            error = std::string("SDL video: ") + SDL_GetError();
            return false;
        }
        set_gl_attributes();  // the player's own
        window = SDL_CreateWindow("quillbarrow tests", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 64, 64,
                                  SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (!window) {
            error = std::string("SDL window: ") + SDL_GetError();
            return false;
        }
        context = SDL_GL_CreateContext(window);
        if (!context) {
            error = std::string("GL context: ") + SDL_GetError();
            return false;
        }
        glewExperimental = GL_TRUE;
        GLenum status = glewInit();
        if (status != GLEW_OK) {
            error = std::string("GLEW: ") + reinterpret_cast<const char*>(glewGetErrorString(status));
            return false;
        }
        // GLEW may leave an error behind on core profiles.
        while (glGetError() != GL_NO_ERROR) {}
        create_white_texture();
        return true;
    }

    void release() {
        if (context) SDL_GL_DeleteContext(context);
        if (window) SDL_DestroyWindow(window);
        context = nullptr;
        window = nullptr;
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
};

}  // namespace

bool ensure_gl_context(std::string* error) {
    static GlContext context;
    if (!context.ok && error) *error = context.error;
    return context.ok;
}

void GlTest::SetUp() {
    std::string error;
    ASSERT_TRUE(ensure_gl_context(&error)) << "no GL context (" << error << "); run under Xvfb with DISPLAY set";
}

}  // namespace quillbarrow
