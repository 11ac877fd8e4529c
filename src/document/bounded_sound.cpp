#include "document/bounded_sound.h"

#include <climits>
#include <cmath>

#include <SDL.h>
#include <SDL_mixer.h>

#include "player/player_state.h"

namespace quillbarrow {

namespace {

// Bytes this thread's SDL allocations may still take. Past the cap one more
// cap's worth is granted: the decoder copies what it kept into one block
// after its first refused allocation.
struct AllocationCap {
    std::uint64_t left;
    std::uint64_t after_refusal;
    bool refused = false;

    bool take(std::size_t bytes) {
        std::uint64_t& pool = refused ? after_refusal : left;
        if (bytes > pool) {
            refused = true;
            return false;
        }
        pool -= bytes;
        return true;
    }
};

// These stay here rather than with the player's process-wide state: SDL
// calls the hook below from whatever thread allocates, with no way to pass
// it anything, so the cap of the decode running on a thread can only be
// found through a thread-local, and SDL's own functions must be kept where
// the hook can call them.
thread_local AllocationCap* active_cap = nullptr;
SDL_malloc_func sdl_malloc;
SDL_calloc_func sdl_calloc;
SDL_realloc_func sdl_realloc;
SDL_free_func sdl_free;

void* capped_malloc(std::size_t size) { return active_cap && !active_cap->take(size) ? nullptr : sdl_malloc(size); }

void* capped_calloc(std::size_t count, std::size_t size) {
    if (active_cap && (size != 0 && count > SIZE_MAX / size)) return nullptr;
    return active_cap && !active_cap->take(count * size) ? nullptr : sdl_calloc(count, size);
}

void* capped_realloc(void* block, std::size_t size) {
    return active_cap && !active_cap->take(size) ? nullptr : sdl_realloc(block, size);
}

// The capped functions wrap SDL's own, so blocks allocated before they were
// installed are freed by the same free.
void install_capped_allocator() {
    static const bool installed = [] {
        SDL_GetOriginalMemoryFunctions(&sdl_malloc, &sdl_calloc, &sdl_realloc, &sdl_free);
        return SDL_SetMemoryFunctions(capped_malloc, capped_calloc, capped_realloc, sdl_free) == 0;
    }();
    (void)installed;
}

struct CapScope {
    explicit CapScope(AllocationCap& cap) { active_cap = &cap; }
    ~CapScope() { active_cap = nullptr; }
};

}  // namespace

std::uint64_t mixer_bytes_for_seconds(double seconds) {
    if (!(seconds > 0.0)) return 0;
    const int frequency = audio_format.frequency > 0 ? audio_format.frequency : 44100;
    const double bytes = std::ceil(seconds * frequency) * 4.0;
    return bytes >= 1.8e19 ? UINT64_MAX : static_cast<std::uint64_t>(bytes);
}

BoundedSound decode_sound_bounded(const void* bytes, std::size_t length, std::uint64_t max_bytes) {
    BoundedSound sound;
    if (length == 0 || length > static_cast<std::size_t>(INT_MAX)) return sound;
    install_capped_allocator();
    // The decoder's own state (a synthesizer, a stream) is allocated inside
    // the same call: a few MB above the sound itself.
    constexpr std::uint64_t kDecoderState = 16u << 20;
    AllocationCap cap{max_bytes + kDecoderState, max_bytes + kDecoderState};
    {
        CapScope scope(cap);
        sound.chunk = Mix_LoadWAV_RW(SDL_RWFromConstMem(bytes, static_cast<int>(length)), 1);
    }
    sound.cut = cap.refused;
    if (sound.chunk && sound.chunk->alen > max_bytes) sound.chunk->alen = static_cast<Uint32>(max_bytes & ~3ull);
    return sound;
}

double declared_sound_seconds(const void* bytes, std::size_t length) {
    if (length == 0 || length > static_cast<std::size_t>(INT_MAX)) return -1.0;
    Mix_Music* music = Mix_LoadMUS_RW(SDL_RWFromConstMem(bytes, static_cast<int>(length)), 1);
    if (!music) return -1.0;
    const double seconds = Mix_MusicDuration(music);
    Mix_FreeMusic(music);
    return std::isfinite(seconds) ? seconds : -1.0;
}

}  // namespace quillbarrow
