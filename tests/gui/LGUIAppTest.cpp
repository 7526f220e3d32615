#include "foundation/KESOServices.h"
#include "gui/LGUIApp.h"
#include "gui/LScreenBitmap.h"
#include "tests/support/FakeServices.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Writes down every call the window makes, with the button flag as the call saw it.
class RecordingApp : public LGUIApp {
public:
    void mouseDown(int x, int y) override { log("mouseDown", x, y); }
    void mouseMove(int x, int y, bool held) override { log(held ? "drag" : "move", x, y); }
    void mouseUp(int x, int y) override { log("mouseUp", x, y); }
    void keyDown(int key) override { calls.push_back("keyDown " + std::to_string(key)); }
    void character(int ch) override { calls.push_back("character " + std::to_string(ch)); }
    void keyUp(int key) override { calls.push_back("keyUp " + std::to_string(key)); }
    void filesDropped(const std::vector<String>& files) override
    {
        std::string names;
        for (const String& file : files)
            names += " " + file.toUtf8();
        calls.push_back("dropped" + names);
    }
    void onTimer(int id) override { calls.push_back("timer " + std::to_string(id)); }
    void onCreate() override
    {
        calls.push_back("create");
        if (stepInCreate)
            stepResult = displayStep(frame.data());
    }
    void onDestroy() override { calls.push_back("destroy"); }

    void log(const char* what, int x, int y)
    {
        std::string call = std::string(what) + " " + std::to_string(x) + "," + std::to_string(y);
        if (buttonDown)
            call += " held";
        if (window != nullptr && static_cast<FakeDisplay*>(window)->captured)
            call += " captured";
        calls.push_back(call);
    }

    std::vector<std::string> calls;
    std::vector<std::uint32_t> frame = std::vector<std::uint32_t>(240 * 320, 0x00123456);
    bool stepInCreate = false;
    int stepResult = -1;
};

class LGUIAppTest : public ::testing::Test {
protected:
    void TearDown() override { LScreenBitmap::instance().destroy(); }

    void queue(KESODisplayEvent::Type type, int x = 0, int y = 0, int code = 0, bool control = false)
    {
        KESODisplayEvent event;
        event.type = type;
        event.x = x;
        event.y = y;
        event.code = code;
        event.control = control;
        services.display.events.push_back(event);
    }
    // Steps until every queued event has been handled; the calls they made.
    std::vector<std::string> steps()
    {
        app.calls.clear();
        while (!services.display.events.empty())
            app.displayStep(app.frame.data());
        return app.calls;
    }
    std::string mappedMove(int cw, int ch, int x, int y)
    {
        services.display.client = {cw, ch};
        queue(KESODisplayEvent::MouseMove, x, y);
        std::vector<std::string> calls = steps();
        return calls.size() == 1 ? calls[0] : "calls: " + std::to_string(calls.size());
    }

    FakeServices services;
    RecordingApp app;
};

} // namespace

TEST_F(LGUIAppTest, CreateOpensA240By320WindowAndTheScreenThenCallsOnCreate)
{
    ASSERT_TRUE(app.create(u"Title"));
    EXPECT_TRUE(app.created);
    EXPECT_EQ(app.window, &services.display);
    EXPECT_EQ(services.display.title.toUtf8(), "Title");
    EXPECT_EQ(services.display.width, 240);
    EXPECT_EQ(services.display.height, 320);
    EXPECT_EQ(LScreenBitmap::instance().width(), 240);
    EXPECT_EQ(LScreenBitmap::instance().height(), 320);
    EXPECT_EQ(app.calls, std::vector<std::string>{"create"});
    EXPECT_EQ(LGUIApp::application(), &app);
}

TEST_F(LGUIAppTest, CreateFailsWithoutAWindowAndStepsThenReportTheEnd)
{
    services.display.canOpen = false;
    EXPECT_FALSE(app.create(u"Title"));
    EXPECT_FALSE(app.created);
    EXPECT_EQ(app.window, nullptr);
    EXPECT_TRUE(app.calls.empty());
    EXPECT_EQ(app.displayStep(app.frame.data()), 0);
    EXPECT_EQ(app.run(), 0);

    KESOServices::instance().display = nullptr;
    EXPECT_FALSE(app.create(u"Title"));
}

TEST_F(LGUIAppTest, TheFirstStepWaitsBrieflyThenStepsWaitForTheNextEvent)
{
    app.stepInCreate = true;
    ASSERT_TRUE(app.create(u"Title"));
    // Nothing came, yet the step returned and showed the frame.
    EXPECT_EQ(app.stepResult, 1);
    EXPECT_EQ(services.display.frame, app.frame);
    queue(KESODisplayEvent::Exposed);
    EXPECT_EQ(app.displayStep(app.frame.data()), 1);
    EXPECT_EQ(services.display.waits, (std::vector<int>{LGUIApp::FirstStepTimeoutMs, -1}));
    EXPECT_EQ(services.display.presents, 2);
}

TEST_F(LGUIAppTest, PointerPositionsAreMappedFromTheCurrentClientSize)
{
    ASSERT_TRUE(app.create(u"Title"));
    EXPECT_EQ(mappedMove(480, 640, 100, 200), "move 50,100");
    EXPECT_EQ(mappedMove(240, 320, 100, 200), "move 100,200");
    EXPECT_EQ(mappedMove(250, 330, 249, 329), "move 239,319");
    EXPECT_EQ(mappedMove(250, 330, 125, 165), "move 120,160");
    // A minimised window has no client area.
    EXPECT_EQ(mappedMove(0, 0, 100, 200), "move 0,0");
    EXPECT_EQ(mappedMove(480, 0, 100, 200), "move 0,0");
    // Outside the window while captured: above gives a negative y, left a large x.
    EXPECT_EQ(mappedMove(480, 640, 100, -20), "move 50,-10");
    EXPECT_EQ(mappedMove(480, 640, -2, 20), "move 32767,10");
    EXPECT_EQ(mappedMove(240, 320, -1, 20), "move 65535,20");
}

TEST_F(LGUIAppTest, EachEventReachesItsOperation)
{
    ASSERT_TRUE(app.create(u"Title"));
    services.display.client = {480, 640};
    queue(KESODisplayEvent::MouseMove, 20, 40);
    queue(KESODisplayEvent::MouseDown, 100, 200);
    queue(KESODisplayEvent::MouseMove, 102, 204);
    queue(KESODisplayEvent::MouseUp, 104, 208);
    queue(KESODisplayEvent::KeyDown, 0, 0, 0x0D);
    queue(KESODisplayEvent::KeyDown, 0, 0, 0x0D); // held and repeating
    queue(KESODisplayEvent::Character, 0, 0, 'a');
    queue(KESODisplayEvent::KeyUp, 0, 0, 0x0D);
    queue(KESODisplayEvent::Timer, 0, 0, 1);
    queue(KESODisplayEvent::Exposed);
    KESODisplayEvent drop;
    drop.type = KESODisplayEvent::FilesDropped;
    drop.files = {u"/a/song.vdl", u"/b/other.vdl"};
    services.display.events.push_back(drop);

    // The button flag is set before mouseDown and cleared after mouseUp; the mouse is captured
    // from the press until just before the release is handled.
    EXPECT_EQ(steps(), (std::vector<std::string>{
                           "move 10,20",
                           "mouseDown 50,100 held",
                           "drag 51,102 held captured",
                           "mouseUp 52,104 held",
                           "keyDown 13",
                           "keyDown 13",
                           "character 97",
                           "keyUp 13",
                           "timer 1",
                           "dropped /a/song.vdl /b/other.vdl",
                       }));
    EXPECT_FALSE(app.buttonDown);
    EXPECT_FALSE(services.display.captured);
    EXPECT_EQ(services.display.presents, 11);
}

TEST_F(LGUIAppTest, ControlWithOneTwoOrFourZoomsInsteadOfReachingTheScreen)
{
    ASSERT_TRUE(app.create(u"Title"));
    queue(KESODisplayEvent::KeyDown, 0, 0, '2', true);
    EXPECT_TRUE(steps().empty());
    EXPECT_EQ(services.display.client.width, 480);
    EXPECT_EQ(services.display.client.height, 640);
    // The mapping follows the new client area.
    EXPECT_EQ(mappedMove(480, 640, 100, 200), "move 50,100");

    queue(KESODisplayEvent::KeyDown, 0, 0, '4', true);
    queue(KESODisplayEvent::KeyDown, 0, 0, '3', true);
    queue(KESODisplayEvent::KeyDown, 0, 0, '2');
    EXPECT_EQ(steps(), (std::vector<std::string>{"keyDown 51", "keyDown 50"}));
    EXPECT_EQ(services.display.zoom, 4);
    queue(KESODisplayEvent::KeyDown, 0, 0, '1', true);
    steps();
    EXPECT_EQ(services.display.zoom, 1);

    app.setZoom(3);
    EXPECT_EQ(services.display.zoom, 1);
    EXPECT_EQ(LGUIApp::zoomForKey('4'), 4);
    EXPECT_EQ(LGUIApp::zoomForKey('8'), 0);
}

TEST_F(LGUIAppTest, TheCloseButtonRunsOnDestroyOnceAndEndsTheSteps)
{
    ASSERT_TRUE(app.create(u"Title"));
    queue(KESODisplayEvent::CloseRequest);
    queue(KESODisplayEvent::CloseRequest);
    app.calls.clear();
    EXPECT_EQ(app.displayStep(app.frame.data()), 0);
    EXPECT_EQ(app.displayStep(app.frame.data()), 0);
    app.close();
    EXPECT_EQ(app.calls, std::vector<std::string>{"destroy"});
    EXPECT_FALSE(services.display.isOpen());
    EXPECT_EQ(services.display.presents, 0);
}

TEST_F(LGUIAppTest, CloseRunsOnDestroyBeforeItReturnsAndReleasesTheScreen)
{
    ASSERT_TRUE(app.create(u"Title"));
    app.calls.clear();
    app.close();
    EXPECT_EQ(app.calls, std::vector<std::string>{"destroy"});
    EXPECT_TRUE(LScreenBitmap::instance().isEmpty());
    EXPECT_EQ(app.displayStep(app.frame.data()), 0);
}

TEST_F(LGUIAppTest, RunDispatchesUntilTheWindowCloses)
{
    ASSERT_TRUE(app.create(u"Title"));
    app.pumpMode = 1;
    queue(KESODisplayEvent::KeyDown, 0, 0, 'A');
    queue(KESODisplayEvent::CloseRequest);
    app.calls.clear();
    EXPECT_EQ(app.run(), 0);
    EXPECT_EQ(app.calls, (std::vector<std::string>{"keyDown 65", "destroy"}));
    EXPECT_EQ(services.display.waits, (std::vector<int>{-1, -1}));
}
