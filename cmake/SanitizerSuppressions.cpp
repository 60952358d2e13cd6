// Sanitizer settings for code that runs inside uninstrumented system
// libraries. ThreadSanitizer cannot see the synchronisation inside them
// (FFmpeg's frame threads, GLib's main loop and type system, the X and GTK
// stack's own locks) and would report it as races or mutex misuse; it is told
// to ignore what happens inside modules that were not built with it. Our own
// code stays checked.
extern "C" const char* __tsan_default_options() { return "ignore_noninstrumented_modules=1"; }

extern "C" const char* __tsan_default_suppressions() {
    return "race:libavutil.so\n"
           "race:libavcodec.so\n"
           "called_from_lib:libavutil.so\n"
           "called_from_lib:libavcodec.so\n"
           "called_from_lib:libglib-2.0.so\n"
           "called_from_lib:libgobject-2.0.so\n"
           "called_from_lib:libgdk_pixbuf-2.0.so\n"
           "called_from_lib:libgdk-3.so\n"
           "called_from_lib:libgtk-3.so\n";
}

// Under LeakSanitizer: the toolkit libraries keep process-lifetime caches
// (type registries, font maps, theme data) that are never freed by design.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libglib-2.0.so\n"
           "leak:libgobject-2.0.so\n"
           "leak:libgio-2.0.so\n"
           "leak:libgdk-3.so\n"
           "leak:libgtk-3.so\n"
           "leak:libfontconfig.so\n"
           "leak:libpango-1.0.so\n"
           "leak:libpangocairo-1.0.so\n"
           "leak:libpangoft2-1.0.so\n"
           "leak:libcairo.so\n"
           "leak:libharfbuzz.so\n"
           "leak:libX11.so\n"
           "leak:libatk-bridge-2.0.so\n"
           "leak:libdbus-1.so\n";
}
