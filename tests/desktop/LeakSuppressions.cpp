// What LeakSanitizer is not to report in the desktop suite: memory the platform's libraries keep for
// the life of the process (fontconfig's patterns, GIO's MIME database and glib's strings filled once
// by GTK's file chooser; libdbus's buffers of the bus connections SDL's video opens, freed only by a
// dbus_shutdown SDL leaves to the program). Only the allocating library is named, so a leak in our
// own code still shows; built in, so that it holds however the tests are started.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\nleak:libgio-2.0.so\nleak:libglib-2.0.so\nleak:libdbus-1.so\n";
}
