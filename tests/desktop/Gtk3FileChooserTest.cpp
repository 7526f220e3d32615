#include "platform/desktop/Gtk3FileChooser.h"

#include "tests/support/CommandRun.h"
#include "tests/support/TempDir.h"
#include "tests/support/XvfbServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Request = KESOFileChooser::Request;

Request songRequest()
{
    return {{{u"VandrelStudio Song (*.VDL)", u"*.VDL"}}, u"VDL", String()};
}

Request waveRequest(const String& previous)
{
    return {{{u"Wave file (*.WAV)", u"*.WAV"}}, u"WAV", previous};
}

TEST(Gtk3FileChooserTest, FiltersMatchWhateverTheCase)
{
    EXPECT_TRUE(Gtk3FileChooser::matchesPattern("*.VDL", "newsong.vdl"));
    EXPECT_TRUE(Gtk3FileChooser::matchesPattern("*.VDL", "SONG1.VDL"));
    EXPECT_TRUE(Gtk3FileChooser::matchesPattern("*.wav", "TAKE.WAV"));
    EXPECT_TRUE(Gtk3FileChooser::matchesPattern("*.wav; *.aif", "loop.Aif"));
    EXPECT_FALSE(Gtk3FileChooser::matchesPattern("*.VDL", "newsong.vdl.bak"));
    EXPECT_FALSE(Gtk3FileChooser::matchesPattern("*.wav;*.aif", "notes.txt"));
    EXPECT_FALSE(Gtk3FileChooser::matchesPattern("", "notes.txt"));
}

TEST(Gtk3FileChooserTest, ANameWithoutExtensionGetsTheDefaultOne)
{
    EXPECT_EQ(Gtk3FileChooser::withDefaultExtension("/home/me/take1", "WAV"), "/home/me/take1.WAV");
    EXPECT_EQ(Gtk3FileChooser::withDefaultExtension("/home/me.old/take1", "WAV"), "/home/me.old/take1.WAV");
    EXPECT_EQ(Gtk3FileChooser::withDefaultExtension("/home/me/.take1", "WAV"), "/home/me/.take1.WAV");
    EXPECT_EQ(Gtk3FileChooser::withDefaultExtension("/home/me/take1.wav", "WAV"), "/home/me/take1.wav");
    EXPECT_EQ(Gtk3FileChooser::withDefaultExtension("/home/me/take1", ""), "/home/me/take1");
}

// In a process of its own: once GTK has started on a display it cannot be taken back.
TEST(Gtk3FileChooserTest, WithoutADisplayEveryDialogCountsAsCancelled)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            unsetenv("DISPLAY");
            unsetenv("WAYLAND_DISPLAY");
            Gtk3FileChooser chooser;
            Request open = songRequest();
            open.path = u"/songs/earlier.VDL";
            Request save = waveRequest(u"/takes/earlier.WAV");
            const bool opened = chooser.chooseOpen(open);
            const bool saved = chooser.chooseSave(save);
            const bool asSpecified = !opened && !saved && open.path.length() == 0 &&
                                     save.path.toUtf8() == "/takes/earlier.WAV";
            std::fflush(nullptr);
            std::_Exit(asSpecified ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

// The dialog test's X server. A driver that gives up stops it first: _Exit skips its destructor.
std::unique_ptr<XvfbServer> xServer;

// Drives one dialog from another thread while it runs modally on the test's: waits a bounded time
// for its window, focuses it (there is no window manager to do that) and runs the xdotool commands
// on it. A dialog that never shows, or never closes, would leave the test waiting for ever: that
// ends the process instead.
class DialogDriver {
public:
    DialogDriver(const std::string& title, const std::vector<std::string>& commands)
        : thread_([this, title, commands] { drive(title, commands); })
    {
    }
    // Once the dialog has returned.
    ~DialogDriver()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            closed_ = true;
        }
        closedChanged_.notify_one();
        thread_.join();
    }

private:
    void drive(const std::string& title, const std::vector<std::string>& commands)
    {
        const CommandRun found =
            CommandRun::run("timeout 30 xdotool search --sync --onlyvisible --name '^" + title + "$'");
        const std::string window = found.out.substr(0, found.out.find('\n'));
        if (found.status != 0 || window.empty())
            giveUp("The \"" + title + "\" dialog did not appear within 30 s.");
        std::string script = "xdotool windowfocus --sync " + window + " sleep 0.2";
        for (const std::string& command : commands)
            script += " && xdotool " + command; // one run each: "type" takes every word after it
        const CommandRun driven = CommandRun::run("(" + script + ")");
        if (driven.status != 0)
            giveUp("xdotool failed on the \"" + title + "\" dialog: " + driven.err);
        std::unique_lock<std::mutex> lock(mutex_);
        if (!closedChanged_.wait_for(lock, std::chrono::seconds(30), [this] { return closed_; }))
            giveUp("The \"" + title + "\" dialog was still open 30 s after its keys.");
    }

    [[noreturn]] static void giveUp(const std::string& why)
    {
        std::fprintf(stderr, "%s\n", why.c_str());
        xServer.reset();
        std::_Exit(1);
    }

    std::mutex mutex_;
    std::condition_variable closedChanged_;
    bool closed_ = false;
    std::thread thread_; // last: it starts once the rest exists
};

TEST(Gtk3FileChooserTest, TheDialogTakesTypedNamesAndEscapeCancels)
{
    xServer = std::make_unique<XvfbServer>();
    if (!xServer->started())
        GTEST_SKIP() << xServer->why();
    if (CommandRun::run("command -v xdotool").status != 0)
        GTEST_SKIP() << "xdotool is not installed";
    TempDir dir;
    // GTK keeps its settings and recent files there, would ask a session bus for dconf's settings
    // and look for an accessibility bus.
    setenv("XDG_CONFIG_HOME", dir.path("config").c_str(), 1);
    setenv("XDG_DATA_HOME", dir.path("data").c_str(), 1);
    setenv("XDG_CACHE_HOME", dir.path("cache").c_str(), 1);
    setenv("GSETTINGS_BACKEND", "memory", 1);
    setenv("NO_AT_BRIDGE", "1", 1);
    dir.writeBytes("Song.VDL", {'R', 'I', 'F', 'F'});
    Gtk3FileChooser chooser;

    Request open = songRequest();
    bool chosen;
    {
        const std::string typed = "type --delay 20 '" + dir.path("Song.VDL") + "'";
        DialogDriver driver("Open File", {"key ctrl+l", typed, "key Return"});
        chosen = chooser.chooseOpen(open);
    }
    EXPECT_TRUE(chosen);
    EXPECT_EQ(open.path.toUtf8(), dir.path("Song.VDL"));

    // The previous choice is offered, folder and name: Enter alone takes it.
    Request save = waveRequest(dir.file("first.WAV"));
    {
        DialogDriver driver("Save File", {"key Return"});
        chosen = chooser.chooseSave(save);
    }
    EXPECT_TRUE(chosen);
    EXPECT_EQ(save.path.toUtf8(), dir.path("first.WAV"));

    // Now that it exists it is offered again and taken without a question about overwriting it.
    dir.writeBytes("first.WAV", {'R', 'I', 'F', 'F'});
    {
        DialogDriver driver("Save File", {"key Return"});
        chosen = chooser.chooseSave(save);
    }
    EXPECT_TRUE(chosen);
    EXPECT_EQ(save.path.toUtf8(), dir.path("first.WAV"));

    // A new name typed without extension, in the folder offered.
    {
        DialogDriver driver("Save File", {"key ctrl+a", "type --delay 20 take1", "key Return"});
        chosen = chooser.chooseSave(save);
    }
    EXPECT_TRUE(chosen);
    EXPECT_EQ(save.path.toUtf8(), dir.path("take1.WAV"));

    // GTK itself would take a name that does not exist; the dialog stays until Escape (the first one
    // only leaves the typed location).
    {
        DialogDriver driver("Open File", {"key ctrl+l", "type --delay 20 nothing", "key Return", "sleep 1.5",
                                          "key Escape", "sleep 0.5", "key Escape"});
        chosen = chooser.chooseOpen(open);
    }
    EXPECT_FALSE(chosen);
    EXPECT_EQ(open.path.toUtf8(), "");
    xServer.reset();
}

} // namespace
