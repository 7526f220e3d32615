#include "app/NVandrelApp.h"
#include "tests/desktop/DesktopSession.h"
#include "tests/support/CommandRun.h"
#include "tests/support/FakeMidiPort.h"
#include "tests/support/FakeServices.h"
#include "tests/support/GuiTestScreen.h"
#include "tests/support/RecordingMachine.h"
#include "tests/support/TempDir.h"

#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

namespace {

const char* const Title = "VandrelStudio 1.1 Ruzi Zevivuvo";
constexpr int Width = 240;
constexpr int Height = 320;

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
    releaseScreenAndFonts();
    resetEngineForTest();
    return frame;
}

class RuziZevivuvoProgramTest : public DesktopSession {
protected:
    TempDir dir; // the program's working folder
    std::future<CommandRun> program; // waited for after the X server has gone
};

} // namespace

TEST_F(RuziZevivuvoProgramTest, StartedElsewhereItShowsTheSongZoomsAndEndsWhenClosed)
{
    const std::vector<std::uint32_t> expected = inProcessFirstFrame();
    ASSERT_EQ(expected.size(), static_cast<size_t>(Width * Height)) << "the application did not start in-process";
    // A test failing half-way waits for it at most a minute: the program goes on running when its
    // X server has gone.
    program = std::async(std::launch::async, [this] {
        return CommandRun::run("SDL_AUDIODRIVER=dummy timeout -s KILL 60 " RUZI_BIN_DIR "/ruzi-zevivuvo", dir.path(""));
    });
    const XWindow window = findWindow(Title, 10);
    ASSERT_NE(window, 0u);
    std::vector<std::uint32_t> shot;
    const auto look = [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        shot = screenshot(window);
    };
    // Only with the skin and the song found beside the program is its first frame the in-process one.
    EXPECT_TRUE(within([&] { return shot == expected; }, look, 5000));
    // Zoomed, each pixel of the frame fills a square of four; rows of the wrong width would not match.
    std::vector<std::uint32_t> zoomed(4 * expected.size());
    for (std::size_t i = 0; i < zoomed.size(); ++i)
        zoomed[i] = expected[(i / (4 * Width)) * Width + (i % (2 * Width)) / 2];
    focus(window);
    ASSERT_TRUE(xdotool("key --window " + std::to_string(window) + " ctrl+2"));
    EXPECT_TRUE(within([&] { return shot == zoomed; }, look, 5000));
    requestClose(window);
    ASSERT_EQ(program.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    const CommandRun run = program.get();
    EXPECT_EQ(run.status, 0) << run.err;
}

TEST(RuziZevivuvoProgram, EndsWithAMessageWhenItsDisplayGoesAway)
{
    auto xvfb = std::make_unique<XvfbServer>();
    if (!xvfb->started())
        GTEST_SKIP() << xvfb->why();
    TempDir dir;
    std::future<CommandRun> program = std::async(std::launch::async, [&dir] {
        return CommandRun::run("SDL_VIDEODRIVER=x11 SDL_RENDER_DRIVER=software SDL_AUDIODRIVER=dummy "
                               "RUZI_MESSAGES_TO_STDERR=1 timeout -s KILL 30 " RUZI_BIN_DIR "/ruzi-zevivuvo",
                               dir.path(""));
    });
    ASSERT_EQ(CommandRun::run(std::string("timeout 10 xdotool search --sync --name '") + Title + "'").status, 0);
    xvfb.reset();
    // Before, Xlib's exit ran the static destructors, which spun on the dead connection.
    ASSERT_EQ(program.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    const CommandRun run = program.get();
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("the connection to the display was lost"), std::string::npos) << run.err;
}
