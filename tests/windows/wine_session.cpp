#include "windows/wine_session.h"

#include <cstdio>
#include <cstdlib>
#include <cstdint>

#include "document/resource_test_helpers.h"
#include "support/test_environment.h"

namespace quillbarrow {

namespace windows_build {

std::filesystem::path player() { return std::filesystem::path(QB_WINDOWS_BUILD_DIR) / "quillbarrow-player.exe"; }
std::filesystem::path tool() { return std::filesystem::path(QB_WINDOWS_BUILD_DIR) / "quillbarrow.exe"; }

std::string missing() {
    if (!std::filesystem::exists(player()) || !std::filesystem::exists(tool()))
        return "no Windows build in " QB_WINDOWS_BUILD_DIR ": scripts/build-windows.sh makes it";
    if (!std::filesystem::exists(std::string(QB_WINE_PREFIX) + "/.ready"))
        return "no Wine prefix in " QB_WINE_PREFIX ": ctest's windows_wine_prefix step makes it";
    return "";
}

ProcessResult run(std::vector<std::string> argv, ProcessOptions options) {
    argv.insert(argv.begin(), "/usr/bin/wine");
    // The caller's settings come later and win.
    options.environment.insert(
        options.environment.begin(),
        {"WINEPREFIX=" QB_WINE_PREFIX, "WINEDEBUG=-all", "WINEDLLOVERRIDES=mscoree,mshtml=", "SDL_AUDIODRIVER=dummy"});
    return run_process(argv, options);
}

PrivatePrefix::PrivatePrefix() : path_(private_temp_path("wine-prefix")) {
    std::filesystem::remove_all(path_);
    // wineserver rewrites the registry files: those are real copies.
    const std::string command =
        "cp -al " QB_WINE_PREFIX " " + path_ + " && cp --remove-destination " QB_WINE_PREFIX "/*.reg " + path_ + "/";
    ok_ = std::system(command.c_str()) == 0;
}

PrivatePrefix::~PrivatePrefix() {
    const std::string command = "WINEPREFIX=" + path_ + " wineserver -k 2>/dev/null";
    int ignored = std::system(command.c_str());
    (void)ignored;
    std::error_code error;
    std::filesystem::remove_all(path_, error);
}

namespace {

std::uint32_t big_endian(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

}  // namespace

// xwd's format: a header of big-endian 32-bit fields, the colour map, then
// rows of pixels (32 bits each on a 24-bit Xvfb screen).
bool screen_pixel(const std::string& display, int x, int y, int rgb[3]) {
    const std::string shot = private_temp_path("screen.xwd");
    const std::string command = "xwd -root -silent -display " + display + " -out " + shot;
    if (std::system(command.c_str()) != 0) return false;
    const std::string bytes = file_bytes(shot);
    std::remove(shot.c_str());
    if (bytes.size() < 100) return false;
    const std::uint32_t header = big_endian(bytes, 0), width = big_endian(bytes, 16), height = big_endian(bytes, 20),
                        byte_order = big_endian(bytes, 28), bits = big_endian(bytes, 44), row = big_endian(bytes, 48),
                        colours = big_endian(bytes, 76);
    if (bits != 32 || x < 0 || y < 0 || static_cast<std::uint32_t>(x) >= width ||
        static_cast<std::uint32_t>(y) >= height)
        return false;
    const std::size_t at = header + colours * 12 + static_cast<std::size_t>(y) * row + static_cast<std::size_t>(x) * 4;
    if (at + 4 > bytes.size()) return false;
    auto byte = [&](int i) { return static_cast<unsigned char>(bytes[at + (byte_order == 0 ? i : 3 - i)]); };
    rgb[0] = byte(2);  // pixels are 0x00RRGGBB
    rgb[1] = byte(1);
    rgb[2] = byte(0);
    return true;
}

}  // namespace windows_build

}  // namespace quillbarrow
