// SPDX-License-Identifier: GPL-3.0-or-later
// Under LeakSanitizer: leaks inside system libraries that the program cannot free
// (thread-local error strings, caches kept for the process's lifetime). The program's own
// code is never suppressed.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libSDL2\n"
         "leak:libfontconfig\n"
         "leak:libdbus\n"
         "leak:libQt6Core\n"
         "leak:libQt6Gui\n";
}
