#include "foundation/KESOString.h"
#include "foundation/MemoryTracker.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <regex>
#include <sstream>
#include <thread>
#include <vector>

// This suite links the tracked operators: every new and delete here goes through the program's
// tracker, whose files move to a fresh folder while a test runs.

namespace {

std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class TrackedOperatorsTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string logPath = dir.path("memory.log");
    std::string reportPath = dir.path("memleaks.log");
    MemoryTracker& tracker = MemoryTracker::instance();

    void SetUp() override { tracker.setFiles(logPath.c_str(), reportPath.c_str()); }
    void TearDown() override { tracker.setFiles("memory.log", "memleaks.log"); }

    MemoryTracker::AllocationUnit unitOf(const void* block)
    {
        MemoryTracker::AllocationUnit unit{};
        EXPECT_TRUE(tracker.findUnit(block, unit)) << "not tracked";
        return unit;
    }

    // The leak report's row for a block: the table ends with the owner text.
    std::string reportRowOf(const void* block)
    {
        EXPECT_TRUE(tracker.writeLeakReport());
        std::string report = readText(reportPath);
        char address[24];
        std::snprintf(address, sizeof address, " 0x%016llX ", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(block)));
        std::size_t at = report.find(address);
        if (at == std::string::npos)
            return std::string();
        std::size_t start = report.rfind("\r\n", at) + 2;
        return report.substr(start, report.find("\r\n", at) - start);
    }
};

struct alignas(64) Wide {
    unsigned char bytes[100];
};

int handlerCalls = 0;

void giveUpOnThirdCall()
{
    if (++handlerCalls == 3)
        std::set_new_handler(nullptr);
}

} // namespace

TEST_F(TrackedOperatorsTest, NewAndDeleteCarryTheOwnerLabel)
{
    int before = tracker.liveUnits();
    KESO_OWNER("NSample::create"); const unsigned line = __LINE__;
    auto* frames = new short[5];
    MemoryTracker::AllocationUnit unit = unitOf(frames);
    EXPECT_STREQ(unit.sourceFile, "TrackedOperatorsTest.cpp");
    EXPECT_EQ(unit.sourceLine, line);
    EXPECT_STREQ(unit.sourceFunc, "NSample::create");
    EXPECT_EQ(unit.allocationType, MemoryTracker::NewArray);
    EXPECT_EQ(unit.reportedSize, 10u);
    EXPECT_EQ(tracker.liveUnits(), before + 1);

    auto* single = new int(7); // the label was used up by the first request
    EXPECT_STREQ(unitOf(single).sourceFunc, "??");
    EXPECT_EQ(unitOf(single).allocationType, MemoryTracker::New);
    delete single;
    delete[] frames;
    EXPECT_EQ(tracker.liveUnits(), before);

    void* empty = ::operator new(0);
    EXPECT_EQ(unitOf(empty).reportedSize, 1u);
    ::operator delete(empty);
}

TEST_F(TrackedOperatorsTest, OverAlignedObjectsAreAlignedAndTracked)
{
    int before = tracker.liveUnits();
    auto* wide = new Wide();
    auto* many = new Wide[3];
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(wide) % 64, 0u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(many) % 64, 0u);
    many[2].bytes[99] = 1;
    EXPECT_EQ(tracker.liveUnits(), before + 2);
    EXPECT_EQ(tracker.validateAll(), 0);
    delete[] many;
    delete wide;
    EXPECT_EQ(tracker.liveUnits(), before);
}

TEST_F(TrackedOperatorsTest, ExhaustedMemoryCallsTheHandlerThenThrowsBadAllocation)
{
    volatile std::size_t huge = std::size_t(1) << 40;
    std::new_handler previous = std::set_new_handler(nullptr);
    try {
        void* never = ::operator new(huge);
        ADD_FAILURE() << "no exception for " << never;
    } catch (const std::bad_alloc& e) {
        EXPECT_STREQ(e.what(), "bad allocation");
    }
    EXPECT_NE(readText(logPath).find("Request for allocation failed. Out of memory.\r\n"), std::string::npos);

    handlerCalls = 0;
    std::set_new_handler(giveUpOnThirdCall);
    EXPECT_THROW(static_cast<void>(::operator new[](huge)), std::bad_alloc);
    EXPECT_EQ(handlerCalls, 3);

    EXPECT_EQ(::operator new(huge, std::nothrow), nullptr);
    EXPECT_EQ(::operator new(huge, std::align_val_t(64), std::nothrow), nullptr);
    std::set_new_handler(previous);
}

TEST_F(TrackedOperatorsTest, StringLabelsReachTheLeakReport)
{
    String title(u"(untitled)");
    String path(u"a");
    path = u"/home/me/songs/groove.vdl"; // longer: reallocated by the assignment
    std::string row = reportRowOf(title.c_str());
    EXPECT_TRUE(std::regex_search(row, std::regex(R"( new\[\] .* KESOString\.cpp\(\d{5}\)::String::String$)"))) << row;
    row = reportRowOf(path.c_str());
    EXPECT_TRUE(std::regex_search(row, std::regex(R"( KESOString\.cpp\(\d{5}\)::String::operator=$)"))) << row;
}

TEST_F(TrackedOperatorsTest, TwoThreadsAllocatingAtOnceKeepTheHeapAndTheirLabels)
{
    auto work = [](const char* label, std::vector<int*>& kept) {
        for (int i = 0; i < 2000; ++i) {
            KESO_OWNER(label);
            int* block = new int[4]{i, i, i, i};
            if (i % 4 == 0)
                kept.push_back(block);
            else
                delete[] block;
        }
    };
    std::vector<int*> keptA, keptB;
    keptA.reserve(500);
    keptB.reserve(500);
    std::thread a(work, "NDelay::create", std::ref(keptA));
    std::thread b(work, "VandrelApp::onCreate", std::ref(keptB));
    a.join();
    b.join();

    EXPECT_EQ(tracker.validateAll(), 0); // also counts the units against the table
    for (int* block : keptA) {
        EXPECT_STREQ(unitOf(block).sourceFunc, "NDelay::create");
        delete[] block;
    }
    for (int* block : keptB) {
        EXPECT_STREQ(unitOf(block).sourceFunc, "VandrelApp::onCreate");
        delete[] block;
    }
    EXPECT_EQ(tracker.validateAll(), 0);
}

TEST(TrackedOperatorsRun, StartsWithAFreshLogAndEndsWithALeakReport)
{
    TempDir dir;
    {
        std::ofstream stale(dir.path("memory.log"));
        stale << "the previous run's messages";
    }
    std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::string command = "cd '" + dir.path("") + "' && '" + self + "' --gtest_filter=NoSuchTest >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.path("memory.log")));
    EXPECT_EQ(readText(dir.path("memleaks.log")).substr(0, 134), " " + std::string(130, '-') + " \r\n");
}
