#include "app/NProgramOptions.h"

#include <filesystem>
#include <system_error>

namespace {

int zoomFrom(const char* text)
{
    const std::string value = text != nullptr ? text : "";
    if (value == "1" || value == "2" || value == "4")
        return value[0] - '0';
    return 0;
}

std::string absolute(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(path, error);
    return error ? path : full.string();
}

} // namespace

const char* NProgramOptions::usage()
{
    return "usage: ruzi-zevivuvo [SONG.vdl]\n"
           "Plays a VandrelStudio song, shows its arrangement and exports its loop to a WAV file.\n"
           "Without SONG it starts with the bundled song.\n"
           "  --help      print this and exit\n"
           "  --version   print the version and exit\n"
           "The window opens at the zoom that suits the screen; RUZI_ZOOM=1, 2 or 4 fixes it.\n";
}

const char* NProgramOptions::version()
{
    return "ruzi-zevivuvo (VandrelStudio Ruzi Zevivuvo) " RUZI_VERSION "\n";
}

NProgramOptions NProgramOptions::parse(const std::vector<std::string>& args, const char* zoomVariable)
{
    NProgramOptions options;
    options.zoom = zoomFrom(zoomVariable);
    bool optionsEnded = false; // after "--" a name that starts with a dash is a song too
    for (const std::string& arg : args) {
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg == "--help") {
            options.action = Action::Help;
            return options;
        } else if (!optionsEnded && arg == "--version") {
            options.action = Action::Version;
            return options;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            options.action = Action::BadUsage;
            options.error = "unknown option " + arg;
            return options;
        } else if (!options.song.empty()) {
            options.action = Action::BadUsage;
            options.error = "one song at a time";
            return options;
        } else if (!arg.empty()) {
            options.song = absolute(arg);
        }
    }
    return options;
}
