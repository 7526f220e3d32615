#include "platform/desktop/Gtk3FileChooser.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <cctype>
#include <cstring>
#include <fnmatch.h>
#include <sys/stat.h>

namespace {

bool startGtk()
{
    static bool started = false;
    static bool tried = false;
    if (started)
        return true;
    if (!tried) {
        // GTK would otherwise set the C locale from the environment, and with it how numbers are
        // printed and read everywhere in the program.
        gtk_disable_setlocale();
        tried = true;
    }
    // SDL on X11 (under XWayland too) wants GTK on X11 as well, for the dialog to be transient for
    // the program window.
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
        const char* driver = SDL_GetCurrentVideoDriver();
        if (driver != nullptr && std::strcmp(driver, "x11") == 0)
            gdk_set_allowed_backends("x11");
    }
    started = gtk_init_check(nullptr, nullptr);
    return started;
}

bool isFile(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool isFolder(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string lowerCase(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

gboolean matchesFilter(const GtkFileFilterInfo* info, gpointer pattern)
{
    return info->display_name != nullptr &&
           Gtk3FileChooser::matchesPattern(static_cast<const char*>(pattern), info->display_name);
}

// GTK's own patterns tell upper from lower case, so the caller's filters match through a function.
void addFilters(GtkFileChooser* chooser, const std::vector<KESOFileChooser::Filter>& filters)
{
    GtkFileFilter* first = nullptr;
    for (const KESOFileChooser::Filter& kind : filters) {
        GtkFileFilter* filter = gtk_file_filter_new();
        gtk_file_filter_set_name(filter, kind.description.toUtf8().c_str());
        gtk_file_filter_add_custom(filter, GTK_FILE_FILTER_DISPLAY_NAME, matchesFilter,
                                   g_strdup(kind.pattern.toUtf8().c_str()), g_free);
        gtk_file_chooser_add_filter(chooser, filter);
        if (first == nullptr)
            first = filter;
    }
    GtkFileFilter* all = gtk_file_filter_new();
    gtk_file_filter_set_name(all, "All files");
    gtk_file_filter_add_pattern(all, "*");
    gtk_file_chooser_add_filter(chooser, all);
    gtk_file_chooser_set_filter(chooser, first != nullptr ? first : all);
}

// A save starts from the previous choice: the file itself when it exists, else its folder and name.
void offerPreviousChoice(GtkFileChooser* chooser, const std::string& previous)
{
    if (previous.empty())
        return;
    if (isFile(previous)) {
        gtk_file_chooser_set_filename(chooser, previous.c_str());
        return;
    }
    gchar* folder = g_path_get_dirname(previous.c_str());
    gchar* name = g_path_get_basename(previous.c_str());
    if (isFolder(folder))
        gtk_file_chooser_set_current_folder(chooser, folder);
    gtk_file_chooser_set_current_name(chooser, name);
    g_free(folder);
    g_free(name);
}

// The program's one window, the one the user just clicked in.
SDL_Window* programWindow()
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0)
        return nullptr;
    if (SDL_Window* window = SDL_GetKeyboardFocus())
        return window;
    if (SDL_Window* window = SDL_GetMouseFocus())
        return window;
    for (Uint32 id = 1; id <= 16; ++id) {
        if (SDL_Window* window = SDL_GetWindowFromID(id))
            return window;
    }
    return nullptr;
}

// Keeps the dialog above the program window under a window manager. Returns the reference to
// release once the dialog is gone, or null where the window is not an X11 one GTK can reach.
GdkWindow* makeTransient(GtkWidget* dialog)
{
    SDL_Window* window = programWindow();
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window == nullptr || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return nullptr;
    GdkDisplay* display = gtk_widget_get_display(dialog);
    if (!GDK_IS_X11_DISPLAY(display))
        return nullptr;
    GdkWindow* parent = gdk_x11_window_foreign_new_for_display(display, info.info.x11.window);
    if (parent != nullptr)
        gdk_window_set_transient_for(gtk_widget_get_window(dialog), parent);
    return parent;
}

// What the dialog's answer becomes, or nothing while it is no usable choice (the dialog then stays).
std::string acceptedPath(GtkFileChooser* chooser, const std::string& extension, bool save)
{
    gchar* name = gtk_file_chooser_get_filename(chooser);
    if (name == nullptr)
        return {};
    const std::string path = name;
    g_free(name);
    // A name that is not UTF-8 would not survive the way into the program's text and back.
    if (!g_utf8_validate(path.c_str(), -1, nullptr))
        return {};
    if (save)
        return Gtk3FileChooser::withDefaultExtension(path, extension);
    if (isFile(path))
        return path;
    for (const std::string& candidate : {Gtk3FileChooser::withDefaultExtension(path, extension),
                                         Gtk3FileChooser::withDefaultExtension(path, lowerCase(extension))}) {
        if (candidate != path && isFile(candidate))
            return candidate;
    }
    return {};
}

std::string runDialog(const KESOFileChooser::Request& request, bool save, const std::string& startFolder)
{
    GtkWidget* dialog = gtk_file_chooser_dialog_new(
        save ? "Save File" : "Open File", nullptr, save ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN,
        "_Cancel", GTK_RESPONSE_CANCEL, save ? "_Save" : "_Open", GTK_RESPONSE_ACCEPT, nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    gtk_file_chooser_set_local_only(chooser, TRUE);
    // Exporting over an earlier take is the usual case, not an accident to ask about.
    gtk_file_chooser_set_do_overwrite_confirmation(chooser, FALSE);
    addFilters(chooser, request.filters);
    // Without a folder GTK starts in its list of recent files, where a typed path is not taken.
    gtk_file_chooser_set_current_folder(chooser, startFolder.c_str());
    if (save)
        offerPreviousChoice(chooser, request.path.toUtf8());
    gtk_widget_realize(dialog);
    GdkWindow* parent = makeTransient(dialog);

    const std::string extension = request.defaultExtension.toUtf8();
    std::string chosen;
    while (chosen.empty() && gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT)
        chosen = acceptedPath(chooser, extension, save);

    gtk_widget_destroy(dialog);
    if (parent != nullptr)
        g_object_unref(parent);
    // The program's loop does not run GTK's: without this the dialog would stay on screen.
    while (gtk_events_pending())
        gtk_main_iteration();
    return chosen;
}

// While the dialog had the keyboard and the mouse, SDL saw keys go down but not up and clicks meant
// for the dialog; the program goes on as if nothing was held or clicked.
void resynchroniseSdlInput()
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0)
        return;
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_MOUSEMOTION, SDL_MOUSEWHEEL);
    SDL_ResetKeyboard();
}

} // namespace

bool Gtk3FileChooser::chooseOpen(Request& request)
{
    return choose(request, false);
}

bool Gtk3FileChooser::chooseSave(Request& request)
{
    return choose(request, true);
}

bool Gtk3FileChooser::choose(Request& request, bool save)
{
    std::string chosen;
    if (startGtk()) {
        if (lastFolder_.empty() || !isFolder(lastFolder_)) {
            gchar* workingFolder = g_get_current_dir();
            lastFolder_ = workingFolder;
            g_free(workingFolder);
        }
        chosen = runDialog(request, save, lastFolder_);
        resynchroniseSdlInput();
    }
    if (chosen.empty()) {
        if (!save)
            request.path = String();
        return false;
    }
    gchar* folder = g_path_get_dirname(chosen.c_str());
    lastFolder_ = folder;
    g_free(folder);
    request.path = String::fromUtf8(chosen);
    return true;
}

bool Gtk3FileChooser::matchesPattern(const std::string& pattern, const std::string& fileName)
{
    size_t start = 0;
    while (start <= pattern.size()) {
        size_t end = pattern.find(';', start);
        if (end == std::string::npos)
            end = pattern.size();
        std::string one = pattern.substr(start, end - start);
        const size_t first = one.find_first_not_of(' ');
        const size_t last = one.find_last_not_of(' ');
        one = first == std::string::npos ? std::string() : one.substr(first, last - first + 1);
        if (!one.empty() && fnmatch(one.c_str(), fileName.c_str(), FNM_CASEFOLD) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

std::string Gtk3FileChooser::withDefaultExtension(const std::string& path, const std::string& extension)
{
    const size_t nameStart = path.find_last_of('/') + 1; // npos + 1 is 0
    // A leading dot marks a hidden file, not an extension.
    const size_t dot = path.find('.', nameStart + 1);
    if (extension.empty() || nameStart >= path.size() || dot != std::string::npos)
        return path;
    return path + "." + extension;
}
