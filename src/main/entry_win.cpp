#include <windows.h>

#include "main/app_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  return qv::run_app(__argc, __wargv);
}
