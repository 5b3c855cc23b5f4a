// The stand-in host: StandinHost.exe <sample file>. The sample becomes the host's current sample.
#include <windows.h>

#include "host_app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  standin::HostApp app(instance);
  return app.Run(commandLine);
}
