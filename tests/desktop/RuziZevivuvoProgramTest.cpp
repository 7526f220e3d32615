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
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <vector>
#include <thread>
#include <unistd.h>

namespace {

const char* const Title = "VandrelStudio 1.1 Ruzi Zevivuvo";
constexpr int Width = 240;
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
        frame.assign(app.frameBuffer, app.frameBuffer + Width * 320);
    }
    for (int f = 0; f < LFont::Count; ++f)
        LFont::font(f)->setImage(nullptr);
    NBitmapCache::instance().empty();
    LScreenBitmap::instance().flush(nullptr);
    LScreenBitmap::instance().destroy();
    NVandrelCore::instance().shutDown();
    return frame;
}

// How many pixels of the rows [from, to) differ, and where the first difference is.
std::string rowsDiffer(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b, int from, int to)
{
    int differing = 0;
    std::string first;
    for (int y = from; y < to; ++y) {
        for (int x = 0; x < Width; ++x) {
            const size_t i = static_cast<size_t>(y) * Width + x;
            if (i >= a.size() || i >= b.size() || a[i] != b[i]) {
                if (differing++ == 0 && i < a.size() && i < b.size()) {
                    char text[96];
                    std::snprintf(text, sizeof text, " first at (%d, %d): %06x against %06x", x, y, a[i], b[i]);
                    first = text;
                }
            }
        }
    }
    return differing == 0 ? std::string() : std::to_string(differing) + " pixels differ" + first;
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
            const int out = open("stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int err = open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(out, 1);
            dup2(err, 2);
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            execl(RUZI_BIN_DIR "/ruzi-zevivuvo", "ruzi-zevivuvo", static_cast<char*>(nullptr));
            _exit(127);
        }
    }

    // The program's window, once it is there; 0 if it does not come.
    XWindow findWindow()
    {
        XWindow window = 0;
        within([&] { return window != 0; },
               [&] {
                   CommandRun run = CommandRun::run(std::string("xdotool search --name '") + Title + "'");
                   if (run.status == 0)
                       window = std::stoul(run.out);
                   else
                       std::this_thread::sleep_for(std::chrono::milliseconds(50));
               },
               10000);
        return window;
    }

    // Whether the export screen came up within a few seconds: the panel's colour in its lower
    // half, which needs the skin and the song found beside the program.
    bool screenShown(XWindow window)
    {
        std::vector<std::uint32_t> shot;
        return within([&] { return !shot.empty() && shot[150 * 240 + 2] == 0x303030u; },
                      [&] {
                          std::this_thread::sleep_for(std::chrono::milliseconds(50));
                          shot = screenshot(window);
                      },
                      5000);
    }

    // The exit status, or -1 when it has not ended in time or did not exit normally.
    int waitForExit(int milliseconds)
    {
        int status = 0;
        bool ended = within([&] { return waitpid(pid_, &status, WNOHANG) == pid_; },
                            [] { std::this_thread::sleep_for(std::chrono::milliseconds(20)); }, milliseconds);
        if (!ended)
            return -1;
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    pid_t pid_ = -1;
};

} // namespace

TEST_F(RuziZevivuvoProgramTest, StartsFromAnotherFolderShowsItsWindowZoomsAndEndsWhenClosed)
{
    TempDir dir;
    start(dir.path(""));
    const XWindow window = findWindow();
    ASSERT_NE(window, 0u) << CommandRun::run("cat stderr.txt", dir.path("")).out;
    int width = 0, height = 0;
    geometry(window, width, height);
    EXPECT_EQ(width, 240);
    EXPECT_EQ(height, 320);

    EXPECT_TRUE(screenShown(window));

    focus(window);
    ASSERT_TRUE(xdotool("key --window " + std::to_string(window) + " ctrl+2"));
    EXPECT_TRUE(within([&] { return geometry(window, width, height), width == 480 && height == 640; },
                       [] { std::this_thread::sleep_for(std::chrono::milliseconds(20)); }))
        << width << " x " << height;

    requestClose(window);
    EXPECT_EQ(waitForExit(5000), 0);
    std::string err = CommandRun::run("cat stderr.txt", dir.path("")).out;
    EXPECT_EQ(err.find("skin"), std::string::npos) << err;
}

TEST_F(RuziZevivuvoProgramTest, ExitButtonEndsTheProgramWithStatusZero)
{
    TempDir dir;
    start(dir.path(""));
    const XWindow window = findWindow();
    ASSERT_NE(window, 0u) << CommandRun::run("cat stderr.txt", dir.path("")).out;
    ASSERT_TRUE(screenShown(window));
    ASSERT_TRUE(xdotool("mousemove --window " + std::to_string(window) + " 175 104 click 1"));
    EXPECT_EQ(waitForExit(5000), 0);
}

TEST_F(RuziZevivuvoProgramTest, FirstFrameIsTheInProcessRenderOfTheSameStartUp)
{
    const std::vector<std::uint32_t> expected = inProcessFirstFrame();
    ASSERT_EQ(expected.size(), static_cast<size_t>(Width * 320)) << "the application did not start in-process";
    ASSERT_NE(expected[150 * Width + 2], 0u) << "the in-process frame shows no screen";

    TempDir dir;
    start(dir.path(""));
    const XWindow window = findWindow();
    ASSERT_NE(window, 0u) << CommandRun::run("cat stderr.txt", dir.path("")).out;
    ASSERT_TRUE(screenShown(window));
    const std::vector<std::uint32_t> shown = screenshot(window);
    ASSERT_EQ(shown.size(), expected.size());
    EXPECT_EQ(rowsDiffer(shown, expected, 0, 320), "");
}

TEST_F(RuziZevivuvoProgramTest, PlayMovesThePlayCursorAndLeavesThePanelAlone)
{
    TempDir dir;
    start(dir.path(""));
    const XWindow window = findWindow();
    ASSERT_NE(window, 0u) << CommandRun::run("cat stderr.txt", dir.path("")).out;
    ASSERT_TRUE(screenShown(window));
    const auto pause = [] { std::this_thread::sleep_for(std::chrono::milliseconds(100)); };

    // Stopped, the view stands still: what follows the click is the cursor, not a redraw.
    const std::vector<std::uint32_t> stopped = screenshot(window);
    std::vector<std::uint32_t> shot = stopped;
    EXPECT_FALSE(within([&] { return !rowsDiffer(stopped, shot, ViewTop, 320).empty(); },
                        [&] { pause(), shot = screenshot(window); }, 500));

    ASSERT_TRUE(xdotool("mousemove --window " + std::to_string(window) + " 8 312 click 1")); // Play
    ASSERT_TRUE(within([&] { return !rowsDiffer(stopped, shot, ViewTop, 320).empty(); },
                       [&] { pause(), shot = screenshot(window); }, 3000))
        << "the view did not change after Play";

    // Two screenshots a second apart: the view moves on, the panel above it does not.
    const std::vector<std::uint32_t> playing = screenshot(window);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const std::vector<std::uint32_t> later = screenshot(window);
    EXPECT_NE(rowsDiffer(playing, later, ViewTop, 320), "");
    EXPECT_EQ(rowsDiffer(playing, later, 0, ViewTop), "");
    EXPECT_EQ(rowsDiffer(stopped, later, 0, ViewTop), "");
}
