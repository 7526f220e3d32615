// The real window program under a private X server: started from a folder of its own, it finds its
// assets beside the executable, shows its window, and ends with status 0 when the window closes.
#include "app/NVandrelApp.h"
#include "engine/NVandrelCore.h"
#include "gui/LFont.h"
#include "gui/LScreenBitmap.h"
#include "gui/NBitmapCache.h"
#include "tests/desktop/DesktopSession.h"
#include "tests/support/CommandRun.h"
#include "tests/support/FakeMidiPort.h"
#include "tests/support/FakeServices.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

const char* const Title = "VandrelStudio 1.1 Ruzi Zevivuvo";
constexpr int Width = 240;
constexpr int Height = 320;
constexpr int ViewTop = 252; // the sequencer view's first row

// The frame the application shows once it has started, built in this process on fake services
// from the same skin and bundled song as the program: what the window must show, pixel for pixel.
std::vector<std::uint32_t> inProcessFirstFrame()
{
    FakeServices services;
    FakeMidiPort midi;
    services.programPath.path = RUZI_BIN_DIR "/ruzi-zevivuvo";
    std::vector<std::uint32_t> frame;
    {
        DavEdirorarApp app;
        if (!app.create(String::fromUtf8(Title)))
            return frame;
        LScreenBitmap::instance().flush(app.frameBuffer); // as the main loop's first turn
        frame.assign(app.frameBuffer, app.frameBuffer + Width * Height);
    }
    for (int f = 0; f < LFont::Count; ++f)
        LFont::font(f)->setImage(nullptr);
    NBitmapCache::instance().empty();
    LScreenBitmap::instance().flush(nullptr);
    LScreenBitmap::instance().destroy();
    NVandrelCore::instance().shutDown();
    return frame;
}

// How many pixels of the rows [from, to) differ between two frames of the unzoomed window.
int differing(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b, int from = 0, int to = Height)
{
    if (a.size() != b.size() || a.size() != static_cast<size_t>(Width * Height))
        return Width * Height;
    int count = 0;
    for (int i = from * Width; i < to * Width; ++i)
        count += a[i] != b[i];
    return count;
}

class RuziZevivuvoProgramTest : public DesktopSession {
protected:
    void TearDown() override
    {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        DesktopSession::TearDown();
    }

    // Starts the program in the working directory, its output in files there.
    void start(const std::string& workingDirectory)
    {
        pid_ = fork();
        ASSERT_GE(pid_, 0);
        if (pid_ == 0) {
            if (chdir(workingDirectory.c_str()) != 0)
                _exit(126);
            dup2(open("stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
            dup2(open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            execl(RUZI_BIN_DIR "/ruzi-zevivuvo", "ruzi-zevivuvo", static_cast<char*>(nullptr));
            _exit(127);
        }
    }

    // The exit status, or -1 when it has not ended in time or did not exit normally.
    int waitForExit(int milliseconds)
    {
        int status = 0;
        if (!within([&] { return waitpid(pid_, &status, WNOHANG) == pid_; },
                    [] { std::this_thread::sleep_for(std::chrono::milliseconds(20)); }, milliseconds))
            return -1;
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    pid_t pid_ = -1;
};

} // namespace

TEST_F(RuziZevivuvoProgramTest, StartedElsewhereItShowsTheSongPlaysZoomsAndEndsWhenClosed)
{
    const std::vector<std::uint32_t> expected = inProcessFirstFrame();
    ASSERT_EQ(expected.size(), static_cast<size_t>(Width * Height)) << "the application did not start in-process";
    TempDir dir;
    start(dir.path(""));
    const XWindow window = findWindow(Title, 10);
    ASSERT_NE(window, 0u) << CommandRun::run("cat stderr.txt", dir.path("")).out;
    std::vector<std::uint32_t> shot;
    const auto look = [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        shot = screenshot(window);
    };
    // Only with the skin and the song found beside the program is its first frame the in-process one.
    EXPECT_TRUE(within([&] { return differing(shot, expected) == 0; }, look, 5000))
        << differing(shot, expected) << " pixels differ";

    // Play: the sequencer view's cursor moves on; the panel above it is left alone.
    ASSERT_TRUE(xdotool("mousemove --window " + std::to_string(window) + " 8 312 click 1"));
    EXPECT_TRUE(within([&] { return differing(shot, expected, ViewTop) > 0; }, look, 3000));
    const std::vector<std::uint32_t> playing = shot;
    EXPECT_TRUE(within([&] { return differing(shot, playing, ViewTop) > 0; }, look, 3000));
    EXPECT_EQ(differing(shot, expected, 0, ViewTop), 0);

    focus(window);
    ASSERT_TRUE(xdotool("key --window " + std::to_string(window) + " ctrl+2"));
    EXPECT_TRUE(sizeBecomes(window, 2 * Width, 2 * Height,
                            [] { std::this_thread::sleep_for(std::chrono::milliseconds(20)); }));

    requestClose(window);
    EXPECT_EQ(waitForExit(5000), 0);
}
