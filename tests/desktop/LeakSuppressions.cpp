// What LeakSanitizer is not to report in the desktop suite: memory the platform's own libraries
// keep for the life of the process. fontconfig's font patterns, GIO's MIME database and a few of
// glib's own strings (reported in runs from a fresh checkout) are what GTK's
// file chooser fills once and never frees; libdbus keeps the buffers of the bus connections
// SDL's video opens (screen saver, input methods) until dbus_shutdown, which SDL leaves to the
// program and which we need not call. Only the allocating library is named, so a leak in the
// program's own code still shows. Built into the suite rather than given through LSAN_OPTIONS, so
// that it holds however the tests are started; without the sanitizers nothing calls it.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n"
           "leak:libgio-2.0.so\n"
           "leak:libglib-2.0.so\n"
           "leak:libdbus-1.so\n";
}
