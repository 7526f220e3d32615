#include "foundation/MemoryTracker.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>
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

    std::vector<std::string> leakRows()
    {
        EXPECT_TRUE(tracker.writeLeakReport());
        std::vector<std::string> lines = readLines(reportPath);
        return lines.size() > 10 ? std::vector<std::string>(lines.begin() + 10, lines.end()) : std::vector<std::string>();
    }
};

} // namespace

TEST(MemoryTrackerTexts, NumbersSizesAndOwners)
{
    char number[MemoryTracker::NumberTextSize];
    MemoryTracker::formatNumber(number, 0);
    EXPECT_STREQ(number, "0");
    MemoryTracker::formatNumber(number, 999);
    EXPECT_STREQ(number, "999");
    MemoryTracker::formatNumber(number, 1234567);
    EXPECT_STREQ(number, "1,234,567");
    MemoryTracker::formatNumber(number, 4294967295u);
    EXPECT_STREQ(number, "4,294,967,295");

    char size[MemoryTracker::SizeTextSize];
    MemoryTracker::formatSize(size, 1536);
    EXPECT_STREQ(size, "     1,536 (   1.50K)");
    MemoryTracker::formatSize(size, 1024);
    EXPECT_STREQ(size, "     1,024 bytes     ");
    MemoryTracker::formatSize(size, 3 * 1048576);
    EXPECT_STREQ(size, " 3,145,728 (   3.00M)");
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
    EXPECT_EQ(unit.sourceLine, 32u);
    EXPECT_EQ(unit.allocationNumber, 1u);

    const unsigned char filled[10] = {0xCE, 0xFA, 0xED, 0xFE, 0xCE, 0xFA, 0xED, 0xFE, 0xCE, 0xFA};
    EXPECT_EQ(std::memcmp(p, filled, 10), 0);
    const unsigned char postfix[4] = {0xDE, 0xC0, 0xAD, 0xDE};
    EXPECT_EQ(std::memcmp(p + 10, postfix, 4), 0);
    const unsigned char prefix[4] = {0x0D, 0xF0, 0xAD, 0xBA};
    EXPECT_EQ(std::memcmp(p - 16, prefix, 4), 0);
    EXPECT_EQ(std::memcmp(p - 4, prefix, 4), 0);
    release(p);
    EXPECT_EQ(tracker.liveUnits(), 0);

    unsigned char* cleared = allocate(10, MemoryTracker::Calloc);
    EXPECT_EQ(std::count(cleared, cleared + 10, 0), 10);
    EXPECT_EQ(tracker.validateAll(), 0);
    release(cleared);
}

TEST_F(MemoryTrackerTest, UnitKeepsShortenedOwnerNames)
{
    std::string longOperation(60, 'f');
    void* p = tracker.allocate({"/home/me/ruzi/engine/NSeqTrack.cpp", 7, longOperation.c_str()}, MemoryTracker::Malloc, 4);
    void* q = tracker.allocate({nullptr, 0, nullptr}, MemoryTracker::Malloc, 4);
    MemoryTracker::AllocationUnit unit;
    ASSERT_TRUE(tracker.findUnit(p, unit));
    EXPECT_STREQ(unit.sourceFile, "NSeqTrack.cpp");
    EXPECT_EQ(std::string(unit.sourceFunc), longOperation.substr(0, 39));
    ASSERT_TRUE(tracker.findUnit(q, unit));
    EXPECT_STREQ(unit.sourceFile, "??");
    EXPECT_STREQ(unit.sourceFunc, "??");
    tracker.release({nullptr, 0, nullptr}, MemoryTracker::Free, p);
    tracker.release({nullptr, 0, nullptr}, MemoryTracker::Free, q);
}

TEST_F(MemoryTrackerTest, ValidationReportsEachDamagedGuardWord)
{
    unsigned char* overrun = allocate(10);
    unsigned char* underrun = allocate(16);
    unsigned char* intact = allocate(3);
    overrun[10] = 0;                    // one byte past the end: first postfix word
    std::memset(overrun + 14, 0, 4);    // and across into the second
    underrun[-1] = 0;

    EXPECT_EQ(tracker.validateAll(), 2);
    std::string log = readText(logPath);
    EXPECT_EQ(countOf(log, "A memory allocation unit was corrupt because of an overrun:\r\n"), 2);
    EXPECT_EQ(countOf(log, "A memory allocation unit was corrupt because of an underrun:\r\n"), 1);
    EXPECT_NE(log.find("  Size (reported)   : 0x0000000A (        10 bytes     )\r\n"), std::string::npos);
    EXPECT_NE(log.find("  Owner             : NSample.cpp(32)::NSample::create\r\n"), std::string::npos);
    EXPECT_NE(log.find("  Allocation type   : new\r\n"), std::string::npos);
    EXPECT_EQ(readLines(logPath).back(),
              "While validting all allocation units, 2 allocation unit(s) were found to have problems");

    // Releasing checks nothing: the damage is only seen by validation.
    std::remove(logPath.c_str());
    release(overrun);
    release(underrun);
    release(intact);
    EXPECT_FALSE(std::ifstream(logPath).good());
    EXPECT_EQ(tracker.validateAll(), 0);
}

TEST_F(MemoryTrackerTest, ReleasingAnUnknownAddressIsLoggedAndChangesNothing)
{
    {
        std::ofstream stale(logPath);
        stale << "the previous run's messages";
    }
    unsigned char* p = allocate(8);
    release(p + 4);
    release(&p);
    EXPECT_EQ(readText(logPath), "Request to deallocate RAM that was never allocated\r\n"
                                 "Request to deallocate RAM that was never allocated\r\n");
    EXPECT_EQ(tracker.liveUnits(), 1);
    EXPECT_EQ(tracker.validateAll(), 0);
    release(p);
    EXPECT_EQ(tracker.liveUnits(), 0);
    release(nullptr);
    EXPECT_EQ(countOf(readText(logPath), "\r\n"), 2);
}

TEST_F(MemoryTrackerTest, RequestsTooLargeToTrackFail)
{
    EXPECT_EQ(allocate(std::size_t(1) << 32), nullptr);
    EXPECT_EQ(readText(logPath), "Request for allocation failed. Out of memory.\r\n");
    EXPECT_EQ(tracker.liveUnits(), 0);
}

TEST_F(MemoryTrackerTest, LeakReportWithoutLeaksReturnsTheTrackersOwnMemory)
{
    release(allocate(10));
    ASSERT_EQ(tracker.reservoirCount(), 1);
    std::vector<std::string> lines = (tracker.writeLeakReport(), readLines(reportPath));
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], " " + std::string(130, '-') + " ");
    EXPECT_EQ(lines[1].size(), 132u);
    EXPECT_EQ(lines[1].substr(0, 68), "|                                          Memory leak report for:  ");
    EXPECT_EQ(lines[1][70], '/');
    EXPECT_EQ(lines[2], lines[0]);
    EXPECT_EQ(lines[3], "");
    EXPECT_EQ(lines[4], "");
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
    std::vector<std::string> lines = (tracker.writeLeakReport(), readLines(reportPath));
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[5], "1 memory leak found:");
    EXPECT_EQ(lines[7].substr(0, 20), "Alloc.   Addr       ");
    EXPECT_EQ(lines[9].substr(0, 26), "------ ------------------ ");
    char row[200];
    std::snprintf(row, sizeof row, "000001 0x%016llX 0x0000000A 0x%016llX 0x0000002A 0x00000008 new         N       N    "
                  "NSample.cpp(00032)::NSample::create",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(p)),
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(p - 16)));
    EXPECT_EQ(lines[10], row);
    // The row's columns line up under the dashes.
    for (std::size_t i = 0; i < lines[9].size() && i < std::strlen(row); ++i) {
        if (lines[9][i] == ' ') {
            EXPECT_EQ(lines[10][i], ' ') << "column " << i;
        }
    }

    p[0] = 1; // a word written is no longer unused
    allocate(1536);
    allocate(2);
    std::vector<std::string> rows = leakRows();
    EXPECT_EQ(readLines(reportPath)[5], "3 memory leaks found:");
    ASSERT_EQ(rows.size(), 3u);
    unsigned previousBucket = 0;
    for (const std::string& r : rows) {
        std::uintptr_t address = std::stoull(r.substr(9, 16), nullptr, 16);
        unsigned bucket = (address >> 4) & 4095;
        EXPECT_GE(bucket, previousBucket) << "rows go bucket by bucket";
        previousBucket = bucket;
        if (address == reinterpret_cast<std::uintptr_t>(p)) {
            EXPECT_EQ(r.substr(56, 22), "0x0000002A 0x00000004 ") << r; // one of two words written
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
        ASSERT_NE(blocks.back(), nullptr);
        std::memset(blocks.back(), i, i + 1);
    }
    EXPECT_EQ(tracker.reservoirCount(), 2);
    EXPECT_EQ(tracker.liveUnits(), 300);
    EXPECT_EQ(tracker.validateAll(), 0);
    for (int i = 0; i < 300; ++i)
        EXPECT_EQ(blocks[i][i], static_cast<unsigned char>(i));
    EXPECT_EQ(leakRows().size(), 300u);
    for (unsigned char* block : blocks)
        release(block);
    EXPECT_EQ(tracker.liveUnits(), 0);
    EXPECT_FALSE(std::ifstream(logPath).good());
}

TEST_F(MemoryTrackerTest, TwoThreadsKeepTheirOwnersAndBlocks)
{
    auto work = [this](const char* label, unsigned char mark, std::vector<void*>& kept) {
        for (int i = 0; i < 3000; ++i) {
            tracker.setOwner(__FILE__, __LINE__, label);
            auto* block = static_cast<unsigned char*>(tracker.allocate(MemoryTracker::New, 24));
            std::memset(block, mark, 24);
            if (i % 3 == 0)
                kept.push_back(block);
            else
                tracker.release(MemoryTracker::Delete, block);
        }
    };
    std::vector<void*> keptA, keptB;
    std::thread a(work, "NDelay::create", 0xAA, std::ref(keptA));
    std::thread b(work, "String::String", 0xBB, std::ref(keptB));
    a.join();
    b.join();

    EXPECT_EQ(tracker.liveUnits(), 2000);
    EXPECT_EQ(tracker.validateAll(), 0);
    MemoryTracker::AllocationUnit unit;
    for (void* block : keptA) {
        ASSERT_TRUE(tracker.findUnit(block, unit));
        ASSERT_STREQ(unit.sourceFunc, "NDelay::create");
        ASSERT_EQ(static_cast<unsigned char*>(block)[23], 0xAA);
        release(block);
    }
    for (void* block : keptB) {
        ASSERT_TRUE(tracker.findUnit(block, unit));
        ASSERT_STREQ(unit.sourceFunc, "String::String");
        release(block);
    }
    EXPECT_EQ(tracker.liveUnits(), 0);
}

TEST_F(MemoryTrackerTest, LoggingEveryRequestNamesOwnerTypeAndSize)
{
    tracker.setLogEveryRequest(true);
    void* p = allocate(1536);
    release(p);
    std::vector<std::string> lines = readLines(logPath);
    ASSERT_EQ(lines.size(), 3u);
    auto padded = [](std::string text) { return text + std::string(40 - text.size(), ' '); };
    EXPECT_EQ(lines[0], "00001 " + padded("NSample.cpp(00032)::NSample::create") + "      new            :      1,536 (   1.50K)");
    EXPECT_EQ(lines[1].substr(0, 69), std::string(65, ' ') + "OK: ");
    EXPECT_EQ(lines[2].substr(0, 56), "      " + padded("NSample.cpp(00040)::NSample::destroy") + "   delete(");
}
