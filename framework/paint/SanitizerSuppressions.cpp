// Leaks that are not ours: fontconfig keeps a few bytes of its parsed
// configuration for the life of the process.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif
