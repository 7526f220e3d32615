// Microseconds per main-loop turn of the window program: one window event taken and dispatched,
// the whole 240 x 320 frame uploaded and stretched to the window, at zoom 1, 2 and 4. It needs an
// X server; headless:
//   xvfb-run -a -s "-screen 0 2048x1536x24" build/bin/display_bench
// SDL_RENDER_DRIVER picks the renderer (software unless set, as in the headless tests).
#include "foundation/KESOServices.h"
#include "gui/LGUIApp.h"
#include "platform/StderrMessageBox.h"
#include "platform/desktop/SdlDisplay.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

static void DisplayStep(benchmark::State& state)
{
    const int zoom = static_cast<int>(state.range(0));
    SdlDisplay display;
    StderrMessageBox messages;
    KESOServices::instance().display = &display;
    KESOServices::instance().messageBox = &messages;
    LGUIApp app;
    if (!app.create(u"display_bench")) {
        state.SkipWithError("no window: is there an X server in DISPLAY?");
        return;
    }
    std::vector<std::uint32_t> frame(240 * 320);
    for (size_t i = 0; i < frame.size(); ++i)
        frame[i] = static_cast<std::uint32_t>(i * 2654435761u) & 0xFFFFFF;
    app.setZoom(zoom);
    // The window manager, if any, may take a moment to apply the size.
    app.setTimer(1, 5);
    for (int turns = 0; turns < 200 && display.clientSize().width != 240 * zoom; ++turns)
        app.displayStep(frame.data());
    app.killTimer(1);

    SDL_Event exposed{};
    exposed.type = SDL_WINDOWEVENT;
    exposed.window.event = SDL_WINDOWEVENT_EXPOSED;
    exposed.window.windowID = SDL_GetWindowID(SdlDisplay::programWindow());
    for (auto _ : state) {
        SDL_PushEvent(&exposed);
        app.displayStep(frame.data());
    }
    state.counters["client_width"] = display.clientSize().width;
    app.close();
    KESOServices::instance().display = nullptr;
    KESOServices::instance().messageBox = nullptr;
}
BENCHMARK(DisplayStep)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    setenv("SDL_RENDER_DRIVER", "software", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
