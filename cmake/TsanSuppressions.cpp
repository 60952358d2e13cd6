// Under ThreadSanitizer: FFmpeg's decoder threads hand frames over with
// atomics inside the (uninstrumented) FFmpeg libraries, which the sanitizer
// cannot see and reports as races on the buffers. Our own code stays checked.
extern "C" const char* __tsan_default_suppressions() {
    return "race:libavutil.so\n"
           "race:libavcodec.so\n"
           "called_from_lib:libavcodec.so\n";
}
