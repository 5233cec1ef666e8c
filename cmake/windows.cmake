# Windows build: quorvel.exe, the Windows-side tests and the Win32 bench.
enable_language(RC)
set(QV_WIN_DEFS _WIN32_WINNT=0x0A00 WINVER=0x0A00 NTDDI_VERSION=0x0A000000 UNICODE _UNICODE
    WIN32_LEAN_AND_MEAN NOMINMAX)
set(QV_WIN_LIBS user32 gdi32 shell32 comctl32 advapi32 ole32 oleaut32 oleacc uuid iphlpapi pdh dwmapi ntdll ws2_32)

# The C/C++ runtime is linked statically, so the exe runs without extra DLLs.
set(CMAKE_MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")
if(MINGW)
  # One self-contained exe: no libstdc++/libgcc/winpthread DLLs beside it.
  add_link_options(-static -static-libgcc -static-libstdc++)
  # Sections aligned to whole pages in the file let a loader map the image instead of reading it
  # in whole (Wine reads images with the default 512-byte alignment into private memory, code and
  # debug sections included), so only the pages that run are resident. No symbols: nothing of
  # ours reads them, and they would be loaded with the image.
  add_link_options(-s -Wl,--file-alignment=4096)
endif()

add_library(quorvel_core STATIC ${QV_CORE_SOURCES})
target_include_directories(quorvel_core PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_compile_definitions(quorvel_core PUBLIC ${QV_WIN_DEFS})

add_library(quorvel_win STATIC ${QV_WIN_SOURCES})
target_link_libraries(quorvel_win PUBLIC quorvel_core ${QV_WIN_LIBS})

# One version, the project's, for both executables' version resources and the installer
# (scripts/package.sh reads version.txt). Each writes quorvel_version.h and version.txt into DIR.
function(qv_version_files dir major minor patch)
  set(QV_V_MAJOR ${major})
  set(QV_V_MINOR ${minor})
  set(QV_V_PATCH ${patch})
  set(QV_V_TEXT "${major}.${minor}.${patch}")
  configure_file(${PROJECT_SOURCE_DIR}/res/version.h.in ${dir}/quorvel_version.h @ONLY)
  file(CONFIGURE OUTPUT ${dir}/version.txt CONTENT "${QV_V_TEXT}\n")
endfunction()
set(QV_VERSION_MINOR_OR_0 0)
set(QV_VERSION_PATCH_OR_0 0)
if(NOT "${PROJECT_VERSION_MINOR}" STREQUAL "")
  set(QV_VERSION_MINOR_OR_0 ${PROJECT_VERSION_MINOR})
endif()
if(NOT "${PROJECT_VERSION_PATCH}" STREQUAL "")
  set(QV_VERSION_PATCH_OR_0 ${PROJECT_VERSION_PATCH})
endif()
set(QV_VERSION_DIR ${CMAKE_BINARY_DIR}/version)
qv_version_files(${QV_VERSION_DIR} ${PROJECT_VERSION_MAJOR} ${QV_VERSION_MINOR_OR_0} ${QV_VERSION_PATCH_OR_0})

add_executable(quorvel WIN32 ${PROJECT_SOURCE_DIR}/src/main/entry_win.cpp ${PROJECT_SOURCE_DIR}/res/quorvel.rc)
target_include_directories(quorvel PRIVATE ${QV_VERSION_DIR})
target_link_libraries(quorvel PRIVATE quorvel_win)
if(MINGW)
  target_link_options(quorvel PRIVATE -municode)
endif()

option(QV_WIN_TESTS "Build the Windows-side tests" ON)
if(QV_WIN_TESTS)
  enable_testing()
  set(GTEST_SRC_DIR /usr/src/googletest/googletest CACHE PATH "GoogleTest sources")
  add_library(gtest_win STATIC ${GTEST_SRC_DIR}/src/gtest-all.cc)
  target_include_directories(gtest_win PUBLIC ${GTEST_SRC_DIR}/include PRIVATE ${GTEST_SRC_DIR})

  file(GLOB QV_WIN_TESTS_SRC CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/win/*.cpp)
  add_executable(win_tests ${QV_WIN_TESTS_SRC})
  target_link_libraries(win_tests PRIVATE quorvel_win gtest_win)
  if(MINGW)
    target_link_options(win_tests PRIVATE -municode)
  endif()
  # The tests start the real product and helper doubles; tell them where the files are.
  add_dependencies(win_tests quorvel)

  # The same program with its test hooks compiled in (QV_TEST_HOOKS: the environment may name a
  # double for the Task Scheduler tool), for the tests that need one. Never shipped: quorvel.exe
  # has no such way in. Its own copy of the start-up task code takes the place of the library's.
  add_executable(quorvel_test_hooks WIN32 ${PROJECT_SOURCE_DIR}/src/main/entry_win.cpp
                 ${PROJECT_SOURCE_DIR}/src/util/startup_task_win.cpp ${PROJECT_SOURCE_DIR}/res/quorvel.rc)
  target_compile_definitions(quorvel_test_hooks PRIVATE QV_TEST_HOOKS)
  target_include_directories(quorvel_test_hooks PRIVATE ${QV_VERSION_DIR})
  target_link_libraries(quorvel_test_hooks PRIVATE quorvel_win)
  if(MINGW)
    target_link_options(quorvel_test_hooks PRIVATE -municode)
  endif()
  add_dependencies(win_tests quorvel_test_hooks)

  file(GLOB QV_WIN_TOOLS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/win/tools/*.cpp)
  foreach(src ${QV_WIN_TOOLS})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_compile_definitions(${name} PRIVATE ${QV_WIN_DEFS})
    target_link_libraries(${name} PRIVATE ${QV_WIN_LIBS})
    if(MINGW)
      target_link_options(${name} PRIVATE -municode)
    endif()
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
    add_dependencies(win_tests ${name})
  endforeach()
  add_test(NAME win_tests COMMAND win_tests)

  # The installer's upgrade test installs a newer release over this one: the same code with the
  # next patch version in its version resources, built into next/ (zelmor-mcp: cmake/companion.cmake).
  math(EXPR QV_NEXT_PATCH "${QV_VERSION_PATCH_OR_0} + 1")
  set(QV_NEXT_DIR ${CMAKE_BINARY_DIR}/next)
  set(QV_NEXT_VERSION "${PROJECT_VERSION_MAJOR}.${QV_VERSION_MINOR_OR_0}.${QV_NEXT_PATCH}")
  qv_version_files(${QV_NEXT_DIR}/version ${PROJECT_VERSION_MAJOR} ${QV_VERSION_MINOR_OR_0} ${QV_NEXT_PATCH})
  add_executable(quorvel_next WIN32 ${PROJECT_SOURCE_DIR}/src/main/entry_win.cpp ${PROJECT_SOURCE_DIR}/res/quorvel.rc)
  target_include_directories(quorvel_next PRIVATE ${QV_NEXT_DIR}/version)
  target_link_libraries(quorvel_next PRIVATE quorvel_win)
  set_target_properties(quorvel_next PROPERTIES OUTPUT_NAME quorvel RUNTIME_OUTPUT_DIRECTORY ${QV_NEXT_DIR})
  if(MINGW)
    target_link_options(quorvel_next PRIVATE -municode)
  endif()
endif()

# The least program doing the monitor's idle job, measured beside it (bench/baseline).
add_executable(tray_baseline WIN32 ${PROJECT_SOURCE_DIR}/bench/baseline/tray_baseline_win.cpp)
target_compile_definitions(tray_baseline PRIVATE ${QV_WIN_DEFS})
target_link_libraries(tray_baseline PRIVATE user32 gdi32 shell32 iphlpapi ntdll)
if(MINGW)
  target_link_options(tray_baseline PRIVATE -municode)
endif()

file(GLOB QV_WIN_BENCHES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/bench/*_win.cpp)
if(QV_WIN_BENCHES)
  add_executable(win_bench ${QV_WIN_BENCHES})
  target_link_libraries(win_bench PRIVATE quorvel_win psapi)
  add_dependencies(win_bench quorvel tray_baseline)
  if(MINGW)
    target_link_options(win_bench PRIVATE -municode)
  endif()
endif()
