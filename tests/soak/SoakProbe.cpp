// Preloaded into the unchanged window program by tests/soak/soak.sh. It counts the playback ring's
// underruns: sound callbacks that read a segment the playback thread has not rendered again since
// the card last read it. play() renders the first InitialSegments, then the playback thread renders
// one segment after another round the ring, each under one hold of the engine lock off the GUI
// thread (only its renders take it there). It also counts the GUI thread's waits for input, in the
// program's loop or a dialog's, so that the script can tell a hung program from an idle one. The
// counts go to RUZI_SOAK_STATUS.
#include <atomic>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <poll.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr std::uint64_t InitialSegments = 5; // rendered by play() before the card starts
constexpr std::uint64_t RingSegments = 8;
constexpr std::uint64_t SegmentFrames = 992; // the playback thread's

// SDL's audio interface as far as the probe uses it: SDL's headers belong to the desktop platform.
using AudioCallback = void (*)(void* userdata, std::uint8_t* stream, int bytes);
struct AudioSpec {
    int freq;
    std::uint16_t format;
    std::uint8_t channels, silence;
    std::uint16_t samples, padding;
    std::uint32_t size;
    AudioCallback callback;
    void* userdata;
};

std::uintptr_t coreBegin = 0, coreEnd = 0; // the engine core, whose mutex is the engine lock
const char* statusPath = nullptr;

AudioCallback programCallback = nullptr;
std::atomic<bool> playing{false};
std::atomic<std::uint64_t> consumed{0}; // frames the card took since it started
std::atomic<std::uint64_t> rendered{0}; // segments the playback thread rendered since then
std::atomic<bool> fresh[RingSegments];  // rendered since the card last read it to its end
std::atomic<std::uint64_t> underruns{0}, callbacks{0}, segmentsTotal{0};
std::uint64_t turns = 0; // the GUI thread's

// The function the program would have called, looked up at the first call. No guarded static: its
// guard could take the very lock being wrapped.
#define REAL(name)                                                                                           \
    static decltype(&name) real_##name = nullptr;                                                            \
    if (real_##name == nullptr)                                                                              \
    real_##name = reinterpret_cast<decltype(&name)>(dlsym(RTLD_NEXT, #name))

bool onMainThread() { return syscall(SYS_gettid) == getpid(); }

void checkedCallback(void* userdata, std::uint8_t* stream, int bytes)
{
    programCallback(userdata, stream, bytes);
    callbacks.fetch_add(1);
    if (!playing.load())
        return;
    const auto frames = static_cast<std::uint64_t>(bytes) / 4;
    const std::uint64_t begin = consumed.fetch_add(frames);
    bool stale = false;
    for (std::uint64_t segment = begin / SegmentFrames; segment * SegmentFrames < begin + frames; ++segment) {
        std::atomic<bool>& isFresh = fresh[segment % RingSegments];
        stale = stale || !isFresh.load();
        if ((segment + 1) * SegmentFrames <= begin + frames)
            isFresh.store(false);
    }
    if (stale)
        underruns.fetch_add(1);
}

// Written aside and renamed, so that the script never reads half a file.
void writeStatus()
{
    if (statusPath == nullptr)
        return;
    char text[256], aside[4096];
    const int length = std::snprintf(text, sizeof text, "turns %" PRIu64 "\nunderruns %" PRIu64 "\ncallbacks %" PRIu64
                                     "\nsegments %" PRIu64 "\n", turns, underruns.load(), callbacks.load(),
                                     segmentsTotal.load());
    std::snprintf(aside, sizeof aside, "%s.new", statusPath);
    const int fd = open(aside, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return;
    const bool written = write(fd, text, static_cast<std::size_t>(length)) == length;
    close(fd);
    if (written)
        rename(aside, statusPath);
}

__attribute__((constructor)) void load()
{
    statusPath = std::getenv("RUZI_SOAK_STATUS");
    std::uintptr_t offset = 0, size = 0;
    const char* core = std::getenv("RUZI_SOAK_CORE"); // offset:size in hex, from the symbol table
    if (core != nullptr && std::sscanf(core, "%" SCNxPTR ":%" SCNxPTR, &offset, &size) == 2) {
        std::uintptr_t bias = 0; // where the executable, the first object, was loaded
        dl_iterate_phdr([](dl_phdr_info* info, size_t, void* at) {
            *static_cast<std::uintptr_t*>(at) = info->dlpi_addr;
            return 1;
        }, &bias);
        coreBegin = bias + offset;
        coreEnd = coreBegin + size;
    }
}

} // namespace

extern "C" {

int pthread_mutex_unlock(pthread_mutex_t* m)
{
    REAL(pthread_mutex_unlock);
    const auto at = reinterpret_cast<std::uintptr_t>(m);
    if (at >= coreBegin && at < coreEnd && !onMainThread()) {
        fresh[(InitialSegments + rendered.fetch_add(1)) % RingSegments].store(true);
        segmentsTotal.fetch_add(1);
    }
    return real_pthread_mutex_unlock(m);
}

std::uint32_t SDL_OpenAudioDevice(const char* device, int capture, const AudioSpec* wanted, AudioSpec* obtained,
                                  int changes)
{
    REAL(SDL_OpenAudioDevice);
    if (wanted == nullptr || wanted->callback == nullptr)
        return real_SDL_OpenAudioDevice(device, capture, wanted, obtained, changes);
    AudioSpec checked = *wanted;
    programCallback = wanted->callback;
    checked.callback = checkedCallback;
    return real_SDL_OpenAudioDevice(device, capture, &checked, obtained, changes);
}

// Unpaused right after play() has filled the ring's first segments: the count starts again.
void SDL_PauseAudioDevice(std::uint32_t device, int pause)
{
    REAL(SDL_PauseAudioDevice);
    if (pause == 0) {
        consumed.store(0);
        rendered.store(0);
        for (std::uint64_t segment = 0; segment < RingSegments; ++segment)
            fresh[segment].store(segment < InitialSegments);
    }
    playing.store(pause == 0);
    real_SDL_PauseAudioDevice(device, pause);
}

// Every wait of the GUI thread for input, in the program's own loop (SDL's) and in a file dialog's
// (GTK's), goes through poll.
int poll(struct pollfd* fds, nfds_t count, int timeout)
{
    REAL(poll);
    static std::time_t written = 0;
    // At most once a second: the timer turns of a playing song would write it 25 times.
    if (onMainThread()) {
        ++turns;
        const std::time_t now = std::time(nullptr);
        if (std::exchange(written, now) != now)
            writeStatus();
    }
    return real_poll(fds, count, timeout);
}

// The program leaves through _Exit, which runs no destructors: the last counts go out here.
[[noreturn]] void _Exit(int status) noexcept
{
    writeStatus();
    syscall(SYS_exit_group, status);
    __builtin_unreachable();
}

} // extern "C"
