// What showing an export's progress costs: the window program's own export flow (the progress hook
// taking in the window's events and redrawing the hint line at most every 100 ms, on a real SDL
// window) against the bare export of the same loop, alternately, REPEATS times each; the medians of
// the processor time the program spent (the export runs on one thread, so this is its cost even on a
// busy machine) and of the wall time, and the differences as a share of the bare export. Both files
// must hold the same bytes. Also the wall time spent in the window work itself (events taken in,
// frames presented), timed around the application's calls. Needs an X server; headless:
//   xvfb-run -a -s "-screen 0 1920x1080x24" build-bench/bin/export_progress_bench [BARS] [REPEATS]
#include "app/NVandrelApp.h"
#include "bench/BusySong.h"
#include "engine/NProgramSession.h"
#include "foundation/KESOFileChooser.h"
#include "foundation/KESOProgramPath.h"
#include "foundation/KESOServices.h"
#include "gui/LGUIEvent.h"
#include "platform/StderrMessageBox.h"
#include "platform/desktop/SdlDisplay.h"
#include "platform/desktop/SdlKeyState.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

// The program folder: the busy song's kit, with the build's skin and bundled song linked in.
class BenchProgramPath : public KESOProgramPath {
public:
    explicit BenchProgramPath(std::string folder) : folder_(std::move(folder)) {}
    String programFile() override { return String::fromUtf8(folder_ + "/ruzi-zevivuvo"); }

private:
    std::string folder_;
};

// The save dialog, answered at once.
class AnsweringChooser : public KESOFileChooser {
public:
    bool chooseOpen(Request&) override { return false; }
    bool chooseSave(Request& request) override
    {
        request.path = answer;
        return true;
    }
    String answer;
};

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The application's window work during an export, timed.
class TimedHost : public NBusyHost {
public:
    explicit TimedHost(NBusyHost& inner) : inner_(inner) {}
    Dropped dropWaitingEvents() override
    {
        const auto start = std::chrono::steady_clock::now();
        const Dropped dropped = inner_.dropWaitingEvents();
        taking += secondsSince(start);
        return dropped;
    }
    void showScreenNow() override
    {
        const auto start = std::chrono::steady_clock::now();
        inner_.showScreenNow();
        showing += secondsSince(start);
        ++frames;
    }
    double taking = 0;  // events taken in
    double showing = 0; // frames presented
    int frames = 0;

private:
    NBusyHost& inner_;
};

struct Cost {
    double processor = 0;
    double wall = 0;
};

Cost cost(const std::function<void()>& work)
{
    const std::clock_t processorStart = std::clock();
    const auto start = std::chrono::steady_clock::now();
    work();
    return {static_cast<double>(std::clock() - processorStart) / CLOCKS_PER_SEC, secondsSince(start)};
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

bool sameBytes(const std::string& a, const std::string& b)
{
    std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
    return std::equal(std::istreambuf_iterator<char>(fa), {}, std::istreambuf_iterator<char>(fb), {});
}

} // namespace

int main(int argc, char** argv)
{
    setenv("SDL_RENDER_DRIVER", "software", 0);
    const int bars = argc > 1 ? std::atoi(argv[1]) : 256;
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const std::string folder = (std::filesystem::temp_directory_path() / "ruzi-export-progress").string();
    std::filesystem::remove_all(folder);
    const std::string song = BusySong::write(folder, bars);
    for (const char* asset : {"skin", "data"})
        std::filesystem::create_directory_symlink(RUZI_BIN_DIR "/" + std::string(asset), folder + "/" + asset);

    BenchProgramPath programPath(folder);
    StderrMessageBox messages;
    SdlKeyState keys;
    SdlDisplay display;
    AnsweringChooser chooser;
    KESOServices& services = KESOServices::instance();
    services.programPath = &programPath;
    services.messageBox = &messages;
    services.keyState = &keys;
    services.display = &display;
    services.fileChooser = &chooser;

    DavEdirorarApp app;
    app.startZoom = 0;
    if (!app.create(u"export_progress_bench")) {
        std::fputs("export_progress_bench: no window: is there an X server in DISPLAY?\n", stderr);
        return 1;
    }
    app.openSong(String::fromUtf8(song));
    const std::string bare = folder + "/bare.wav";
    const std::string shown = folder + "/shown.wav";
    chooser.answer = String::fromUtf8(shown);
    TimedHost timed(app);
    app.exportScreen.setBusyHost(&timed);

    std::vector<double> bareProcessor, bareWall, shownProcessor, shownWall;
    for (int i = 0; i < repeats; ++i) {
        const Cost b = cost([&] { NProgramSession().exportLoop(String::fromUtf8(bare), {}); });
        const Cost s = cost([&] { app.exportScreen.runCommand(commandCode("WAVE")); });
        bareProcessor.push_back(b.processor);
        bareWall.push_back(b.wall);
        shownProcessor.push_back(s.processor);
        shownWall.push_back(s.wall);
    }
    auto report = [](const char* what, const std::vector<double>& bareTimes, const std::vector<double>& shownTimes) {
        const double b = median(bareTimes);
        const double s = median(shownTimes);
        std::printf("  %s: bare export %.3f s, with progress %.3f s: %+.2f %%\n", what, b, s, 100 * (s - b) / b);
    };
    std::printf("%d bars, zoom %d, %d runs each, medians; same bytes: %s\n", bars, display.clientSize().width / 240,
                repeats, sameBytes(bare, shown) ? "yes" : "NO");
    report("processor time", bareProcessor, shownProcessor);
    report("wall time     ", bareWall, shownWall);
    double shownTotal = 0;
    for (double t : shownWall)
        shownTotal += t;
    const double spent = timed.taking + timed.showing;
    std::printf("  window work in the progress hook: %.3f s of %.3f s (%.2f %%): events %.3f s, %d frames %.3f s\n",
                spent, shownTotal, 100 * spent / shownTotal, timed.taking, timed.frames, timed.showing);
    app.close();
    std::filesystem::remove_all(folder);
    return 0;
}
