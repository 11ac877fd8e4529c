#include "player/loading_screen.h"

#include <memory>

#include <GL/glew.h>
#include <SDL.h>

#include "document/audio_sample.h"
#include "document/texture.h"
#include "document/demo.h"
#include "document/loading_progress.h"
#include "player/player_state.h"
#include "player/player_window.h"
#include "render/effect.h"
#include "render/shader_program.h"

namespace quillbarrow {

extern const unsigned char loader_mask_png[];
extern const std::size_t loader_mask_png_size;
extern const unsigned char loader_sound_wav[];
extern const std::size_t loader_sound_wav_size;

namespace {

const char kLoaderShader[] = R"(#version 150
#define mainImage(X,Y) main()
#define iResolution resolution
#define iTime beat
#define fragCoord (gl_FragCoord.xy)
#define iChannel0 tex
uniform int sound;
uniform float beat;
uniform float read;
uniform float total;
uniform sampler2D tex;
uniform vec2 resolution;
vec2 iMouse = vec2(0., 0.);
out vec4 fragColor;

void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 uv = fragCoord / iResolution.xy;
    float aspect = iResolution.x / iResolution.y;
    uv.x = (uv.x - 0.5) * aspect + 0.5;
    fragColor = vec4(0.0, 0.0, 0.0, 1.0);
    float progress = read / total;
    if (progress <= 0.5) progress = progress * 2.0;
    else progress = (1.0 - progress) * 2.0;
    if (uv.x < 0.0 || uv.x > 1.0) return;
    float mask = texture(iChannel0, vec2(uv.x, 1.0 - uv.y)).r;
    if (uv.y < progress) {
        float wave = uv.y + 0.02 * sin(uv.x * 10.0);
        if (mask < 0.5) fragColor = wave < progress - 0.2 ? vec4(1.0, 1.0, 0.0, 1.0) : vec4(1.0);
    } else if (mask < 0.5) {
        fragColor = vec4(0.5, 0.5, 0.5, 1.0);
    }
}
)";

struct LoaderObjects {
    std::unique_ptr<ShaderProgram> program;
    std::unique_ptr<Texture> texture;
    std::unique_ptr<Effect> effect;
    std::unique_ptr<AudioSample> sound;
};

LoaderObjects& loader() {
    static LoaderObjects objects;
    return objects;
}

std::uint64_t frames_drawn = 0;

// Keys pressed while loading are dropped, but a request to quit (a closed
// window, SIGTERM) is remembered: the player ends once loading is done.
void drain_events() {
    SDL_Event event;
    while (SDL_PollEvent(&event))
        if (event.type == SDL_QUIT) quit_requested = true;
}

void loading_frame(std::uint64_t read, std::uint64_t total, int delays) {
    drain_events();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    SDL_GL_MakeCurrent(player_window(), player_gl_context());
    glViewport(0, 0, player_window_size().width, player_window_size().height);
    LoaderObjects& l = loader();
    ShaderProgram* program = l.program.get();
    l.effect->bind_inputs(program, false);
    glUniform1f(glGetUniformLocation(program->program_id, "read"), static_cast<float>(read));
    glUniform1f(glGetUniformLocation(program->program_id, "total"), static_cast<float>(total));
    l.effect->render({}, false);
    SDL_GL_SwapWindow(player_window());
#ifndef __EMSCRIPTEN__
    // In a page the browser paces the frames, and a wait would freeze it.
    for (int i = 0; i < delays; ++i) SDL_Delay(20);
#else
    (void)delays;
#endif
    ++frames_drawn;
}

}  // namespace

void set_up_loading_screen() {
    SDL_ShowCursor(0);
    drain_events();
    SDL_GL_MakeCurrent(player_window(), player_gl_context());
    SDL_GL_SetSwapInterval(1);
    glViewport(0, 0, 1920, 1080);
    SDL_GL_SwapWindow(player_window());

    LoaderObjects& l = loader();
    l.program = std::make_unique<ShaderProgram>();
    l.program->fragment_shader_source = kLoaderShader;
    l.program->rebuild();
    l.texture = std::make_unique<Texture>("loader", loader_mask_png, loader_mask_png_size);
    l.effect = std::make_unique<Effect>("Loader", l.program.get(), l.texture.get(), nullptr, false, false, nullptr);
    l.sound = std::make_unique<AudioSample>("loader", loader_sound_wav, loader_sound_wav_size);

    set_loading_listener(
        {draw_loading_frame, [] { hold_loading_screen(current_document ? current_document->record_count : 0); }});
}

void draw_loading_frame(std::uint64_t read, std::uint64_t total) {
    if (!loader().effect) return;
    loading_frame(read, total, 1);
}

void hold_loading_screen(std::uint64_t record_count) {
    if (!loader().effect) return;
    play_loader_sound();
    for (int i = 0; i < 100 && !quit_requested; ++i) loading_frame(record_count, record_count, 2);
}

void play_loader_sound() {
    if (loader().sound) loader().sound->play();
}

std::uint64_t loading_frames_drawn() { return frames_drawn; }

Effect* loading_screen_effect() { return loader().effect.get(); }

}  // namespace quillbarrow
