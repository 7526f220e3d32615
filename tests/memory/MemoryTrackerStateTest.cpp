#include "foundation/MemoryTracker.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// A complaint, which the tracker logs.
void complain(MemoryTracker& tracker)
{
    int never = 0;
    tracker.release({"T.cpp", 1, "T::t"}, MemoryTracker::Delete, &never);
}

} // namespace

TEST(MemoryTrackerStateTest, FilesGoToTheStateFolderOfXdgOrHomeMadeWhenTheFirstIsWritten)
{
    TempDir dir;
    const std::string xdg = dir.path("xdg");
    const std::string home = dir.path("home");
    const std::string log = dir.path("cwd.log"); // the trackers keep the names by pointer
    const std::string report = dir.path("cwd-leaks.log");

    MemoryTracker fromXdg(log.c_str(), report.c_str());
    fromXdg.useStateDirectory(xdg.c_str(), home.c_str());
    EXPECT_FALSE(std::filesystem::exists(xdg)); // nothing written yet
    complain(fromXdg);
    EXPECT_TRUE(std::filesystem::exists(xdg + "/ruzi-zevivuvo/memory.log"));
    EXPECT_TRUE(fromXdg.writeLeakReport());
    EXPECT_TRUE(std::filesystem::exists(xdg + "/ruzi-zevivuvo/memleaks.log"));
    EXPECT_FALSE(std::filesystem::exists(log));

    // Unset or relative, XDG_STATE_HOME gives way to ~/.local/state.
    for (const char* stateHome : {static_cast<const char*>(nullptr), "", "relative/state"}) {
        MemoryTracker fromHome;
        fromHome.useStateDirectory(stateHome, home.c_str());
        complain(fromHome);
    }
    EXPECT_TRUE(std::filesystem::exists(home + "/.local/state/ruzi-zevivuvo/memory.log"));

    // With neither, the files stay where they were named.
    MemoryTracker nowhere(log.c_str(), report.c_str());
    nowhere.useStateDirectory(nullptr, nullptr);
    complain(nowhere);
    EXPECT_TRUE(std::filesystem::exists(log));
}
