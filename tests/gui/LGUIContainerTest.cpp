#include "gui/LGUIContainer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

// Logs what reaches it, and its deletion, into a log shared by a test's widgets.
class Probe : public LGUIWidget {
public:
    Probe(Log& log, const std::string& name) : LGUIWidget(0, 0, 1, 1), log(log), name(name) {}
    ~Probe() override { log.push_back(name + " deleted"); }
    void draw(int ox, int oy) override { note("draw", ox, oy); }
    void mouseDown(int px, int py) override { note("down", px, py); }
    void mouseMove(int px, int py, bool b) override { note(b ? "drag" : "move", px, py); }
    void mouseUp(int px, int py) override { note("up", px, py); }
    void keyDown(int key) override { note("key", key, 0); }
    void note(const std::string& what, int a, int b)
    {
        log.push_back(name + " " + what + " " + std::to_string(a) + "," + std::to_string(b));
    }

    Log& log;
    std::string name;
};

} // namespace

TEST(LGUIContainer, InputAndDrawingReachVisibleChildrenInTheirOwnCoordinates)
{
    Log log;
    LGUIContainer* box = new LGUIContainer(10, 20, 100, 100);
    LGUIContainer* inner = new LGUIContainer(5, 5, 50, 50);
    Probe* hidden = new Probe(log, "hidden");
    box->addChild(new Probe(log, "a"));
    box->addChild(hidden);
    box->addChild(inner);
    inner->addChild(new Probe(log, "b"));
    hidden->hide(false);
    box->mouseDown(15, 25);
    box->mouseMove(16, 26, true);
    box->mouseUp(17, 27);
    box->mouseMove(18, 28, false);
    box->keyDown(1);
    box->draw(0, 0);
    delete box;
    EXPECT_EQ(log, (Log{"a down 5,5", "b down 0,0", "a drag 6,6", "b drag 1,1", "a up 7,7", "b up 2,2",
                        "a move 8,8", "b move 3,3", "a key 1,0", "b key 1,0", "a draw 10,20", "b draw 15,25",
                        "a deleted", "hidden deleted", "b deleted"}));
}
