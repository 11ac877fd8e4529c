#include "serialization/page_payload.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "serialization/byte_buffer.h"

namespace quillbarrow {

namespace {

bool is_space(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f'; }

bool starts_with_no_case(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
           });
}

}  // namespace

bool looks_like_page(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    while (!text.empty() && is_space(text.front())) text.remove_prefix(1);
    return starts_with_no_case(text, "<!doctype html") || starts_with_no_case(text, "<html");
}

PagePayload payload_from_page(std::string_view page) {
    PagePayload result;
    const std::size_t opening = page.find(kPagePayloadOpening);
    if (opening == std::string_view::npos) return result;
    const std::size_t start = opening + kPagePayloadOpening.size();
    const std::size_t end = page.find(kPagePayloadClosing, start);
    if (end == std::string_view::npos) {
        result.status = PagePayloadStatus::BadEncoding;
        return result;
    }
    return payload_from_element_text(page.substr(start, end - start));
}

PagePayload payload_from_element_text(std::string_view text) {
    PagePayload result;
    if (std::all_of(text.begin(), text.end(), is_space)) return result;
    try {
        const std::string bytes = base64_decode(text);
        result.bytes.assign(bytes.begin(), bytes.end());
        result.status = PagePayloadStatus::Found;
    } catch (const std::runtime_error&) {
        result.status = PagePayloadStatus::BadEncoding;
    }
    return result;
}

std::optional<std::string> page_with_payload(std::string_view template_page, const std::vector<std::uint8_t>& payload) {
    const std::string empty_element = std::string(kPagePayloadOpening) + std::string(kPagePayloadClosing);
    const std::size_t at = template_page.find(empty_element);
    if (at == std::string_view::npos || template_page.find(kPagePayloadOpening, at + 1) != std::string_view::npos)
        return std::nullopt;
    std::string page;
    const std::size_t insert_at = at + kPagePayloadOpening.size();
    page.reserve(template_page.size() + (payload.size() + 2) / 3 * 4);
    page.append(template_page.substr(0, insert_at));
    page.append(base64_encode(std::string_view(reinterpret_cast<const char*>(payload.data()), payload.size())));
    page.append(template_page.substr(insert_at));
    return page;
}

}  // namespace quillbarrow
