#include "video/wav_file.h"

#include <cstdio>
#include <memory>

namespace quillbarrow {

namespace {

void put_u32(unsigned char* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}

void put_u16(unsigned char* at, std::uint16_t value) {
    at[0] = static_cast<unsigned char>(value);
    at[1] = static_cast<unsigned char>(value >> 8);
}

}  // namespace

bool save_stereo_wav(const std::string& path, const std::vector<std::int16_t>& samples, int frequency,
                     std::string* error) {
    const std::uint64_t data_bytes = samples.size() * 2;
    if (data_bytes > 0xFFFFFFFFull - 36) {
        if (error) *error = path + ": the sound is too long for a WAV file";
        return false;
    }
    unsigned char header[44] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
    put_u32(header + 4, static_cast<std::uint32_t>(36 + data_bytes));
    put_u32(header + 16, 16);
    put_u16(header + 20, 1);  // PCM
    put_u16(header + 22, 2);
    put_u32(header + 24, static_cast<std::uint32_t>(frequency));
    put_u32(header + 28, static_cast<std::uint32_t>(frequency) * 4);
    put_u16(header + 32, 4);
    put_u16(header + 34, 16);
    header[36] = 'd', header[37] = 'a', header[38] = 't', header[39] = 'a';
    put_u32(header + 40, static_cast<std::uint32_t>(data_bytes));

    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
    bool written = file && std::fwrite(header, 1, sizeof header, file.get()) == sizeof header;
    // The samples are little-endian on every machine we build for.
    written = written && std::fwrite(samples.data(), 2, samples.size(), file.get()) == samples.size();
    written = file && std::fclose(file.release()) == 0 && written;
    if (!written && error) *error = "cannot write " + path;
    return written;
}

}  // namespace quillbarrow
