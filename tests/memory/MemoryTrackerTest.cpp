#include "engine/NSeqTrack.h"
#include "foundation/MemoryTracker.h"
#include "tests/support/CommandRun.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <regex>
#include <thread>
#include <tuple>
#include <vector>

namespace {

std::vector<std::string> readLines(const std::string& path)
{
    std::string text = readText(path);
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

std::string hex(const void* address)
{
    char text[24];
    const auto value = static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(address));
    std::snprintf(text, sizeof text, "0x%016llX", value);
    return text;
}

class TrackerFiles : public ::testing::Test {
protected:
    TempDir dir;
    std::string logPath = dir.path("memory.log");
    std::string reportPath = dir.path("memleaks.log");
};

// A tracker of the test's own.
class MemoryTrackerTest : public TrackerFiles {
protected:
    MemoryTracker tracker{logPath.c_str(), reportPath.c_str()};
    unsigned char* allocate(std::size_t size)
    {
        return static_cast<unsigned char*>(
            tracker.allocate({"C:\\src\\audio\\NSample.cpp", 32, "NSample::create"}, MemoryTracker::New, size));
    }
    void release(void* p) { tracker.release({"NSample.cpp", 40, "NSample::destroy"}, MemoryTracker::Delete, p); }
};

// The program's tracker, fed by the tracked operators that this suite links.
class TrackedOperatorsTest : public TrackerFiles {
protected:
    MemoryTracker& tracker = MemoryTracker::instance();
    void SetUp() override { tracker.setFiles(logPath.c_str(), reportPath.c_str()); }
    void TearDown() override { tracker.setFiles("memory.log", "memleaks.log"); }
    MemoryTracker::AllocationUnit unitOf(const void* block)
    {
        MemoryTracker::AllocationUnit unit{};
        EXPECT_TRUE(tracker.findUnit(block, unit)) << "not tracked";
        return unit;
    }
};

} // namespace

TEST_F(MemoryTrackerTest, GuardWordsCatchOverrunsAndUnderrunsAndBadRequestsAreLogged)
{
    std::ofstream(logPath) << "the previous run's messages";
    unsigned char* overrun = allocate(10);
    // The prefix's last word, the fill, the first postfix word.
    const unsigned char bytes[] = {0x0D, 0xF0, 0xAD, 0xBA, 0xCE, 0xFA, 0xED, 0xFE, 0xCE,
                                   0xFA, 0xED, 0xFE, 0xCE, 0xFA, 0xDE, 0xC0, 0xAD, 0xDE};
    EXPECT_EQ(std::memcmp(overrun - 4, bytes, sizeof bytes), 0);
    unsigned char* underrun = allocate(16);
    overrun[10] = 0;                 // one byte past the end: the first postfix word
    std::memset(overrun + 14, 0, 4); // and across into the second
    underrun[-1] = 0;
    release(allocate(3)); // releasing checks nothing: only validation sees the damage
    release(nullptr);     // like free(NULL): nothing to say
    release(overrun + 4);
    EXPECT_EQ(allocate(std::size_t(1) << 32), nullptr); // sizes are kept in 32 bits
    EXPECT_EQ(readText(logPath), "Request to deallocate RAM that was never allocated\r\n"
                                 "Request for allocation failed. Out of memory.\r\n");
    EXPECT_EQ(tracker.liveUnits(), 2);
    EXPECT_EQ(tracker.validateAll(), 2);
    const std::vector<std::string> log = readLines(logPath);
    EXPECT_EQ(std::count(log.begin(), log.end(), "A memory allocation unit was corrupt because of an overrun:"), 2);
    EXPECT_EQ(std::count(log.begin(), log.end(), "A memory allocation unit was corrupt because of an underrun:"), 1);
    EXPECT_EQ(std::count(log.begin(), log.end(), "  Owner             : NSample.cpp(32)::NSample::create"), 3);
    EXPECT_EQ(log.back(), "While validting all allocation units, 2 allocation unit(s) were found to have problems");
}

TEST_F(MemoryTrackerTest, LeakReportListsEveryLiveBlockUntilNoneIsLeft)
{
    char size[MemoryTracker::SizeTextSize]; // in both units above a kilobyte
    MemoryTracker::formatSize(size, 1536);
    EXPECT_STREQ(size, "     1,536 (   1.50K)");
    unsigned char* p = allocate(10);
    ASSERT_TRUE(tracker.writeLeakReport());
    std::vector<std::string> lines = readLines(reportPath);
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[0], " " + std::string(130, '-') + " ");
    EXPECT_EQ(lines[1].substr(0, 68), "|                                          Memory leak report for:  ");
    EXPECT_EQ(lines[5], "1 memory leak found:");
    EXPECT_EQ(lines[10], "000001 " + hex(p) + " 0x0000000A " + hex(p - 16) +
                             " 0x0000002A 0x00000008 new         N       N    NSample.cpp(00032)::NSample::create");
    p[0] = 1; // a word written is no longer unused
    std::vector<unsigned char*> more; // past the first reservoir's 256 units
    for (int i = 1; i < 300; ++i)
        std::memset(more.emplace_back(allocate(i)), i, i);
    EXPECT_EQ(tracker.reservoirCount(), 2);
    tracker.reportLeaksAtExit(); // from now on every release rewrites the report
    lines = readLines(reportPath);
    EXPECT_EQ(lines.size(), 310u);
    EXPECT_EQ(lines[5], "300 memory leaks found:");
    EXPECT_NE(readText(reportPath).find(hex(p - 16) + " 0x0000002A 0x00000004 new "), std::string::npos);
    for (int i = 1; i < 300; ++i) {
        EXPECT_EQ(more[i - 1][i - 1], static_cast<unsigned char>(i));
        release(more[i - 1]);
    }
    release(p);
    EXPECT_TRUE(readText(reportPath).ends_with(" \r\n\r\n\r\nCongratulations! No memory leaks found!\r\n\r\n"));
    EXPECT_EQ(tracker.reservoirCount(), 0); // with nothing live the tracker's own blocks go too
    EXPECT_NE(allocate(4), nullptr);
    EXPECT_EQ(tracker.reservoirCount(), 1);
    EXPECT_FALSE(std::ifstream(logPath).good());
}

// Labels also hold with two threads allocating at once, and the heap stays whole.
TEST_F(TrackedOperatorsTest, OwnerLabelsReachTheUnitsAndTheLeakReportFromEveryThread)
{
    const int before = tracker.liveUnits();
    KESO_OWNER("NSample::create"); const unsigned line = __LINE__;
    auto* frames = new short[5];
    auto* single = new int(7);
    const MemoryTracker::AllocationUnit unit = unitOf(frames);
    EXPECT_EQ(std::tuple(std::string(unit.sourceFile), unit.sourceLine, std::string(unit.sourceFunc)),
              std::tuple("MemoryTrackerTest.cpp", line, "NSample::create"));
    EXPECT_STREQ(unitOf(single).sourceFunc, "??"); // the first request used the label up
    void* wide = ::operator new(100, std::align_val_t(64));
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(wide) % 64, 0u);
    ::operator delete(wide, std::align_val_t(64));
    delete single;
    delete[] frames;
    EXPECT_EQ(tracker.liveUnits(), before);
    NSeqTrack track; // an engine object: its events carry the track's label
    track.addEventLast(64, 1, 5);
    ASSERT_TRUE(tracker.writeLeakReport());
    std::regex row(R"( new .* NSeqTrack\.cpp\(\d{5}\)::NSeqTrack::addEvent)");
    EXPECT_TRUE(std::regex_search(readText(reportPath), row));
    const char* labels[2] = {"NDelay::create", "VandrelApp::onCreate"};
    std::vector<int*> kept[2];
    auto work = [&](int t) {
        for (int i = 0; i < 2000; ++i) {
            KESO_OWNER(labels[t]);
            int* block = new int[4]{i, i, i, i};
            i % 4 ? delete[] block : kept[t].push_back(block);
        }
    };
    { std::jthread a(work, 0), b(work, 1); } // joined at the brace
    EXPECT_EQ(tracker.validateAll(), 0); // also counts the units against the table
    for (int t = 0; t < 2; ++t)
        for (int* block : kept[t]) {
            EXPECT_STREQ(unitOf(block).sourceFunc, labels[t]);
            delete[] block;
        }
}

TEST_F(TrackedOperatorsTest, ExhaustedMemoryCallsTheHandlerThenThrowsBadAllocation)
{
    volatile std::size_t huge = std::size_t(1) << 40;
    static int handlerCalls = 0;
    std::new_handler previous = std::set_new_handler([] { if (++handlerCalls == 3) std::set_new_handler(nullptr); });
    try {
        void* never = ::operator new[](huge);
        ADD_FAILURE() << "no exception for " << never;
    } catch (const std::bad_alloc& e) {
        EXPECT_STREQ(e.what(), "bad allocation");
    }
    EXPECT_EQ(handlerCalls, 3);
    EXPECT_EQ(::operator new(huge, std::nothrow), nullptr);
    std::set_new_handler(previous);
}

// The program's files go to $XDG_STATE_HOME/ruzi-zevivuvo, or to ~/.local/state/ruzi-zevivuvo when
// that is unset or relative; the folder is made for the report, and every run starts a fresh log.
TEST(TrackedOperatorsRun, StartsWithAFreshLogAndEndsWithALeakReportInTheStateFolder)
{
    TempDir dir;
    const std::string self = "'" + std::filesystem::read_symlink("/proc/self/exe").string() + "' --gtest_filter=None";
    for (auto [environment, state] :
         {std::pair{"XDG_STATE_HOME='" + dir.path("state") + "' ", dir.path("state/ruzi-zevivuvo")},
          {"XDG_STATE_HOME=relative HOME='" + dir.path("home") + "' ", dir.path("home/.local/state/ruzi-zevivuvo")},
          {"env -u XDG_STATE_HOME HOME='" + dir.path("home2") + "' ", dir.path("home2/.local/state/ruzi-zevivuvo")}}) {
        ASSERT_EQ(CommandRun::run(environment + self, dir.path("")).status, 0) << environment;
        std::ofstream(state + "/memory.log") << "the previous run's messages";
        ASSERT_EQ(CommandRun::run(environment + self, dir.path("")).status, 0);
        EXPECT_FALSE(std::filesystem::exists(state + "/memory.log")) << environment;
        EXPECT_EQ(readText(state + "/memleaks.log").substr(0, 134), " " + std::string(130, '-') + " \r\n");
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path("memleaks.log")));
}
