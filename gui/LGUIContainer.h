#pragma once

#include "gui/LGUIWidget.h"

struct LGUIEvent;

// A widget that owns a list of children and passes drawing and input down to every visible one,
// in insertion order, with its own position subtracted. Events from children travel up through
// `onEvent`.
class LGUIContainer : public LGUIWidget {
public:
    LGUIContainer(int x, int y, int w, int h);
    ~LGUIContainer() override;

    void draw(int ox, int oy) override;
    void mouseDown(int px, int py) override;
    void mouseMove(int px, int py, bool buttonDown) override;
    void mouseUp(int px, int py) override;
    void keyDown(int key) override;
    void character(int ch) override;
    void keyUp(int key) override;
    void invalidate() override;
    // The first direct child, visible or not, with this id; null if none.
    virtual LGUIWidget* findChild(int childId);
    // Passes the event to the parent; the screen at the top hands it to its listener.
    virtual void onEvent(const LGUIEvent* event);

    // Takes ownership; a widget that belongs to another container is moved.
    void addChild(LGUIWidget* widget);
    // Unlinks without deleting; false if the widget is not a child.
    bool removeChild(LGUIWidget* widget);
    void destroyChildren();

    LGUIWidget* firstChild() const { return firstChild_; }
    LGUIWidget* lastChild() const { return firstChild_ != nullptr ? lastChild_ : nullptr; }

private:
    // Calls `f` with every visible child, in insertion order.
    template <typename F>
    void forEachVisibleChild(F f)
    {
        for (LGUIWidget* child = firstChild_; child != nullptr; child = child->next) {
            if (child->visible)
                f(*child);
        }
    }

    LGUIWidget* firstChild_ = nullptr;
    LGUIWidget* lastChild_ = nullptr;
};
