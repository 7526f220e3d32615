#include "foundation/KESOServices.h"
#include "gui/LGUIApp.h"
#include "gui/LScreenBitmap.h"
#include "tests/support/FakeServices.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

// Writes down every call the window makes, with the button and capture state the call saw.
class RecordingApp : public LGUIApp {
public:
    void mouseDown(int x, int y) override { mouse("down", x, y); }
    void mouseMove(int x, int y, bool held) override { mouse(held ? "drag" : "move", x, y); }
    void mouseUp(int x, int y) override { mouse("up", x, y); }
    void keyDown(int key) override { note("keyDown", key); }
    void character(int ch) override { note("character", ch); }
    void keyUp(int key) override { note("keyUp", key); }
    void onTimer(int id) override { note("timer", id); }
    void filesDropped(const std::vector<String>& files) override { note("dropped", static_cast<int>(files.size())); }
    void onCreate() override { note("create", displayStep(frame.data())); }
    void onDestroy() override { note("destroy", 0); }
    void note(const char* what, int value) { calls.push_back(std::string(what) + " " + std::to_string(value)); }
    void mouse(const char* what, int x, int y)
    {
        calls.push_back(std::string(what) + " " + std::to_string(x) + "," + std::to_string(y) +
                        (buttonDown ? " held" : "") + (static_cast<FakeDisplay*>(window)->captured ? " captured" : ""));
    }
    std::vector<std::string> calls;
    std::vector<std::uint32_t> frame = std::vector<std::uint32_t>(240 * 320, 0x00123456);
};

class LGUIAppTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(app.create(u"Title")); }
    void TearDown() override { LScreenBitmap::instance().destroy(); }
    // Steps until every queued event has been handled; the calls they made.
    std::vector<std::string> steps()
    {
        app.calls.clear();
        while (!display.events.empty())
            app.displayStep(app.frame.data());
        return app.calls;
    }
    FakeServices services;
    FakeDisplay& display = services.display;
    RecordingApp app;
};

} // namespace

// Captured outside the window, above gives a negative y, left a large x.
TEST_F(LGUIAppTest, PointerPositionsAreMappedFromTheCurrentClientSize)
{
    for (auto [cw, ch, x, y, moved] :
         {std::tuple{480, 640, 100, 200, "move 50,100"}, {240, 320, 100, 200, "move 100,200"},
          {250, 330, 249, 329, "move 239,319"}, {250, 330, 125, 165, "move 120,160"}, {0, 0, 100, 200, "move 0,0"},
          {480, 0, 100, 200, "move 0,0"}, {480, 640, 100, -20, "move 50,-10"}, {480, 640, -2, 20, "move 32767,10"},
          {240, 320, -1, 20, "move 65535,20"}}) {
        display.client = {cw, ch};
        display.push(KESODisplayEvent::MouseMove, x, y);
        EXPECT_EQ(steps(), std::vector<std::string>{moved}) << cw << "x" << ch << " at " << x << "," << y;
    }
}

TEST_F(LGUIAppTest, EachEventReachesItsOperationUntilTheCloseButton)
{
    display.client = {480, 640};
    display.push(KESODisplayEvent::MouseMove, 20, 40);
    display.push(KESODisplayEvent::MouseDown, 100, 200);
    display.push(KESODisplayEvent::MouseMove, 102, 204);
    display.push(KESODisplayEvent::MouseUp, 104, 208);
    display.push(KESODisplayEvent::KeyDown, 0, 0, 0x0D);
    display.push(KESODisplayEvent::KeyDown, 0, 0, 0x0D); // held and repeating
    display.push(KESODisplayEvent::Character, 0, 0, 'a');
    display.push(KESODisplayEvent::KeyUp, 0, 0, 0x0D);
    display.push(KESODisplayEvent::Timer, 0, 0, 1);
    display.push(KESODisplayEvent::Exposed);
    display.events.push_back({.type = KESODisplayEvent::FilesDropped, .files = {u"/a/song.vdl", u"/b/other.vdl"}});
    display.push(KESODisplayEvent::CloseRequest);
    // The button flag is set before mouseDown and cleared after mouseUp; the mouse is captured
    // from the press until just before the release is handled.
    EXPECT_EQ(steps(), (std::vector<std::string>{"move 10,20", "down 50,100 held", "drag 51,102 held captured",
                                                 "up 52,104 held", "keyDown 13", "keyDown 13", "character 97",
                                                 "keyUp 13", "timer 1", "dropped 2", "destroy 0"}));
    EXPECT_FALSE(app.buttonDown || display.captured || display.isOpen());
    EXPECT_EQ(app.displayStep(app.frame.data()), 0);
    app.close();
    EXPECT_EQ(app.calls.size(), 11u);
    EXPECT_TRUE(LScreenBitmap::instance().isEmpty());
}
