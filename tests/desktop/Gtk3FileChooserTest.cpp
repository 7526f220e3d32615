#include "platform/desktop/Gtk3FileChooser.h"

#include "tests/desktop/DesktopSession.h"
#include "tests/support/CommandRun.h"
#include "tests/support/TempDir.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <string>
#include <thread>
#include <vector>

TEST(Gtk3FileChooserTest, FiltersMatchWhateverTheCaseAndOnlyANameWithoutExtensionGetsTheDefaultOne)
{
    EXPECT_TRUE(Gtk3FileChooser::matchesPattern("*.VDL", "newsong.vdl"));
    EXPECT_TRUE(Gtk3FileChooser::matchesPattern("*.wav; *.aif", "LOOP.Aif"));
    EXPECT_FALSE(Gtk3FileChooser::matchesPattern("*.VDL", "newsong.vdl.bak"));
    EXPECT_EQ(Gtk3FileChooser::withDefaultExtension("/home/me.old/.take1", "WAV"), "/home/me.old/.take1.WAV");
    EXPECT_EQ(Gtk3FileChooser::withDefaultExtension("/home/me/take1.wav", "WAV"), "/home/me/take1.wav");
}

namespace {

using Request = KESOFileChooser::Request;

class Gtk3FileChooserDialogTest : public DesktopSession {
protected:
    void SetUp() override
    {
        DesktopSession::SetUp();
        // GTK keeps its settings and recent files there, would ask a session bus for dconf's
        // settings and look for an accessibility bus.
        for (const char* folder : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
            setenv(folder, dir.path(folder).c_str(), 1);
        setenv("GSETTINGS_BACKEND", "memory", 1);
        setenv("NO_AT_BRIDGE", "1", 1);
    }
    // Runs the dialog here, modally, while another thread waits a bounded time for its window,
    // focuses it (there is no window manager to do that) and runs the xdotool commands on it. A
    // dialog that never shows, or never closes, would leave the test waiting for ever: that ends
    // the process instead, and its X server with it.
    static bool driven(const std::string& title, const std::vector<std::string>& commands,
                       const std::function<bool()>& dialog)
    {
        std::promise<void> closed;
        std::thread driver([&title, &commands, done = closed.get_future()] {
            const XWindow window = findWindow(title, 30);
            std::string script = "xdotool windowfocus --sync " + std::to_string(window) + " sleep 0.2";
            for (const std::string& command : commands)
                script += " && xdotool " + command; // one run each: "type" takes every word after it
            const bool typed = window != 0 && CommandRun::run("(" + script + ")").status == 0;
            if (!typed || done.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
                std::fprintf(stderr, "The \"%s\" dialog did not show, take its keys or close.\n", title.c_str());
                std::_Exit(1);
            }
        });
        const bool chosen = dialog();
        closed.set_value();
        driver.join();
        return chosen;
    }
    TempDir dir;
    Gtk3FileChooser chooser;
};

} // namespace

TEST_F(Gtk3FileChooserDialogTest, TakesTypedNamesAndThePreviousChoiceUntilEscapeCancels)
{
    dir.writeBytes("Song.VDL", {'R', 'I', 'F', 'F'});
    Request open = {{{u"VandrelStudio Song (*.VDL)", u"*.VDL"}}, u"VDL", String()};
    const std::string typed = "type --delay 20 '" + dir.path("Song.VDL") + "'";
    EXPECT_TRUE(driven("Open File", {"key ctrl+l", typed, "key Return"}, [&] { return chooser.chooseOpen(open); }));
    EXPECT_EQ(open.path.toUtf8(), dir.path("Song.VDL"));
    // The previous choice is offered, folder and name: Enter alone takes it, and once the file
    // exists, takes it again without a question about overwriting it.
    Request save = {{{u"Wave file (*.WAV)", u"*.WAV"}}, u"WAV", String()};
    save.path = dir.file("first.WAV");
    for (int round = 0; round < 2; ++round) {
        EXPECT_TRUE(driven("Save File", {"key Return"}, [&] { return chooser.chooseSave(save); }));
        EXPECT_EQ(save.path.toUtf8(), dir.path("first.WAV"));
        dir.writeBytes("first.WAV", {'R', 'I', 'F', 'F'});
    }
    // A new name typed without extension, in the folder offered.
    EXPECT_TRUE(driven("Save File", {"key ctrl+a", "type --delay 20 take1", "key Return"},
                       [&] { return chooser.chooseSave(save); }));
    EXPECT_EQ(save.path.toUtf8(), dir.path("take1.WAV"));
    // GTK itself would take a name that does not exist; the dialog stays until Escape (the first
    // one only leaves the typed location).
    const std::vector<std::string> keys = {"key ctrl+l", "type --delay 20 nothing", "key Return", "sleep 1.5",
                                           "key Escape", "sleep 0.5", "key Escape"};
    EXPECT_FALSE(driven("Open File", keys, [&] { return chooser.chooseOpen(open); }));
    EXPECT_EQ(open.path.toUtf8(), "");
}
