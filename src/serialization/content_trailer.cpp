#include "serialization/content_trailer.h"

#include <cstring>
#include <string_view>

namespace quillbarrow {

namespace {

std::int64_t file_size(std::FILE* stream) {
    if (std::fseek(stream, 0, SEEK_END) != 0) return -1;
    return std::ftell(stream);
}

// A page carries its payload as text: the whole file is read once it
// starts like HTML.
PayloadRead read_page_payload(std::FILE* stream) {
    PayloadRead result;
    char head[64] = {};
    if (std::fseek(stream, 0, SEEK_SET) != 0) return result;
    const std::size_t head_length = std::fread(head, 1, sizeof head, stream);
    if (!looks_like_page(std::string_view(head, head_length))) return result;
    const std::int64_t size = file_size(stream);
    if (size < 0 || std::fseek(stream, 0, SEEK_SET) != 0) return result;
    std::string page(static_cast<std::size_t>(size), '\0');
    if (std::fread(page.data(), 1, page.size(), stream) != page.size()) return result;
    return payload_read_of(payload_from_page(page));
}

}  // namespace

PayloadRead payload_read_of(PagePayload page) {
    PayloadRead result;
    if (page.status == PagePayloadStatus::BadEncoding) result.status = TrailerStatus::BadEncoding;
    if (page.status == PagePayloadStatus::Found) {
        result.status = TrailerStatus::Found;
        result.bytes = std::move(page.bytes);
    }
    return result;
}

PayloadLocation locate_payload(std::FILE* stream) {
    PayloadLocation where;
    std::int64_t size = file_size(stream);
    if (size < 8) return where;
    unsigned char magic[4];
    if (std::fseek(stream, -4, SEEK_END) != 0 || std::fread(magic, 1, 4, stream) != 4) return where;
    if (std::memcmp(magic, kTrailerMagic, 4) != 0) return where;
    unsigned char raw[4];
    if (std::fseek(stream, -8, SEEK_END) != 0 || std::fread(raw, 1, 4, stream) != 4) return where;
    std::uint32_t length = raw[0] | (raw[1] << 8) | (raw[2] << 16) | (static_cast<std::uint32_t>(raw[3]) << 24);
    if (static_cast<std::int64_t>(length) + 8 > size || length > 0x7FFFFFFFu - 8) {
        where.status = TrailerStatus::BadLength;
        return where;
    }
    where.offset = static_cast<std::uint64_t>(size - 8 - length);
    where.length = length;
    if (std::fseek(stream, static_cast<long>(where.offset), SEEK_SET) != 0) {
        where.status = TrailerStatus::BadLength;
        return where;
    }
    where.status = TrailerStatus::Found;
    return where;
}

PayloadRead read_payload(const std::string& path) {
    PayloadRead result;
    std::FILE* stream = std::fopen(path.c_str(), "rb");
    if (!stream) return result;
    PayloadLocation where = locate_payload(stream);
    result.status = where.status;
    if (where.status == TrailerStatus::Found) {
        result.bytes.resize(where.length);
        if (where.length > 0 && std::fread(result.bytes.data(), 1, where.length, stream) != where.length) {
            result.status = TrailerStatus::BadLength;
            result.bytes.clear();
        }
    }
    if (where.status == TrailerStatus::Missing) result = read_page_payload(stream);
    std::fclose(stream);
    return result;
}

bool append_payload(std::FILE* stream, const std::vector<std::uint8_t>& payload) {
    std::uint32_t length = static_cast<std::uint32_t>(payload.size());
    unsigned char raw[4] = {static_cast<unsigned char>(length), static_cast<unsigned char>(length >> 8),
                            static_cast<unsigned char>(length >> 16), static_cast<unsigned char>(length >> 24)};
    return (payload.empty() || std::fwrite(payload.data(), 1, payload.size(), stream) == payload.size()) &&
           std::fwrite(raw, 1, 4, stream) == 4 && std::fwrite(kTrailerMagic, 1, 4, stream) == 4;
}

}  // namespace quillbarrow
