// What the core needs of the application object and of the status window.
#pragma once
#include <string>

#include "platform/types.h"

namespace apexer::platform {

enum class WindowState : int { Normal = 0, Minimized = 1, Maximized = 2 };
enum class BorderStyle : int { None = 0, FixedSingle = 1, Sizable = 2, FixedDialog = 3 };

class Application {
 public:
  virtual ~Application() = default;
  virtual std::string Path() = 0;     // the executable's directory, as the platform gives it
  virtual std::string EXEName() = 0;  // the executable's base name, without extension
  virtual std::string Title() = 0;
  // The end of the program through an uncaught error: a report the user sees.
  virtual void ReportUncaughtError(Long number, const std::string& description) = 0;
  // Last-modified date of a file in the system's long date format; throws AppError when unreadable.
  virtual std::string FileDateLongFormat(const std::string& path) = 0;
  virtual int CurrentYear() = 0;
};

class StatusForm {
 public:
  virtual ~StatusForm() = default;
  virtual Hwnd hWnd() = 0;
  virtual WindowState GetWindowState() = 0;
  virtual void SetWindowState(WindowState state) = 0;
  virtual BorderStyle GetBorderStyle() = 0;
  virtual void Show() = 0;
  virtual void SetStatusText(const std::string& text) = 0;  // lblStatus
  // True once the user clicked Cancel; the next yield ends the program.
  virtual bool CancelClicked() = 0;
};

}  // namespace apexer::platform
