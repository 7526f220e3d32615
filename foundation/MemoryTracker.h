#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <mutex>

// The tracking allocator. Every block records who asked for it, sits between guard words, starts
// filled with a recognisable pattern and stays in a hash table until it is released. Complaints go to
// a log file; what was never released goes to the leak report.
//
// The program uses the one instance(); the global allocation operators that feed it are in
// foundation/operators and only the programs that want tracking link them. Tests may build private
// trackers with their own file names.
//
// Every request names its owner just before it happens: KESO_OWNER("NSample::create") records the
// label for the calling thread's next request, so a label set on one thread never ends up on a block
// made by another.
class MemoryTracker {
public:
    enum AllocationType { Unknown, New, NewArray, Malloc, Calloc, Realloc, Delete, DeleteArray, Free };

    // Who makes a request. The texts are kept by pointer until the request: pass literals.
    struct Owner {
        const char* sourceFile;
        unsigned line;
        const char* operation;
    };

    // One live block. The texts are the owner's, cut to 39 characters.
    struct AllocationUnit {
        std::uint32_t actualSize;   // what the system gave: reportedSize + 32
        std::uint32_t reportedSize; // what the caller asked for
        void* actualAddress;
        void* reportedAddress;      // actualAddress + 16, handed to the caller
        char sourceFile[40];
        char sourceFunc[40];
        std::uint32_t sourceLine;
        std::int32_t allocationType;
        bool breakOnDealloc;
        bool breakOnRealloc;
        std::uint32_t allocationNumber;
        AllocationUnit* next;
        AllocationUnit* prev;
    };

    static constexpr int HashSize = 4096;
    static constexpr int ReservoirUnits = 256;
    static constexpr int GuardBytes = 16;
    static constexpr std::uint32_t PrefixPattern = 0xBAADF00D;
    static constexpr std::uint32_t PostfixPattern = 0xDEADC0DE;
    static constexpr std::uint32_t UnusedPattern = 0xFEEDFACE;
    static constexpr std::uint32_t ReleasedPattern = 0xDEADBEEF;

    // Capacities of the formatted texts, terminating zero included.
    static constexpr std::size_t OwnerTextSize = 91;
    static constexpr std::size_t NumberTextSize = 16;
    static constexpr std::size_t SizeTextSize = 32;
    static constexpr std::size_t PathSize = 4096;

    static MemoryTracker& instance();

    // The file names are kept by pointer and must outlive the tracker (or the next setFiles).
    explicit MemoryTracker(const char* logPath = "memory.log", const char* reportPath = "memleaks.log");
    ~MemoryTracker();
    MemoryTracker(const MemoryTracker&) = delete;
    MemoryTracker& operator=(const MemoryTracker&) = delete;

    void setFiles(const char* logPath, const char* reportPath);
    // Puts the log and the report where Linux keeps a program's state: $XDG_STATE_HOME/ruzi-zevivuvo/,
    // or ~/.local/state/ruzi-zevivuvo/ when that is not set (pass getenv's answers, null when unset).
    // The folder is made when the first file is written. Allocates nothing, so it may run before the
    // tracker serves requests; with neither variable usable the files stay where they were.
    void useStateDirectory(const char* stateHome, const char* home);

    void setOwner(const char* sourceFile, unsigned line, const char* operation);
    Owner currentOwner() const;

    // Both forget the calling thread's owner afterwards. Allocate yields null on failure; releasing
    // null does nothing.
    void* allocate(const Owner& owner, AllocationType type, std::size_t size);
    void release(AllocationType type, void* address);
    void release(const Owner& owner, AllocationType type, void* address);

    // Checks every live block's guard words; returns the number of problems found (0: all good).
    int validateAll();
    bool writeLeakReport();

    // The start and end of a run, for the programs that link the tracked operators.
    void deleteLogOnce();
    void reportLeaksAtExit();

    // Diagnostics that this program leaves off.
    void setLogEveryRequest(bool on);
    void setValidateEveryRequest(bool on);

    int liveUnits() const;
    int reservoirCount() const;
    bool findUnit(const void* reportedAddress, AllocationUnit& copy) const;

    static void formatNumber(char (&text)[NumberTextSize], std::uint32_t value);
    static void formatSize(char (&text)[SizeTextSize], std::uint32_t size);
    static void formatOwner(char (&text)[OwnerTextSize], const char* sourceFile, unsigned line, const char* operation);
    static const char* typeName(int type);

private:
    void* allocateLocked(const Owner& owner, AllocationType type, std::size_t size);
    bool releaseLocked(void* address);
    void insert(AllocationUnit* unit);
    void unlink(AllocationUnit* unit);
    bool growReservoir();
    void returnReservoirs();
    AllocationUnit* find(const void* reportedAddress) const;
    int validateAllLocked();
    bool validateUnit(const AllocationUnit& unit);
    void dumpUnit(const AllocationUnit& unit);
    bool writeLeakReportLocked();
    void writeLeakTable(std::FILE* report);
    void deleteLogLocked();
    void makeStateDirectory();
    void log(const char* format, ...) __attribute__((format(printf, 2, 3)));

    static void resetOwner();
    static void writeGuards(const AllocationUnit& unit);
    static std::uint32_t unusedBytes(const AllocationUnit& unit);
    static unsigned bucketOf(const void* reportedAddress);

    static thread_local Owner pendingOwner_;

    const char* logPath_;
    const char* reportPath_;
    // The state folder and the files in it, once useStateDirectory has chosen them; the folder is
    // made (with its parents) before the first file is written, once.
    char stateDirectory_[PathSize] = {};
    char stateLogPath_[PathSize + 16] = {};
    char stateReportPath_[PathSize + 16] = {};
    bool stateDirectoryMade_ = false;
    mutable std::mutex mutex_;
    AllocationUnit* hashTable_[HashSize] = {};
    AllocationUnit* freeList_ = nullptr;
    AllocationUnit** reservoirs_ = nullptr;
    int reservoirCount_ = 0;
    std::uint32_t allocationNumber_ = 0;
    int liveUnits_ = 0;
    bool logDeleted_ = false;
    bool logEveryRequest_ = false;
    bool validateEveryRequest_ = false;
    bool reportOnRelease_ = false;
};

#define KESO_OWNER(operation) MemoryTracker::instance().setOwner(__FILE__, __LINE__, (operation))
