// ziv-play's command line and its play order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ziv-play/play_list.h"
#include "app/ziv-play/play_options.h"

namespace {

bool parse(std::vector<const char*> words, PlayOptions& o, std::string* error = nullptr) {
    words.insert(words.begin(), "ziv-play");
    std::string e;
    const bool ok = parsePlayOptions(static_cast<int>(words.size()), words.data(), o, &e);
    if (error) *error = e;
    return ok;
}

TEST(PlayOptions, FilesAndSwitches) {
    PlayOptions o;
    ASSERT_TRUE(parse({"a.mp3", "--loop", "--shuffle", "b.flac", "--window", "--mute", "--scale", "integer"}, o));
    EXPECT_EQ(o.files, (std::vector<std::string>{"a.mp3", "b.flac"}));
    EXPECT_TRUE(o.loop && o.shuffle && o.window && o.mute);
    EXPECT_FALSE(o.fill);
    EXPECT_FALSE(o.listen);
    ASSERT_TRUE(parse({"--scale=fit", "--", "--odd name.ogg", "-"}, o));
    EXPECT_TRUE(o.fill);   // also the default
    EXPECT_EQ(o.files, (std::vector<std::string>{"--odd name.ogg", "-"}));

    ASSERT_TRUE(parse({"--listen"}, o));
    EXPECT_TRUE(o.listen);
    EXPECT_EQ(o.source, "");
    ASSERT_TRUE(parse({"--listen", "alsa_output.pci.monitor", "--window"}, o));
    EXPECT_EQ(o.source, "alsa_output.pci.monitor");
    EXPECT_TRUE(o.window);
    ASSERT_TRUE(parse({"--listen=mic"}, o));
    EXPECT_EQ(o.source, "mic");
    ASSERT_TRUE(parse({"--version"}, o));   // needs no files
    EXPECT_TRUE(o.version);
    ASSERT_TRUE(parse({"-h"}, o));
    EXPECT_TRUE(o.help);
}

TEST(PlayOptions, BadCommandLinesAreRefusedWithAReason) {
    const std::vector<std::vector<const char*>> bad = {
        {}, {"--loop"}, {"--bogus", "a.mp3"}, {"--scale", "2", "a.mp3"}, {"a.mp3", "--scale"},
        {"--listen", "--window", "a.mp3"}, {"--listen", "--shuffle"}, {""},
    };
    for (const auto& words : bad) {
        PlayOptions o;
        std::string error;
        EXPECT_FALSE(parse(words, o, &error)) << (words.empty() ? "(nothing)" : words[0]);
        EXPECT_FALSE(error.empty());
    }
}

TEST(PlayList, GoesForwardAndBackAndAroundOnlyWhenLooping) {
    PlayList once({"a", "b", "c"}, false);
    EXPECT_EQ(once.current(), "a");
    once.previous();                  // at the first: stays
    EXPECT_EQ(once.current(), "a");
    EXPECT_TRUE(once.next());
    EXPECT_TRUE(once.next());
    EXPECT_EQ(once.current(), "c");
    EXPECT_FALSE(once.next());        // past the last: the show ends
    once.previous();
    EXPECT_EQ(once.current(), "b");

    PlayList looping({"a", "b"}, true);
    looping.previous();
    EXPECT_EQ(looping.current(), "b");
    EXPECT_TRUE(looping.next());
    EXPECT_EQ(looping.current(), "a");
}

TEST(PlayList, DroppingAFileMovesToTheNextOrEnds) {
    PlayList once({"a", "b", "c"}, false);
    ASSERT_TRUE(once.next());
    EXPECT_TRUE(once.dropCurrent());  // b gone: c is current
    EXPECT_EQ(once.current(), "c");
    EXPECT_EQ(once.size(), 2u);
    EXPECT_FALSE(once.dropCurrent()); // c was the last: nothing follows
    PlayList looping({"a", "b"}, true);
    ASSERT_TRUE(looping.next());
    EXPECT_TRUE(looping.dropCurrent());   // around to a
    EXPECT_EQ(looping.current(), "a");
    EXPECT_FALSE(looping.dropCurrent());  // none left
    EXPECT_TRUE(looping.empty());
}

TEST(PlayList, ShuffleKeepsEveryFileOnce) {
    std::vector<std::string> files;
    for (int i = 0; i < 50; ++i) files.push_back(std::to_string(i));
    PlayList list(files, false);
    list.shuffle(7);
    std::vector<std::string> seen{list.current()};
    while (list.next()) seen.push_back(list.current());
    EXPECT_NE(seen, files);
    std::sort(seen.begin(), seen.end());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(seen, files);
}

}  // namespace
