// fontconfig, which cairo's text uses, keeps its configuration until the process ends and never
// frees it; the leak checker of sanitizer builds would fail every test binary that draws text.

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
