#pragma once

class LGUIContainer;

// The base of every widget: a rectangle in its parent's coordinates, a dirty flag that asks for a
// redraw, and a visible flag. Widgets receive every pointer event of their container and decide
// for themselves whether a point concerns them.
class LGUIWidget {
public:
    LGUIWidget(int x, int y, int w, int h);
    LGUIWidget(const LGUIWidget&) = delete;
    LGUIWidget& operator=(const LGUIWidget&) = delete;
    virtual ~LGUIWidget();

    // Redraws at the parent's accumulated origin (ox, oy), when dirty.
    virtual void draw(int ox, int oy);
    virtual void mouseDown(int px, int py);
    virtual void mouseMove(int px, int py, bool buttonDown);
    virtual void mouseUp(int px, int py);
    virtual void keyDown(int key);
    virtual void character(int ch);
    virtual void keyUp(int key);
    virtual void invalidate();
    virtual void show();
    virtual void hide(bool invalidateParent);
    virtual int getId() const;
    virtual void setId(int newId);
    virtual void setValue(int value);
    virtual int getValue() const;

    // Whether a point in the parent's coordinates lies inside the widget.
    bool contains(int px, int py) const { return x <= px && px < x + w && y <= py && py < y + h; }

    int x, y, w, h;
    int command = 0;
    int id = -1;
    bool dirty = true;
    bool visible = true;
    // Kept by the container the widget belongs to.
    LGUIContainer* parent = nullptr;
    LGUIWidget* next = nullptr;

protected:
    // Follows a drag that began on the widget: whether the point is inside now. Crossing the edge
    // since the last call (`wasInside`, updated here) asks for a redraw.
    bool trackDrag(int px, int py, bool& wasInside);
};
