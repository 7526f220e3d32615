#include "foundation/MemoryTracker.h"

#include "foundation/LittleEndian.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>

#include <sys/stat.h>

// Nothing in here may use the global allocation operators: they come back into the tracker, whose
// lock is already held. Memory comes from malloc, texts are formatted into fixed buffers.

namespace {

const char* const TypeNames[] = {"Unknown", "new", "new[]", "malloc", "calloc", "realloc", "delete", "delete[]", "free"};

// Addresses are 64-bit: shown as 16 upper-case hex digits so that no column ever cuts one short.
unsigned long long addressValue(const void* address)
{
    return static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(address));
}

const char* textOrUnknown(const char* text)
{
    return text != nullptr && *text != 0 ? text : "??";
}

// The owner's source unit is the file name without its folders, whichever separator they use.
const char* fileNamePart(const char* path)
{
    if (path == nullptr)
        return nullptr;
    const char* name = path;
    for (const char* p = path; *p != 0; ++p) {
        if (*p == '\\' || *p == '/')
            name = p + 1;
    }
    return name;
}

void copyName(char (&to)[40], const char* from)
{
    const char* text = textOrUnknown(from);
    std::size_t n = 0;
    while (n < sizeof to - 1 && text[n] != 0) {
        to[n] = text[n];
        ++n;
    }
    to[n] = 0;
}

// Whole little-endian words, then the pattern's low bytes in order for a ragged end.
void fillPattern(void* block, std::size_t size, std::uint32_t pattern)
{
    auto* bytes = static_cast<unsigned char*>(block);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<unsigned char>(pattern >> (8 * (i & 3)));
}

std::uint32_t wordAt(const void* block, std::size_t index)
{
    return littleendian::read32(static_cast<const std::uint8_t*>(block) + 4 * index);
}

void writeLine(std::FILE* file, const char* format, ...) __attribute__((format(printf, 2, 3)));

void writeLine(std::FILE* file, const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    std::vfprintf(file, format, args);
    va_end(args);
    std::fputs("\r\n", file);
}

} // namespace

thread_local MemoryTracker::Owner MemoryTracker::pendingOwner_ = {nullptr, 0, nullptr};

MemoryTracker& MemoryTracker::instance()
{
    // Built in place and never destroyed: objects destroyed at exit still release through it.
    alignas(MemoryTracker) static unsigned char storage[sizeof(MemoryTracker)];
    static MemoryTracker* tracker = new (storage) MemoryTracker();
    return *tracker;
}

MemoryTracker::MemoryTracker(const char* logPath, const char* reportPath)
    : logPath_(logPath), reportPath_(reportPath)
{
}

MemoryTracker::~MemoryTracker()
{
    for (AllocationUnit* head : hashTable_) {
        for (AllocationUnit* unit = head; unit != nullptr; unit = unit->next)
            std::free(unit->actualAddress);
    }
    returnReservoirs();
}

void MemoryTracker::setFiles(const char* logPath, const char* reportPath)
{
    std::lock_guard<std::mutex> lock(mutex_);
    logPath_ = logPath;
    reportPath_ = reportPath;
    stateDirectory_[0] = 0;
}

void MemoryTracker::useStateDirectory(const char* stateHome, const char* home)
{
    // Only absolute folders count: a relative one would depend on where the program was started.
    char folder[PathSize];
    int length = -1;
    if (stateHome != nullptr && stateHome[0] == '/')
        length = std::snprintf(folder, sizeof folder, "%s/ruzi-zevivuvo", stateHome);
    else if (home != nullptr && home[0] == '/')
        length = std::snprintf(folder, sizeof folder, "%s/.local/state/ruzi-zevivuvo", home);
    if (length < 0 || static_cast<std::size_t>(length) >= PathSize)
        return;
    std::lock_guard<std::mutex> lock(mutex_);
    std::memcpy(stateDirectory_, folder, static_cast<std::size_t>(length) + 1);
    std::snprintf(stateLogPath_, sizeof stateLogPath_, "%s/memory.log", folder);
    std::snprintf(stateReportPath_, sizeof stateReportPath_, "%s/memleaks.log", folder);
    logPath_ = stateLogPath_;
    reportPath_ = stateReportPath_;
    stateDirectoryMade_ = false;
}

void MemoryTracker::makeStateDirectory()
{
    if (stateDirectory_[0] == 0 || stateDirectoryMade_)
        return;
    stateDirectoryMade_ = true;
    // mkdir -p by hand: the standard library's create_directories allocates, and this runs under
    // the tracker's own lock.
    char partial[PathSize];
    std::memcpy(partial, stateDirectory_, sizeof partial);
    for (char* slash = std::strchr(partial + 1, '/');; slash = std::strchr(slash + 1, '/')) {
        if (slash != nullptr)
            *slash = 0;
        ::mkdir(partial, 0700);
        if (slash == nullptr)
            break;
        *slash = '/';
    }
}

void MemoryTracker::setOwner(const char* sourceFile, unsigned line, const char* operation)
{
    pendingOwner_ = {sourceFile, line, operation};
}

MemoryTracker::Owner MemoryTracker::currentOwner() const
{
    return pendingOwner_;
}

void MemoryTracker::resetOwner()
{
    pendingOwner_ = {nullptr, 0, nullptr};
}

void* MemoryTracker::allocate(const Owner& owner, AllocationType type, std::size_t size)
{
    std::lock_guard<std::mutex> lock(mutex_);
    ++allocationNumber_;
    if (logEveryRequest_) {
        char ownerText[OwnerTextSize];
        char sizeText[SizeTextSize];
        formatOwner(ownerText, owner.sourceFile, owner.line, owner.operation);
        formatSize(sizeText, size > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(size));
        log("%05u %-40s %8s            : %s", allocationNumber_, ownerText, typeName(type), sizeText);
    }
    void* block = allocateLocked(owner, type, size);
    resetOwner();
    return block;
}

void* MemoryTracker::allocateLocked(const Owner& owner, AllocationType type, std::size_t size)
{
    // Sizes are 32-bit in the units and the report; a larger request is one we cannot keep.
    if (size > UINT32_MAX - 2 * GuardBytes) {
        log("Request for allocation failed. Out of memory.");
        return nullptr;
    }
    if (freeList_ == nullptr && !growReservoir()) {
        log("Unable to allocate RAM for internal memory tracking data");
        return nullptr;
    }
    auto* block = static_cast<unsigned char*>(std::malloc(size + 2 * GuardBytes));
    if (block == nullptr) {
        log("Request for allocation failed. Out of memory.");
        return nullptr;
    }
    AllocationUnit* unit = freeList_;
    freeList_ = unit->next;
    *unit = AllocationUnit{};
    unit->actualSize = static_cast<std::uint32_t>(size + 2 * GuardBytes);
    unit->reportedSize = static_cast<std::uint32_t>(size);
    unit->actualAddress = block;
    unit->reportedAddress = block + GuardBytes;
    copyName(unit->sourceFile, fileNamePart(owner.sourceFile));
    copyName(unit->sourceFunc, owner.operation);
    unit->sourceLine = owner.line;
    unit->allocationType = type;
    unit->allocationNumber = allocationNumber_;
    insert(unit);

    fillPattern(unit->reportedAddress, size, UnusedPattern);
    writeGuards(*unit);
    if (type == Calloc)
        std::memset(unit->reportedAddress, 0, size);
    if (validateEveryRequest_)
        validateAllLocked();
    if (logEveryRequest_)
        log("%65sOK: %016llX (hash: %u)", "", addressValue(unit->reportedAddress), bucketOf(unit->reportedAddress));
    return unit->reportedAddress;
}

void MemoryTracker::release(AllocationType type, void* address)
{
    release(currentOwner(), type, address);
}

void MemoryTracker::release(const Owner& owner, AllocationType type, void* address)
{
    if (address == nullptr) {
        resetOwner();
        return;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (logEveryRequest_) {
        char ownerText[OwnerTextSize];
        formatOwner(ownerText, owner.sourceFile, owner.line, owner.operation);
        log("      %-40s %8s(%016llX)", ownerText, typeName(type), addressValue(address));
    }
    bool released = releaseLocked(address);
    resetOwner();
    if (!released) {
        log("Request to deallocate RAM that was never allocated");
        return;
    }
    if (validateEveryRequest_)
        validateAllLocked();
    if (reportOnRelease_)
        writeLeakReportLocked();
}

bool MemoryTracker::releaseLocked(void* address)
{
    AllocationUnit* unit = find(address);
    if (unit == nullptr)
        return false;
    // The released pattern and fresh guards make a stale pointer easy to recognise in a debugger.
    fillPattern(unit->reportedAddress, unit->reportedSize, ReleasedPattern);
    writeGuards(*unit);
    std::free(unit->actualAddress);
    unlink(unit);
    *unit = AllocationUnit{};
    unit->next = freeList_;
    freeList_ = unit;
    return true;
}

void MemoryTracker::insert(AllocationUnit* unit)
{
    AllocationUnit*& head = hashTable_[bucketOf(unit->reportedAddress)];
    unit->prev = nullptr;
    unit->next = head;
    if (head != nullptr)
        head->prev = unit;
    head = unit;
    ++liveUnits_;
}

void MemoryTracker::unlink(AllocationUnit* unit)
{
    if (unit->prev != nullptr)
        unit->prev->next = unit->next;
    else
        hashTable_[bucketOf(unit->reportedAddress)] = unit->next;
    if (unit->next != nullptr)
        unit->next->prev = unit->prev;
    --liveUnits_;
}

MemoryTracker::AllocationUnit* MemoryTracker::find(const void* reportedAddress) const
{
    for (AllocationUnit* unit = hashTable_[bucketOf(reportedAddress)]; unit != nullptr; unit = unit->next) {
        if (unit->reportedAddress == reportedAddress)
            return unit;
    }
    return nullptr;
}

void MemoryTracker::writeGuards(const AllocationUnit& unit)
{
    fillPattern(unit.actualAddress, GuardBytes, PrefixPattern);
    fillPattern(static_cast<unsigned char*>(unit.reportedAddress) + unit.reportedSize, GuardBytes, PostfixPattern);
}

bool MemoryTracker::growReservoir()
{
    auto* units = static_cast<AllocationUnit*>(std::calloc(ReservoirUnits, sizeof(AllocationUnit)));
    if (units == nullptr)
        return false;
    auto* list = static_cast<AllocationUnit**>(std::realloc(reservoirs_, (reservoirCount_ + 1) * sizeof(AllocationUnit*)));
    if (list == nullptr) {
        std::free(units);
        return false;
    }
    reservoirs_ = list;
    reservoirs_[reservoirCount_++] = units;
    for (int i = 0; i < ReservoirUnits - 1; ++i)
        units[i].next = &units[i + 1];
    units[ReservoirUnits - 1].next = freeList_;
    freeList_ = units;
    return true;
}

void MemoryTracker::returnReservoirs()
{
    for (int i = 0; i < reservoirCount_; ++i)
        std::free(reservoirs_[i]);
    std::free(reservoirs_);
    reservoirs_ = nullptr;
    reservoirCount_ = 0;
    freeList_ = nullptr; // its units lived in those blocks
}

int MemoryTracker::validateAll()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return validateAllLocked();
}

int MemoryTracker::validateAllLocked()
{
    int found = 0;
    int problems = 0;
    for (AllocationUnit* head : hashTable_) {
        for (AllocationUnit* unit = head; unit != nullptr; unit = unit->next) {
            ++found;
            if (!validateUnit(*unit))
                ++problems;
        }
    }
    if (found != liveUnits_) {
        log("Memory tracking hash table corrupt!");
        ++problems;
    }
    if (problems > 0)
        log("While validting all allocation units, %d allocation unit(s) were found to have problems", problems);
    return problems;
}

bool MemoryTracker::validateUnit(const AllocationUnit& unit)
{
    const void* postfix = static_cast<const unsigned char*>(unit.reportedAddress) + unit.reportedSize;
    bool good = true;
    for (std::size_t i = 0; i < GuardBytes / 4; ++i) {
        if (wordAt(unit.actualAddress, i) != PrefixPattern) {
            log("A memory allocation unit was corrupt because of an underrun:");
            dumpUnit(unit);
            good = false;
        }
    }
    for (std::size_t i = 0; i < GuardBytes / 4; ++i) {
        if (wordAt(postfix, i) != PostfixPattern) {
            log("A memory allocation unit was corrupt because of an overrun:");
            dumpUnit(unit);
            good = false;
        }
    }
    return good;
}

void MemoryTracker::dumpUnit(const AllocationUnit& unit)
{
    const char* prefix = "  ";
    char reportedSize[SizeTextSize];
    char actualSize[SizeTextSize];
    formatSize(reportedSize, unit.reportedSize);
    formatSize(actualSize, unit.actualSize);
    log("%sAddress (reported): %016llX", prefix, addressValue(unit.reportedAddress));
    log("%sAddress (actual)  : %016llX", prefix, addressValue(unit.actualAddress));
    log("%sSize (reported)   : 0x%08X (%s)", prefix, unit.reportedSize, reportedSize);
    log("%sSize (actual)     : 0x%08X (%s)", prefix, unit.actualSize, actualSize);
    log("%sOwner             : %s(%u)::%s", prefix, unit.sourceFile, unit.sourceLine, unit.sourceFunc);
    log("%sAllocation type   : %s", prefix, typeName(unit.allocationType));
    log("%sAllocation number : %u", prefix, unit.allocationNumber);
}

bool MemoryTracker::writeLeakReport()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return writeLeakReportLocked();
}

bool MemoryTracker::writeLeakReportLocked()
{
    makeStateDirectory();
    std::FILE* report = std::fopen(reportPath_, "wb");
    if (report == nullptr)
        return false;
    char dashes[131];
    std::memset(dashes, '-', 130);
    dashes[130] = 0;
    std::time_t now = std::time(nullptr);
    std::tm when = {};
    if (const std::tm* local = std::localtime(&now))
        when = *local;

    writeLine(report, " %s ", dashes);
    writeLine(report, "|                                          Memory leak report for:  %02d/%02d/%04d %02d:%02d:%02d                                            |",
              when.tm_mon + 1, when.tm_mday, when.tm_year + 1900, when.tm_hour, when.tm_min, when.tm_sec);
    writeLine(report, " %s ", dashes);
    std::fputs("\r\n\r\n", report);
    if (liveUnits_ > 0) {
        writeLine(report, "%d memory leak%s found:", liveUnits_, liveUnits_ == 1 ? "" : "s");
    } else {
        writeLine(report, "Congratulations! No memory leaks found!");
        returnReservoirs(); // nothing is live, so the tracker's own blocks can go too
    }
    std::fputs("\r\n", report);
    if (liveUnits_ > 0)
        writeLeakTable(report);
    bool written = std::ferror(report) == 0;
    return std::fclose(report) == 0 && written;
}

void MemoryTracker::writeLeakTable(std::FILE* report)
{
    // The address columns are 18 wide to hold 64-bit addresses; the other columns keep their widths.
    writeLine(report, "Alloc.   Addr               Size       Addr               Size                        BreakOn BreakOn              ");
    writeLine(report, "Number Reported           Reported    Actual             Actual     Unused    Method  Dealloc Realloc Allocated by ");
    writeLine(report, "------ ------------------ ---------- ------------------ ---------- ---------- -------- ------- ------- --------------------------------------------------- ");
    for (AllocationUnit* head : hashTable_) {
        for (AllocationUnit* unit = head; unit != nullptr; unit = unit->next) {
            char owner[OwnerTextSize];
            formatOwner(owner, unit->sourceFile, unit->sourceLine, unit->sourceFunc);
            writeLine(report, "%06u 0x%016llX 0x%08X 0x%016llX 0x%08X 0x%08X %-8s    %c       %c    %s",
                      unit->allocationNumber, addressValue(unit->reportedAddress), unit->reportedSize,
                      addressValue(unit->actualAddress), unit->actualSize, unusedBytes(*unit),
                      typeName(unit->allocationType), unit->breakOnDealloc ? 'Y' : 'N',
                      unit->breakOnRealloc ? 'Y' : 'N', owner);
        }
    }
}

// The whole words of the block (a ragged end counts as one) that were never written.
std::uint32_t MemoryTracker::unusedBytes(const AllocationUnit& unit)
{
    std::uint32_t words = (unit.reportedSize + 3) / 4;
    std::uint32_t unused = 0;
    for (std::uint32_t i = 0; i < words; ++i) {
        if (wordAt(unit.reportedAddress, i) == UnusedPattern)
            ++unused;
    }
    return 4 * unused;
}

void MemoryTracker::deleteLogOnce()
{
    std::lock_guard<std::mutex> lock(mutex_);
    deleteLogLocked();
}

void MemoryTracker::deleteLogLocked()
{
    if (logDeleted_)
        return;
    std::remove(logPath_);
    logDeleted_ = true;
}

void MemoryTracker::reportLeaksAtExit()
{
    // From now on every release rewrites the report, so its last version lists what objects
    // destroyed after this point still hold.
    std::lock_guard<std::mutex> lock(mutex_);
    reportOnRelease_ = true;
    writeLeakReportLocked();
}

void MemoryTracker::setLogEveryRequest(bool on)
{
    std::lock_guard<std::mutex> lock(mutex_);
    logEveryRequest_ = on;
}

void MemoryTracker::setValidateEveryRequest(bool on)
{
    std::lock_guard<std::mutex> lock(mutex_);
    validateEveryRequest_ = on;
}

int MemoryTracker::liveUnits() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return liveUnits_;
}

int MemoryTracker::reservoirCount() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return reservoirCount_;
}

bool MemoryTracker::findUnit(const void* reportedAddress, AllocationUnit& copy) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    const AllocationUnit* unit = find(reportedAddress);
    if (unit == nullptr)
        return false;
    copy = *unit;
    return true;
}

void MemoryTracker::log(const char* format, ...)
{
    deleteLogLocked(); // the first message of a run replaces the previous run's log
    char line[512];
    std::va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    makeStateDirectory();
    std::FILE* file = std::fopen(logPath_, "ab");
    if (file == nullptr)
        return;
    std::fputs(line, file);
    std::fputs("\r\n", file);
    std::fclose(file);
}

void MemoryTracker::formatNumber(char (&text)[NumberTextSize], std::uint32_t value)
{
    char reversed[NumberTextSize];
    int n = 0;
    for (int digits = 0; digits == 0 || value != 0; ++digits) {
        if (digits > 0 && digits % 3 == 0)
            reversed[n++] = ',';
        reversed[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    for (int i = 0; i < n; ++i)
        text[i] = reversed[n - 1 - i];
    text[n] = 0;
}

void MemoryTracker::formatSize(char (&text)[SizeTextSize], std::uint32_t size)
{
    char number[NumberTextSize];
    formatNumber(number, size);
    if (size <= 1024)
        std::snprintf(text, sizeof text, "%10s bytes     ", number);
    else if (size <= 1048576)
        std::snprintf(text, sizeof text, "%10s (%7.2fK)", number, size / 1024.0);
    else
        std::snprintf(text, sizeof text, "%10s (%7.2fM)", number, size / 1048576.0);
}

void MemoryTracker::formatOwner(char (&text)[OwnerTextSize], const char* sourceFile, unsigned line, const char* operation)
{
    std::snprintf(text, sizeof text, "%s(%05u)::%s", textOrUnknown(fileNamePart(sourceFile)), line, textOrUnknown(operation));
}

const char* MemoryTracker::typeName(int type)
{
    constexpr int count = sizeof TypeNames / sizeof TypeNames[0];
    return type >= 0 && type < count ? TypeNames[type] : TypeNames[Unknown];
}

unsigned MemoryTracker::bucketOf(const void* reportedAddress)
{
    return (reinterpret_cast<std::uintptr_t>(reportedAddress) >> 4) & (HashSize - 1);
}
