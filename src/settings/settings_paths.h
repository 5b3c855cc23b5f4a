// Where the program's and the host's settings live.
#pragma once
#include <string>

#include "platform/forms.h"

namespace apexer {

inline constexpr const char* kHostSettingsFile = "C:\\Ionvane\\Ionvane.ini";

// The application directory, one backslash whatever it ends with, the executable's base name, ".INI".
inline std::string ProgramSettingsPath(platform::Application& app) {
  return app.Path() + "\\" + app.EXEName() + ".INI";
}

}  // namespace apexer
