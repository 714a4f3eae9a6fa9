/* Starts as the tool does (GUI subsystem, the window functions loaded and
   used once) and exits: the start-up cost that scripts/perf-run.sh shows
   beside a whole run of the tool. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  (void)instance;
  (void)previous;
  (void)commandLine;
  (void)show;
  return GetForegroundWindow() == NULL ? 1 : 0;
}
