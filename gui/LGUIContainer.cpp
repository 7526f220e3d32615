#include "gui/LGUIContainer.h"

#include "foundation/MemoryTracker.h"

LGUIContainer::LGUIContainer(int x, int y, int w, int h) : LGUIWidget(x, y, w, h)
{
}

LGUIContainer::~LGUIContainer()
{
    destroyChildren();
}

void LGUIContainer::draw(int ox, int oy)
{
    forEachVisibleChild([&](LGUIWidget& child) { child.draw(ox + x, oy + y); });
}

void LGUIContainer::mouseDown(int px, int py)
{
    forEachVisibleChild([&](LGUIWidget& child) { child.mouseDown(px - x, py - y); });
}

void LGUIContainer::mouseMove(int px, int py, bool buttonDown)
{
    forEachVisibleChild([&](LGUIWidget& child) { child.mouseMove(px - x, py - y, buttonDown); });
}

void LGUIContainer::mouseUp(int px, int py)
{
    forEachVisibleChild([&](LGUIWidget& child) { child.mouseUp(px - x, py - y); });
}

void LGUIContainer::keyDown(int key)
{
    forEachVisibleChild([&](LGUIWidget& child) { child.keyDown(key); });
}

void LGUIContainer::character(int ch)
{
    forEachVisibleChild([&](LGUIWidget& child) { child.character(ch); });
}

void LGUIContainer::keyUp(int key)
{
    forEachVisibleChild([&](LGUIWidget& child) { child.keyUp(key); });
}

void LGUIContainer::invalidate()
{
    forEachVisibleChild([](LGUIWidget& child) { child.invalidate(); });
    dirty = true;
}

LGUIWidget* LGUIContainer::findChild(int childId)
{
    for (LGUIWidget* child = firstChild_; child != nullptr; child = child->next) {
        if (child->getId() == childId)
            return child;
    }
    return nullptr;
}

void LGUIContainer::onEvent(const LGUIEvent* event)
{
    if (parent != nullptr)
        parent->onEvent(event);
}

void LGUIContainer::addChild(LGUIWidget* widget)
{
    if (widget == nullptr)
        return;
    if (widget->parent != nullptr)
        widget->parent->removeChild(widget);
    widget->parent = this;
    widget->next = nullptr;
    if (firstChild_ == nullptr)
        firstChild_ = widget;
    else
        lastChild_->next = widget;
    lastChild_ = widget;
}

bool LGUIContainer::removeChild(LGUIWidget* widget)
{
    LGUIWidget* previous = nullptr;
    LGUIWidget* child = firstChild_;
    while (child != nullptr && child != widget) {
        previous = child;
        child = child->next;
    }
    if (child == nullptr)
        return false;
    if (previous == nullptr)
        firstChild_ = child->next;
    else
        previous->next = child->next;
    if (lastChild_ == child)
        lastChild_ = previous;
    child->parent = nullptr;
    child->next = nullptr;
    return true;
}

void LGUIContainer::destroyChildren()
{
    // The list is emptied first, so nothing reaches a child that is being deleted.
    LGUIWidget* child = firstChild_;
    firstChild_ = nullptr;
    lastChild_ = nullptr;
    while (child != nullptr) {
        LGUIWidget* following = child->next;
        KESO_OWNER("LGUIContainer::destroyChildren");
        delete child;
        child = following;
    }
}
