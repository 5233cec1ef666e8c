// A small program with a name no other process has, for tests that find, list and end an app:
// it waits without using the processor and leaves by itself after ten minutes, so that a test
// that fails half-way leaves nothing running for long.
#include <windows.h>

int wmain() {
  Sleep(10 * 60 * 1000);
  return 0;
}
