#include "app/NProgramOptions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>

using Action = NProgramOptions::Action;

TEST(NProgramOptionsTest, ASongIsTakenFromTheWorkingFolderOptionsEndTheRunAndRuziZoomSetsTheStartZoom)
{
    NProgramOptions none = NProgramOptions::parse({}, nullptr);
    EXPECT_EQ(none.action, Action::Run);
    EXPECT_EQ(none.song, "");
    NProgramOptions song = NProgramOptions::parse({"songs/a.vdl"}, nullptr);
    EXPECT_EQ(song.action, Action::Run);
    EXPECT_EQ(song.song, (std::filesystem::current_path() / "songs/a.vdl").string());
    EXPECT_EQ(NProgramOptions::parse({"/home/me/b.VDL"}, nullptr).song, "/home/me/b.VDL");
    EXPECT_EQ(NProgramOptions::parse({"--", "/x/-dash.vdl"}, nullptr).song, "/x/-dash.vdl");
    EXPECT_EQ(NProgramOptions::parse({"a.vdl", "--help"}, nullptr).action, Action::Help);
    EXPECT_EQ(NProgramOptions::parse({"--version"}, nullptr).action, Action::Version);
    NProgramOptions unknown = NProgramOptions::parse({"--zoom=2"}, nullptr);
    EXPECT_EQ(unknown.action, Action::BadUsage);
    EXPECT_EQ(unknown.error, "unknown option --zoom=2");
    EXPECT_EQ(NProgramOptions::parse({"/a.vdl", "/b.vdl"}, nullptr).action, Action::BadUsage);
    // RUZI_ZOOM fixes the start zoom when it names one of the three.
    for (auto [value, zoom] : {std::pair<const char*, int>{nullptr, 0}, {"1", 1}, {"4", 4}, {"", 0}, {"3", 0}, {"8", 0},
                               {"2x", 0}, {"-1", 0}})
        EXPECT_EQ(NProgramOptions::parse({}, value).zoom, zoom) << (value ? value : "unset");
}
