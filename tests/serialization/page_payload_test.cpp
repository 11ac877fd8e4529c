#include <gtest/gtest.h>

#include <fstream>

#include "serialization/content_trailer.h"
#include "serialization/page_payload.h"
#include "support/test_environment.h"

namespace quillbarrow {

namespace {

std::vector<std::uint8_t> bytes_of(const std::string& text) { return {text.begin(), text.end()}; }

const std::string kTemplate = std::string("<!DOCTYPE html>\n<html><body>") + std::string(kPagePayloadOpening) +
                              std::string(kPagePayloadClosing) + "<script>var player;</script></body></html>\n";

}  // namespace

TEST(PagePayload, PagesAreToldFromExecutablesByTheirStart) {
    EXPECT_TRUE(looks_like_page("<!doctype html><html>"));
    EXPECT_TRUE(looks_like_page("\xEF\xBB\xBF  \n<HTML lang=en>"));
    EXPECT_FALSE(looks_like_page("\x7F"
                                 "ELF<!doctype html>"));
    EXPECT_FALSE(looks_like_page("MZ"));
    EXPECT_FALSE(looks_like_page(""));
}

TEST(PagePayload, PackedPageGivesBackThePayload) {
    std::vector<std::uint8_t> payload;
    for (int i = 0; i < 256; ++i) payload.push_back(static_cast<std::uint8_t>(255 - i));
    const auto page = page_with_payload(kTemplate, payload);
    ASSERT_TRUE(page);
    for (std::size_t length = 0; length < 4; ++length) {
        const std::vector<std::uint8_t> part(payload.begin(), payload.begin() + length);
        EXPECT_EQ(payload_from_page(*page_with_payload(kTemplate, part)).bytes, part) << length;
    }
    // The template is kept around the element, byte for byte.
    EXPECT_EQ(page->rfind("<!DOCTYPE html>\n<html><body>", 0), 0u);
    EXPECT_NE(page->find("</script><script>var player;</script></body></html>\n"), std::string::npos);
    const PagePayload found = payload_from_page(*page);
    EXPECT_EQ(found.status, PagePayloadStatus::Found);
    EXPECT_EQ(found.bytes, payload);

    // The bare template, a page without the element: nothing to play.
    EXPECT_EQ(payload_from_page(kTemplate).status, PagePayloadStatus::Missing);
    EXPECT_EQ(payload_from_page("<!doctype html><p>hello").status, PagePayloadStatus::Missing);
    // A damaged element is not taken for a missing one.
    const std::string opening(kPagePayloadOpening);
    EXPECT_EQ(payload_from_page(opening + "AAAA").status, PagePayloadStatus::BadEncoding);
    EXPECT_EQ(payload_from_page(opening + "AA!A</script>").status, PagePayloadStatus::BadEncoding);
}

TEST(PagePayload, OnlyATemplateWithOneEmptyElementIsFilled) {
    EXPECT_FALSE(page_with_payload("<!doctype html><p>not a player", {1}));
    const auto packed = page_with_payload(kTemplate, {1, 2, 3});
    ASSERT_TRUE(packed);
    // A page already packed is not a template.
    EXPECT_FALSE(page_with_payload(*packed, {4}));
    EXPECT_FALSE(page_with_payload(kTemplate + kTemplate, {4}));
}

// The tools read a packed page as they read a packed executable.
TEST(PagePayload, ReadPayloadAcceptsAPackedPage) {
    const std::string path = private_temp_path("packed.html");
    std::ofstream(path, std::ios::binary) << *page_with_payload(kTemplate, bytes_of("the payload"));
    PayloadRead read = read_payload(path);
    EXPECT_EQ(read.status, TrailerStatus::Found);
    EXPECT_EQ(read.bytes, bytes_of("the payload"));

    std::ofstream(path, std::ios::binary | std::ios::trunc)
        << "<!doctype html>" << kPagePayloadOpening << "A=A=</script>";
    EXPECT_EQ(read_payload(path).status, TrailerStatus::BadEncoding);
    // The element's text inside something that is no page is not looked at.
    std::ofstream(path, std::ios::binary | std::ios::trunc) << "\x7F"
                                                               "ELF"
                                                            << kPagePayloadOpening << "QUJD</script>";
    EXPECT_EQ(read_payload(path).status, TrailerStatus::Missing);
}

}  // namespace quillbarrow
