#pragma once

#include "foundation/KESODisplay.h"

#include <cstdint>
#include <deque>
#include <map>
#include <vector>

// A window that exists only in memory: a test lines up the events it delivers, sets its client
// size, and reads the last frame presented and the timers, zoom and capture the program asked for.
class FakeDisplay : public KESODisplay {
public:
    bool open(const String& t, int w, int h) override
    {
        title = t;
        width = w;
        height = h;
        client = {w, h};
        open_ = canOpen;
        return canOpen;
    }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }

    bool waitEvent(KESODisplayEvent& event, int) override
    {
        if (!open_ || events.empty())
            return false;
        event = events.front();
        events.pop_front();
        return true;
    }
    void present(const std::uint32_t* f) override
    {
        frame.assign(f, f + static_cast<size_t>(width) * height);
        ++presents;
    }

    Size clientSize() override { return client; }
    void setZoom(int z) override
    {
        zoom = z;
        client = {width * z, height * z};
    }
    Size usableScreenSize() override { return screen; }
    void setTimer(int id, int ms) override { timers[id] = ms; }
    void killTimer(int id) override { timers.erase(id); }
    void captureMouse(bool c) override { captured = c; }

    // Lines up an event for waitEvent to deliver.
    void push(KESODisplayEvent::Type type, int x = 0, int y = 0, int code = 0, bool control = false)
    {
        events.push_back({type, x, y, code, false, control, {}});
    }

    bool canOpen = true; // false plays a display that cannot open a window
    std::deque<KESODisplayEvent> events;
    String title;
    int width = 0, height = 0;
    Size client;
    Size screen = {1280, 1024};
    int zoom = 1;
    std::vector<std::uint32_t> frame;
    int presents = 0;
    std::map<int, int> timers; // id: milliseconds
    bool captured = false;

private:
    bool open_ = false;
};
