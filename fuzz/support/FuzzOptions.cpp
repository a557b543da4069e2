// Sanitizer defaults for the fuzzers: a smaller quarantine keeps a run's memory bounded
// (harnesses allocate and free surfaces constantly), while freed memory still waits long
// enough for any use after free inside one input to be caught.
extern "C" const char* __asan_default_options() {
    return "quarantine_size_mb=32:malloc_context_size=20:detect_leaks=1";
}

extern "C" const char* __ubsan_default_options() {
    return "print_stacktrace=1:halt_on_error=1";
}
