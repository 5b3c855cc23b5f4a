# Apexer.exe: the Win32 backend of the seam, the real forms and the resources around the portable core.
enable_language(RC)

add_library(apexer_win32_platform STATIC
  platform/win32/win32_desktop.cpp
  platform/win32/win32_profile_files.cpp
  platform/win32/win32_global_memory.cpp
  platform/win32/win32_pacing.cpp
  platform/win32/win32_host_libraries.cpp
)
target_link_libraries(apexer_win32_platform PUBLIC apexer_core user32 kernel32)
target_compile_definitions(apexer_win32_platform PUBLIC NOMINMAX WIN32_LEAN_AND_MEAN)
apexer_warnings(apexer_win32_platform)

add_executable(Apexer WIN32
  shell/win32/win_main.cpp
  shell/win32/form_kit.cpp
  shell/win32/status_form.cpp
  shell/win32/about_form.cpp
  shell/win32/application.cpp
  shell/win32/res/apexer.rc
)
target_link_libraries(Apexer PRIVATE apexer_win32_platform comctl32 gdi32)
set_source_files_properties(shell/win32/res/apexer.rc PROPERTIES
  OBJECT_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/shell/win32/res/apexer.ico;${CMAKE_CURRENT_SOURCE_DIR}/shell/win32/res/telephone.ico;${CMAKE_CURRENT_SOURCE_DIR}/shell/win32/res/fax.ico;${CMAKE_CURRENT_SOURCE_DIR}/shell/win32/res/apexer.manifest")
apexer_warnings(Apexer)
if(NOT MSVC)
  # Strip the shipping binary; the symbols are in the build tree's object files.
  target_link_options(Apexer PRIVATE $<$<CONFIG:MinSizeRel,Release>:-s>)
endif()
