// Leaks that are not ours, for the sanitizer builds of these tests.
//
// glibc's newlocale() keeps the LOCPATH search list it builds when a locale
// is loaded from LOCPATH (as the comma-decimal locale tests do) and never
// frees it.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() {
  return "leak:__argz_add_sep\n"
         "leak:__argz_create_sep\n";
}
