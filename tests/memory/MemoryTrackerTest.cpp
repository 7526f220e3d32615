#include "foundation/MemoryTracker.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> readLines(const std::string& path)
{
    std::string text = readText(path);
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

int countOf(const std::string& text, const std::string& needle)
{
    int n = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1))
        ++n;
    return n;
}

// A tracker of the test's own, with its files in a fresh folder.
class MemoryTrackerTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string logPath = dir.path("memory.log");
    std::string reportPath = dir.path("memleaks.log");
    MemoryTracker tracker{logPath.c_str(), reportPath.c_str()};

    unsigned char* allocate(std::size_t size, MemoryTracker::AllocationType type = MemoryTracker::New)
    {
        return static_cast<unsigned char*>(tracker.allocate({"C:\\src\\audio\\NSample.cpp", 32, "NSample::create"}, type, size));
    }

    void release(void* block) { tracker.release({"NSample.cpp", 40, "NSample::destroy"}, MemoryTracker::Delete, block); }

    std::vector<std::string> report()
    {
        EXPECT_TRUE(tracker.writeLeakReport());
        return readLines(reportPath);
    }
};

} // namespace

TEST(MemoryTrackerTexts, NumbersSizesAndOwners)
{
    char number[MemoryTracker::NumberTextSize];
    MemoryTracker::formatNumber(number, 0);
    EXPECT_STREQ(number, "0");
    MemoryTracker::formatNumber(number, 1234567);
    EXPECT_STREQ(number, "1,234,567");
    MemoryTracker::formatNumber(number, 4294967295u);
    EXPECT_STREQ(number, "4,294,967,295");

    char size[MemoryTracker::SizeTextSize];
    MemoryTracker::formatSize(size, 1536);
    EXPECT_STREQ(size, "     1,536 (   1.50K)");
    MemoryTracker::formatSize(size, 1024);
    EXPECT_STREQ(size, "     1,024 bytes     ");
    MemoryTracker::formatSize(size, 4294967295u);
    EXPECT_STREQ(size, "4,294,967,295 (4096.00M)");

    char owner[MemoryTracker::OwnerTextSize];
    MemoryTracker::formatOwner(owner, "C:\\src\\audio\\NSample.cpp", 32, "NSample::create");
    EXPECT_STREQ(owner, "NSample.cpp(00032)::NSample::create");
    MemoryTracker::formatOwner(owner, nullptr, 0, nullptr);
    EXPECT_STREQ(owner, "?\?(00000)::??");
    std::string longName(200, 'x');
    MemoryTracker::formatOwner(owner, longName.c_str(), 4000000000u, longName.c_str());
    EXPECT_EQ(std::strlen(owner), 90u);
}

TEST_F(MemoryTrackerTest, TenByteRequestSitsBetweenGuardsInAFilledBlock)
{
    unsigned char* p = allocate(10);
    MemoryTracker::AllocationUnit unit;
    ASSERT_TRUE(tracker.findUnit(p, unit));
    EXPECT_EQ(unit.actualSize, 42u);
    EXPECT_EQ(unit.reportedSize, 10u);
    EXPECT_EQ(static_cast<unsigned char*>(unit.actualAddress) + 16, p);
    EXPECT_STREQ(unit.sourceFile, "NSample.cpp");
    EXPECT_STREQ(unit.sourceFunc, "NSample::create");
    EXPECT_EQ(unit.allocationNumber, 1u);

    const unsigned char filled[10] = {0xCE, 0xFA, 0xED, 0xFE, 0xCE, 0xFA, 0xED, 0xFE, 0xCE, 0xFA};
    const unsigned char postfix[4] = {0xDE, 0xC0, 0xAD, 0xDE};
    const unsigned char prefix[4] = {0x0D, 0xF0, 0xAD, 0xBA};
    EXPECT_EQ(std::memcmp(p, filled, 10), 0);
    EXPECT_EQ(std::memcmp(p + 10, postfix, 4), 0);
    EXPECT_EQ(std::memcmp(p - 4, prefix, 4), 0);
    release(p);
    EXPECT_EQ(tracker.liveUnits(), 0);

    unsigned char* cleared = allocate(10, MemoryTracker::Calloc);
    EXPECT_EQ(std::memcmp(cleared, "\0\0\0\0\0\0\0\0\0\0", 10), 0);
    EXPECT_EQ(std::memcmp(cleared + 10, postfix, 4), 0);
    release(cleared);
}

TEST_F(MemoryTrackerTest, ValidationReportsEachDamagedGuardWord)
{
    unsigned char* overrun = allocate(10);
    unsigned char* underrun = allocate(16);
    unsigned char* intact = allocate(3);
    overrun[10] = 0;                 // one byte past the end: the first postfix word
    std::memset(overrun + 14, 0, 4); // and across into the second
    underrun[-1] = 0;

    // Releasing checks nothing: only validation sees the damage.
    release(intact);
    EXPECT_FALSE(std::ifstream(logPath).good());

    EXPECT_EQ(tracker.validateAll(), 2);
    std::string log = readText(logPath);
    EXPECT_EQ(countOf(log, "A memory allocation unit was corrupt because of an overrun:\r\n"), 2);
    EXPECT_EQ(countOf(log, "A memory allocation unit was corrupt because of an underrun:\r\n"), 1);
    EXPECT_NE(log.find("  Size (reported)   : 0x0000000A (        10 bytes     )\r\n"), std::string::npos);
    EXPECT_NE(log.find("  Owner             : NSample.cpp(32)::NSample::create\r\n"), std::string::npos);
    EXPECT_EQ(readLines(logPath).back(),
              "While validting all allocation units, 2 allocation unit(s) were found to have problems");
    release(overrun);
    release(underrun);
    EXPECT_EQ(tracker.validateAll(), 0);
}

TEST_F(MemoryTrackerTest, BadRequestsAreLoggedAndChangeNothing)
{
    {
        std::ofstream stale(logPath);
        stale << "the previous run's messages";
    }
    unsigned char* p = allocate(8);
    release(p + 4);
    release(nullptr); // like free(NULL): nothing to say
    EXPECT_EQ(allocate(std::size_t(1) << 32), nullptr); // sizes are kept in 32 bits
    EXPECT_EQ(readText(logPath), "Request to deallocate RAM that was never allocated\r\n"
                                 "Request for allocation failed. Out of memory.\r\n");
    EXPECT_EQ(tracker.liveUnits(), 1);
    EXPECT_EQ(tracker.validateAll(), 0);
    release(p);
    EXPECT_EQ(tracker.liveUnits(), 0);
}

TEST_F(MemoryTrackerTest, LeakReportWithoutLeaksReturnsTheTrackersOwnMemory)
{
    release(allocate(10));
    ASSERT_EQ(tracker.reservoirCount(), 1);
    std::vector<std::string> lines = report();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], " " + std::string(130, '-') + " ");
    EXPECT_EQ(lines[1].size(), 132u);
    EXPECT_EQ(lines[1].substr(0, 68), "|                                          Memory leak report for:  ");
    EXPECT_EQ(lines[2], lines[0]);
    EXPECT_EQ(lines[3] + lines[4], "");
    EXPECT_EQ(lines[5], "Congratulations! No memory leaks found!");
    EXPECT_EQ(lines[6], "");
    EXPECT_EQ(tracker.reservoirCount(), 0);

    // The tracker keeps working after giving its reservoirs back.
    unsigned char* p = allocate(4);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(tracker.reservoirCount(), 1);
    release(p);
}

TEST_F(MemoryTrackerTest, LeakReportListsEveryLiveBlock)
{
    unsigned char* p = allocate(10);
    std::vector<std::string> lines = report();
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[5], "1 memory leak found:");
    EXPECT_EQ(lines[9].substr(0, 26), "------ ------------------ ");
    char row[200];
    std::snprintf(row, sizeof row, "000001 0x%016llX 0x0000000A 0x%016llX 0x0000002A 0x00000008 new         N       N    "
                  "NSample.cpp(00032)::NSample::create",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(p)),
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(p - 16)));
    EXPECT_EQ(lines[10], row);

    p[0] = 1; // a word written is no longer unused
    allocate(1536);
    allocate(2);
    lines = report();
    EXPECT_EQ(lines[5], "3 memory leaks found:");
    ASSERT_EQ(lines.size(), 13u);
    unsigned previousBucket = 0;
    for (std::size_t i = 10; i < lines.size(); ++i) {
        std::uintptr_t address = std::stoull(lines[i].substr(9, 16), nullptr, 16);
        EXPECT_GE((address >> 4) & 4095, previousBucket) << "rows go bucket by bucket";
        previousBucket = (address >> 4) & 4095;
        if (address == reinterpret_cast<std::uintptr_t>(p)) {
            EXPECT_EQ(lines[i].substr(56, 22), "0x0000002A 0x00000004 ") << lines[i];
        }
    }
}

TEST_F(MemoryTrackerTest, AfterTheEndOfTheProgramEveryReleaseRewritesTheReport)
{
    void* a = allocate(4);
    void* b = allocate(4);
    tracker.reportLeaksAtExit();
    EXPECT_EQ(readLines(reportPath)[5], "2 memory leaks found:");
    release(a);
    EXPECT_EQ(readLines(reportPath)[5], "1 memory leak found:");
    release(b);
    EXPECT_EQ(readLines(reportPath)[5], "Congratulations! No memory leaks found!");
}

TEST_F(MemoryTrackerTest, ReservoirGrowsPastItsFirst256Units)
{
    std::vector<unsigned char*> blocks;
    for (int i = 0; i < 300; ++i) {
        blocks.push_back(allocate(i + 1));
        std::memset(blocks.back(), i, i + 1);
    }
    EXPECT_EQ(tracker.reservoirCount(), 2);
    EXPECT_EQ(tracker.liveUnits(), 300);
    EXPECT_EQ(tracker.validateAll(), 0);
    EXPECT_EQ(report().size(), 310u);
    for (int i = 0; i < 300; ++i) {
        EXPECT_EQ(blocks[i][i], static_cast<unsigned char>(i));
        release(blocks[i]);
    }
    EXPECT_EQ(tracker.liveUnits(), 0);
    EXPECT_FALSE(std::ifstream(logPath).good());
}

TEST_F(MemoryTrackerTest, LoggingEveryRequestNamesOwnerTypeAndSize)
{
    tracker.setLogEveryRequest(true);
    release(allocate(1536));
    std::vector<std::string> lines = readLines(logPath);
    ASSERT_EQ(lines.size(), 3u);
    auto padded = [](std::string text) { return text + std::string(40 - text.size(), ' '); };
    EXPECT_EQ(lines[0], "00001 " + padded("NSample.cpp(00032)::NSample::create") + "      new            :      1,536 (   1.50K)");
    EXPECT_EQ(lines[1].substr(0, 69), std::string(65, ' ') + "OK: ");
    EXPECT_EQ(lines[2].substr(0, 56), "      " + padded("NSample.cpp(00040)::NSample::destroy") + "   delete(");
}
