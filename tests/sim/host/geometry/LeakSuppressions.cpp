// The kernel keeps some of its allocations for the life of the process (its
// application object, message printers, reader tables); these tests build
// shapes with it in their own process, so a leak check under the sanitizer
// leaves the kernel's libraries out. Our own code is still checked.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() { return "leak:libTK\nleak:libtbb\n"; }
