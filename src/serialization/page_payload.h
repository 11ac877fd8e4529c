#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillbarrow {

// A production packed for the web is one HTML page: the web player's page
// with the payload (the bytes a native executable's trailer holds) as
// base64 inside the first element that opens with kPagePayloadOpening.
inline constexpr std::string_view kPagePayloadOpening =
    "<script id=\"quillbarrow-payload\" type=\"application/octet-stream\">";
inline constexpr std::string_view kPagePayloadClosing = "</script>";

// Whether text starts like an HTML document (a byte order mark and
// whitespace allowed before "<!doctype html" or "<html", in any case).
bool looks_like_page(std::string_view text);

enum class PagePayloadStatus { Found, Missing, BadEncoding };
struct PagePayload {
    PagePayloadStatus status = PagePayloadStatus::Missing;
    std::vector<std::uint8_t> bytes;
};
// The payload of a packed page: Missing without the element (the bare
// template holds it empty, which counts as missing too).
PagePayload payload_from_page(std::string_view page);
// The same from the element's text alone (what the page hands the player).
PagePayload payload_from_element_text(std::string_view text);

// The template with the payload put into its element, which must be there
// exactly once and empty; nullopt otherwise.
std::optional<std::string> page_with_payload(std::string_view template_page, const std::vector<std::uint8_t>& payload);

}  // namespace quillbarrow
