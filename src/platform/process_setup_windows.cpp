#ifdef _WIN32
#include "platform/process_setup.h"

#include <cstdio>

#include <windows.h>

#include <SDL.h>

namespace quillbarrow {

namespace {

// A handle that already leads somewhere (a file, a pipe, a console) stays:
// output piped or redirected by the caller must keep arriving there.
bool leads_somewhere(DWORD which) {
    HANDLE handle = GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

// A GUI executable gets no console of its own: when started from one, it
// borrows its parent's for whichever of standard output and error have no
// destination yet. Double-clicked, there is no parent console and nothing
// changes, so no console window ever appears.
void attach_parent_console() {
    const bool out_set = leads_somewhere(STD_OUTPUT_HANDLE), err_set = leads_somewhere(STD_ERROR_HANDLE);
    if (out_set && err_set) return;
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
    if (!out_set) std::freopen("CONOUT$", "w", stdout);
    if (!err_set && std::freopen("CONOUT$", "w", stderr)) std::setvbuf(stderr, nullptr, _IONBF, 0);
}

}  // namespace

void set_up_process() {
    attach_parent_console();
    SDL_SetMainReady();
}

}  // namespace quillbarrow
#endif
