#include "gui/LGUIApp.h"

#include "foundation/KESOServices.h"
#include "gui/LScreenBitmap.h"

#include <chrono>
#include <initializer_list>
#include <thread>

LGUIApp* LGUIApp::application_ = nullptr;

LGUIApp::LGUIApp()
    : programDir(appDirectory())
{
    application_ = this;
}

LGUIApp::~LGUIApp()
{
    // Only reached when start-up failed or in tests; the window must not outlive its owner.
    if (window != nullptr)
        window->close();
    if (application_ == this)
        application_ = nullptr;
}

bool LGUIApp::create(const String& title)
{
    width = LogicalWidth;
    height = LogicalHeight;
    // The object may have been made before the program-path service was installed.
    if (programDir.length() == 0)
        programDir = appDirectory();
    KESODisplay* display = KESOServices::instance().display;
    if (display == nullptr || !display->open(title, width, height))
        return false;
    window = display;
    const int zoom = startZoom != 0 ? startZoom : zoomForScreen(display->usableScreenSize());
    if (zoom != 1)
        setZoom(zoom);
    firstStep_ = true;
    LScreenBitmap::instance().create(width, height);
    created = true;
    onCreate();
    return true;
}

int LGUIApp::run()
{
    if (window == nullptr)
        return 0;
    while (window->isOpen()) {
        KESODisplayEvent event;
        if (window->waitEvent(event, pumpMode == 1 ? -1 : 0))
            dispatch(event);
        idle();
    }
    return 0;
}

void LGUIApp::close()
{
    handleClose();
    LScreenBitmap::instance().destroy();
}

int LGUIApp::displayStep(const std::uint32_t* frameBuffer)
{
    if (window == nullptr || !window->isOpen()) {
        // A caller that keeps stepping a closed window must not spin.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return 0;
    }
    const int timeoutMs = firstStep_ ? FirstStepTimeoutMs : -1;
    firstStep_ = false;
    KESODisplayEvent event;
    if (window->waitEvent(event, timeoutMs))
        dispatch(event);
    if (!window->isOpen())
        return 0;
    if (frameBuffer != nullptr)
        window->present(frameBuffer);
    return 1;
}

void LGUIApp::setTimer(int id, int milliseconds)
{
    if (window != nullptr)
        window->setTimer(id, milliseconds);
}

void LGUIApp::killTimer(int id)
{
    if (window != nullptr)
        window->killTimer(id);
}

void LGUIApp::setZoom(int zoom)
{
    if (window != nullptr && (zoom == 1 || zoom == 2 || zoom == 4))
        window->setZoom(zoom);
}

int LGUIApp::zoomForKey(int key)
{
    switch (key) {
    case '1':
        return 1;
    case '2':
        return 2;
    case '4':
        return 4;
    default:
        return 0;
    }
}

int LGUIApp::zoomForScreen(KESODisplay::Size usable)
{
    const int room = usable.height * ScreenShareNumerator / ScreenShareDenominator;
    for (const int zoom : {4, 2}) {
        if (LogicalHeight * zoom <= room && LogicalWidth * zoom <= usable.width)
            return zoom;
    }
    return 1;
}

LGUIApp::Point LGUIApp::mapPointer(int clientX, int clientY, KESODisplay::Size client) const
{
    if (client.width == 0 || client.height == 0)
        return {};
    const int x = static_cast<std::uint16_t>(clientX);
    const int y = static_cast<std::int16_t>(clientY);
    return {x * width / client.width, y * height / client.height};
}

void LGUIApp::dispatch(const KESODisplayEvent& event)
{
    switch (event.type) {
    case KESODisplayEvent::CloseRequest:
        handleClose();
        break;
    case KESODisplayEvent::KeyDown:
        // Ctrl+1, 2 and 4 are the zoom commands, and the application may take other Control keys
        // as commands; neither reaches the screen.
        if (const int zoom = event.control ? zoomForKey(event.code) : 0)
            setZoom(zoom);
        else if (!event.control || !shortcut(event.code, event.repeat))
            keyDown(event.code);
        break;
    case KESODisplayEvent::KeyUp:
        keyUp(event.code);
        break;
    case KESODisplayEvent::Character:
        character(event.code);
        break;
    case KESODisplayEvent::Timer:
        onTimer(event.code);
        break;
    case KESODisplayEvent::MouseMove: {
        const Point p = mapPointer(event.x, event.y, window->clientSize());
        mouseMove(p.x, p.y, buttonDown);
        break;
    }
    case KESODisplayEvent::MouseDown: {
        const Point p = mapPointer(event.x, event.y, window->clientSize());
        buttonDown = true;
        mouseDown(p.x, p.y);
        window->captureMouse(true);
        break;
    }
    case KESODisplayEvent::MouseUp: {
        const Point p = mapPointer(event.x, event.y, window->clientSize());
        // Released before the screen hears of it: a click may open a modal dialog, which must not
        // find the pointer held by this window.
        window->captureMouse(false);
        mouseUp(p.x, p.y);
        buttonDown = false;
        break;
    }
    case KESODisplayEvent::FilesDropped:
        filesDropped(event.files);
        break;
    case KESODisplayEvent::Exposed: // every step presents the frame anyway
    case KESODisplayEvent::None:
        break;
    }
}

void LGUIApp::handleClose()
{
    if (window == nullptr || !window->isOpen())
        return;
    window->close();
    onDestroy();
}
