#pragma once

// What a screen needs from the application while the GUI thread is busy with a long job (an
// export): the window kept alive without letting input reach the program. The application
// implements it, so screens do not depend on the application class.
class NBusyHost {
public:
    virtual ~NBusyHost() = default;
    // Takes in what the window system has sent and drops it, pointer and key events included, so
    // that nothing fires after the job. True when the close button was pressed meanwhile.
    virtual bool dropWaitingEvents() = 0;
    // Shows on the window what was drawn on the screen since the last time, now.
    virtual void showScreenNow() = 0;
};
