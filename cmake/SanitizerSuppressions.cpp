// Under ThreadSanitizer: FFmpeg's decoder threads hand frames over with
// atomics inside the (uninstrumented) FFmpeg libraries, which the sanitizer
// cannot see and reports as races on the buffers. GLib's main-loop and
// object machinery synchronise internally the same way. Our own code stays
// checked.
extern "C" const char* __tsan_default_suppressions() {
    return "race:libavutil.so\n"
           "race:libavcodec.so\n"
           "called_from_lib:libavcodec.so\n"
           "race:libglib-2.0.so\n"
           "race:libgobject-2.0.so\n"
           "race:libgio-2.0.so\n"
           "race:libgdk-3.so\n"
           "race:libgtk-3.so\n"
           "race:libfontconfig.so\n"
           "race:libpango-1.0.so\n"
           "race:libpangocairo-1.0.so\n"
           "race:libpangoft2-1.0.so\n"
           "race:libcairo.so\n"
           "race:libharfbuzz.so\n"
           "called_from_lib:libglib-2.0.so\n"
           "called_from_lib:libgtk-3.so\n"
           "called_from_lib:libgdk-3.so\n"
           "called_from_lib:libfontconfig.so\n";
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
