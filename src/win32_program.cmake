# Apexer.exe: the Win32 backend of the seam, the real forms and the resources around the portable core.
enable_language(RC)

set(APEXER_WIN32_PLATFORM_SOURCES
  win32/win32_desktop.cpp
  win32/win32_profile_files.cpp
  win32/win32_global_memory.cpp
  win32/win32_loop.cpp
  win32/win32_host_libraries.cpp
  win32/win32_call_counts.cpp
  win32/win32_record_files.cpp
)
set(APEXER_SHELL_SOURCES
  shell/win32/win_main.cpp
  shell/win32/form_kit.cpp
  shell/win32/status_form.cpp
  shell/win32/about_form.cpp
  shell/win32/application.cpp
  shell/win32/res/apexer.rc
)
set_source_files_properties(shell/win32/res/apexer.rc PROPERTIES
  OBJECT_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/shell/version.h;${CMAKE_CURRENT_SOURCE_DIR}/shell/win32/res/apexer.ico;${CMAKE_CURRENT_SOURCE_DIR}/shell/win32/res/telephone.ico;${CMAKE_CURRENT_SOURCE_DIR}/shell/win32/res/fax.ico;${CMAKE_CURRENT_SOURCE_DIR}/shell/win32/res/apexer.manifest")

# The program, and a measuring build of it that counts its calls into the window server and the host's
# libraries (Apexer.calls.json beside it; run by the benchmark report, never shipped).
# The backend is a layer of its own above the core: it reaches the seam and common/ only.
foreach(variant IN ITEMS "" _counting)
  apexer_layer(win32 TARGET apexer_win32${variant} SOURCES ${APEXER_WIN32_PLATFORM_SOURCES}
    REACHES platform common LINKS apexer_common apexer::json)
  target_link_libraries(apexer_win32${variant} PUBLIC user32 kernel32 shell32 advapi32 apexer_shared)
  target_compile_definitions(apexer_win32${variant} PUBLIC NOMINMAX WIN32_LEAN_AND_MEAN)

  add_executable(Apexer${variant} WIN32 ${APEXER_SHELL_SOURCES})
  target_link_libraries(Apexer${variant} PRIVATE apexer_shell apexer_win32${variant} comctl32 gdi32)
  apexer_warnings(Apexer${variant})
endforeach()
target_compile_definitions(apexer_win32_counting PUBLIC APEXER_COUNT_CALLS)
if(NOT MSVC)
  # Strip the shipping binary; the symbols are in the build tree's object files.
  target_link_options(Apexer PRIVATE $<$<CONFIG:MinSizeRel,Release>:-s>)
endif()

# ApexerCheck.exe: the self-check, a second program over the same core and Win32 backend. The sums of
# Apexer's files it holds the installation against are made from the files this build made.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(apexer_check_manifest ${CMAKE_CURRENT_BINARY_DIR}/check_manifest.cpp)
add_custom_command(OUTPUT ${apexer_check_manifest}
  COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/cmake/file_manifest.py --out ${apexer_check_manifest}
          $<TARGET_FILE:Apexer>
  DEPENDS Apexer ${PROJECT_SOURCE_DIR}/cmake/file_manifest.py VERBATIM)
set_source_files_properties(check/win32/res/apexer_check.rc PROPERTIES
  OBJECT_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/shell/version.h;${CMAKE_CURRENT_SOURCE_DIR}/shell/win32/res/apexer.ico")
add_executable(ApexerCheck WIN32 check/win32/check_program.cpp check/win32/win32_check_machine.cpp
  ${apexer_check_manifest} check/win32/res/apexer_check.rc)
target_link_libraries(ApexerCheck PRIVATE apexer_check apexer_win32 version shell32 comctl32 wintrust crypt32)
apexer_warnings(ApexerCheck)
if(NOT MSVC)
  target_link_options(ApexerCheck PRIVATE $<$<CONFIG:MinSizeRel,Release>:-s>)
endif()
