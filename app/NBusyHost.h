#pragma once

// What a screen needs from the application while the GUI thread is busy with a long job (an
// export): the window kept alive without letting input reach the program. The application
// implements it, so screens do not depend on the application class.
class NBusyHost {
public:
    // What was among the events dropped.
    struct Dropped {
        bool closeRequested = false; // the window's close button
        bool escapePressed = false;  // a tap may be over before anyone asks whether Escape is held
    };

    virtual ~NBusyHost() = default;
    // Takes in what the window system has sent and drops it, pointer and key events included, so
    // that nothing fires after the job.
    virtual Dropped dropWaitingEvents() = 0;
    // Shows on the window what was drawn on the screen since the last time, now.
    virtual void showScreenNow() = 0;
};
