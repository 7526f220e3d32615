// A probe preloaded into the unchanged window program (LD_PRELOAD) by bench/program_cpu.sh. It
// times, on the program's own calls into the C library and SDL:
// - every hold of the engine lock: the mutex inside the engine core's static object, whose place
//   in the executable the script reads from the symbol table (RUZI_PROBE_CORE=offset:size, hex);
//   the GUI thread's longest single hold, and the longest sum of its holds in one main-loop turn
//   (a turn ends where the GUI thread goes back to waiting for events); the playback thread's
//   holds beside them;
// - the first presented frames, from RUZI_PROBE_T0 (CLOCK_REALTIME nanoseconds the script took
//   just before starting the program).
// SIGUSR1 prints the figures since the last report and starts new ones (the script marks its
// phases with it); the program's exit prints the last. Everything goes to stderr, prefixed "probe:".
#include <atomic>
#include <cinttypes>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <dlfcn.h>
#include <link.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

using LockFn = int (*)(pthread_mutex_t*);
using PresentFn = void (*)(void*);
using WaitFn = int (*)(void*, int);

LockFn realLock = nullptr;
LockFn realUnlock = nullptr;
PresentFn realPresent = nullptr;
WaitFn realWait = nullptr;

std::uintptr_t coreBegin = 0;
std::uintptr_t coreEnd = 0;
std::int64_t startNs = 0; // from the script, or when the probe was loaded
std::int64_t loadedNs = 0;

std::int64_t realtimeNs()
{
    timespec t{};
    clock_gettime(CLOCK_REALTIME, &t);
    return std::int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

std::int64_t monotonicNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return std::int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

bool onMainThread()
{
    static thread_local const bool main = syscall(SYS_gettid) == getpid();
    return main;
}

struct Holds {
    std::int64_t count = 0;
    std::int64_t totalNs = 0;
    std::int64_t longestNs = 0;
};

// Written only while the engine lock is held, so the lock itself keeps them consistent.
Holds gui;
Holds playback;
std::int64_t turnNs = 0; // the GUI thread's holds in the current turn
std::int64_t longestTurnNs = 0;
std::int64_t turns = 0;
thread_local std::int64_t acquiredNs = 0;

constexpr int TimedPresents = 3;
std::int64_t presentNs[TimedPresents] = {};
int presents = 0;

std::atomic<bool> reportWanted{false};
int phase = 0;

bool isEngineLock(const pthread_mutex_t* m)
{
    const auto at = reinterpret_cast<std::uintptr_t>(m);
    return at >= coreBegin && at < coreEnd;
}

void print(const char* name, const Holds& h)
{
    std::fprintf(stderr, "probe: %s holds %" PRId64 ", longest %.3f ms, mean %.4f ms\n", name, h.count,
                 h.longestNs / 1e6, h.count > 0 ? h.totalNs / 1e6 / double(h.count) : 0.0);
}

// On the GUI thread, outside the engine lock: the playback thread's figures are read unlocked,
// which at worst mixes one hold into the wrong report.
void report(const char* why)
{
    std::fprintf(stderr, "probe: report %d (%s)\n", phase, why);
    for (int i = 0; phase == 0 && i < presents && i < TimedPresents; ++i)
        std::fprintf(stderr, "probe: present %d at %.1f ms after start (%.1f ms after the probe loaded)\n", i + 1,
                     (presentNs[i] - startNs) / 1e6, (presentNs[i] - loadedNs) / 1e6);
    print("gui", gui);
    std::fprintf(stderr, "probe: gui turns %" PRId64 ", longest sum of holds in one turn %.3f ms\n", turns,
                 longestTurnNs / 1e6);
    print("playback", playback);
    std::fflush(stderr);
    ++phase;
    gui = Holds();
    playback = Holds();
    longestTurnNs = 0;
    turns = 0;
}

void askForReport(int)
{
    reportWanted.store(true);
}

int findProgram(dl_phdr_info* info, size_t, void* bias)
{
    *static_cast<std::uintptr_t*>(bias) = info->dlpi_addr; // the first object is the executable
    return 1;
}

// Libraries loaded before the probe lock mutexes in their own constructors: resolved on first use.
template <typename Fn>
Fn real(Fn& fn, const char* name)
{
    if (fn == nullptr)
        fn = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
    return fn;
}

__attribute__((constructor)) void load()
{
    realPresent = reinterpret_cast<PresentFn>(dlsym(RTLD_NEXT, "SDL_RenderPresent"));
    realWait = reinterpret_cast<WaitFn>(dlsym(RTLD_NEXT, "SDL_WaitEventTimeout"));
    loadedNs = realtimeNs();
    const char* t0 = std::getenv("RUZI_PROBE_T0");
    startNs = t0 != nullptr ? std::strtoll(t0, nullptr, 10) : loadedNs;
    std::uintptr_t offset = 0, size = 0;
    if (const char* core = std::getenv("RUZI_PROBE_CORE"); core != nullptr && std::sscanf(core, "%" SCNxPTR ":%" SCNxPTR, &offset, &size) == 2) {
        std::uintptr_t bias = 0;
        dl_iterate_phdr(findProgram, &bias);
        coreBegin = bias + offset;
        coreEnd = coreBegin + size;
    }
    std::signal(SIGUSR1, askForReport);
}

} // namespace

extern "C" {

int pthread_mutex_lock(pthread_mutex_t* m)
{
    const int result = real(realLock, "pthread_mutex_lock")(m);
    if (result == 0 && isEngineLock(m))
        acquiredNs = monotonicNs();
    return result;
}

int pthread_mutex_unlock(pthread_mutex_t* m)
{
    if (isEngineLock(m) && acquiredNs != 0) {
        const std::int64_t held = monotonicNs() - acquiredNs;
        acquiredNs = 0;
        Holds& h = onMainThread() ? gui : playback;
        ++h.count;
        h.totalNs += held;
        if (held > h.longestNs)
            h.longestNs = held;
        if (onMainThread())
            turnNs += held;
    }
    return real(realUnlock, "pthread_mutex_unlock")(m);
}

void SDL_RenderPresent(void* renderer)
{
    realPresent(renderer);
    if (presents < TimedPresents)
        presentNs[presents] = realtimeNs();
    ++presents;
}

int SDL_WaitEventTimeout(void* event, int timeout)
{
    if (onMainThread()) {
        ++turns;
        if (turnNs > longestTurnNs)
            longestTurnNs = turnNs;
        turnNs = 0;
        if (reportWanted.exchange(false))
            report("signal");
    }
    return realWait(event, timeout);
}

// The program leaves through _Exit, which runs no destructors: the last report goes out here.
[[noreturn]] void _Exit(int status) noexcept
{
    report("exit");
    syscall(SYS_exit_group, status);
    __builtin_unreachable();
}

} // extern "C"
