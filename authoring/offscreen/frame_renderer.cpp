#include "offscreen/frame_renderer.h"

#include <vector>

#include <GL/glew.h>
#include <SDL.h>
#include <SDL_image.h>
#include <SDL_mixer.h>

#include "document/demo.h"
#include "player/still_analysis.h"
#include "player/frame_step.h"
#include "player/player_state.h"

namespace quillbarrow {

bool save_frame_png(const unsigned char* pixels, int width, int height, const std::string& path, std::string* error) {
    SDL_Surface* image = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ABGR8888);
    if (!image) {
        if (error) *error = SDL_GetError();
        return false;
    }
    // GL rows run bottom-up; the image's run top-down. The window is opaque.
    auto* out = static_cast<unsigned char*>(image->pixels);
    for (int y = 0; y < height; ++y) {
        const unsigned char* row = pixels + static_cast<std::size_t>(height - 1 - y) * width * 4;
        unsigned char* target = out + static_cast<std::size_t>(y) * image->pitch;
        for (int x = 0; x < width; ++x) {
            target[x * 4] = row[x * 4];
            target[x * 4 + 1] = row[x * 4 + 1];
            target[x * 4 + 2] = row[x * 4 + 2];
            target[x * 4 + 3] = 255;
        }
    }
    bool saved = IMG_SavePNG(image, path.c_str()) == 0;
    if (!saved && error) *error = std::string("cannot write ") + path + ": " + IMG_GetError();
    SDL_FreeSurface(image);
    return saved;
}

bool render_frame_to_png(Demo& demo, float beat, const std::string& path, std::string* error) {
    const int width = display_size.viewport_width, height = display_size.viewport_height;
    analyse_music_at(demo, beat);
    step_standalone_frame(demo, beat);

    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 4);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return save_frame_png(pixels.data(), width, height, path, error);
}

}  // namespace quillbarrow
