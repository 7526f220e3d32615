// What LeakSanitizer is not to report in this suite: the caches GTK's libraries fill once per
// process and never free, fontconfig's font patterns and GIO's MIME database (through the file
// chooser's icons). Only the allocating library is named, so a leak in the program's own code still
// shows. Built into the suite rather than given through LSAN_OPTIONS, so that it holds however the
// tests are started; without the sanitizers nothing calls it.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n"
           "leak:libgio-2.0.so\n";
}
