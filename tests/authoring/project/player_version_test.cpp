// Finding the version stamp in the player part of a packed file.

#include <gtest/gtest.h>

#include "document/resource_test_helpers.h"
#include "project/player_version.h"

namespace quillbarrow {

TEST(PlayerVersion, FoundWholeWhereverItSitsInThePlayerPartAndNowhereElse) {
    ScratchDirectory dir("player-version");
    const std::string stamp = std::string("QUILLBARROW-PLAYER-VERSION 1.2.3 (git abc)") + '\0';
    auto file_with = [&](std::size_t junk_before, const std::string& tail) {
        const auto path = dir.path() / ("f" + std::to_string(junk_before));
        put_file(path, std::string(junk_before, 'x') + tail);
        return path.string();
    };
    // Inside one read block, straddling the first block's end, and at the end.
    for (std::size_t before : {std::size_t{0}, std::size_t{(1 << 20) - 10}, std::size_t{3 << 20}}) {
        const std::string path = file_with(before, stamp + "payload");
        EXPECT_EQ(stamped_player_version(path, before + stamp.size()), "1.2.3 (git abc)") << before;
        // The payload is not searched: a stamp past the player part is not the player's.
        EXPECT_EQ(stamped_player_version(path, before), "") << before;
    }
    // No stamp, a stamp cut off by the end of the player part, one whose text is not
    // printable, and a missing file all tell nothing.
    EXPECT_EQ(stamped_player_version(file_with(100, "no stamp here"), 113), "");
    EXPECT_EQ(stamped_player_version(file_with(5, stamp), 5 + stamp.size() - 3), "");
    EXPECT_EQ(stamped_player_version(file_with(7, std::string("QUILLBARROW-PLAYER-VERSION \x01\x02") + '\0'), 40), "");
    EXPECT_EQ(stamped_player_version(file_with(9, "QUILLBARROW-PLAYER-VERSION " + std::string(5000, 'a')), 6000), "");
    EXPECT_EQ(stamped_player_version((dir.path() / "missing").string(), 100), "");
}

}  // namespace quillbarrow
