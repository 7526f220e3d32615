// What the leak checker of the sanitizer build must not blame on the program. libdbus keeps the
// buffers of the bus connections SDL's video opens (screen saver, input methods) until
// dbus_shutdown, which SDL rightly leaves to the program and which we need not call.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libdbus-1.so\n";
}
