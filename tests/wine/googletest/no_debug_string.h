// Included before googletest's own sources only: its failures go to stdout alone, never to
// OutputDebugStringA (see CMakeLists.txt here).
#pragma once
#include <windows.h>

inline void ApexerNoDebugString(const char*) {}
#define OutputDebugStringA ApexerNoDebugString
