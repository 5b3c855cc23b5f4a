// frmApexer: the always-on-top status window with its label, its Cancel button and the About menu.
#pragma once
#include <functional>
#include <string>

#include "platform/forms.h"
#include "win32/win32_loop.h"
#include "shell/win32/form_kit.h"

namespace apexer::win32 {

class StatusFormWindow : public platform::StatusForm {
 public:
  // Creates the window hidden; throws std::runtime_error when the desktop refuses it.
  StatusFormWindow(HINSTANCE instance, Win32MessageLoop& loop);
  ~StatusFormWindow() override;
  StatusFormWindow(const StatusFormWindow&) = delete;
  StatusFormWindow& operator=(const StatusFormWindow&) = delete;

  // The mnuAbout click. It runs inside the dispatcher, so its errors go to the loop, never through it.
  void SetAboutHandler(std::function<void()> handler) { onAbout_ = std::move(handler); }

  Hwnd hWnd() override { return FromHwnd(window_); }
  platform::WindowState GetWindowState() override;
  void SetWindowState(platform::WindowState state) override;
  platform::BorderStyle GetBorderStyle() override { return platform::BorderStyle::FixedDialog; }
  void Show() override;
  void SetStatusText(const std::string& text) override;
  bool CancelClicked() override { return cancelClicked_; }

  HWND Window() const { return window_; }
  HICON Icon() const { return icon_; }

 private:
  LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK CancelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR self);
  bool OnAboutEntry(LPARAM screenPoint) const;
  void FitLabelToCaption(const std::string& text);
  int CaptionWidth(const std::string& text);
  int MaxLabelWidth();

  Win32MessageLoop& loop_;
  Dpi dpi_;
  ScopedFont font_;
  HICON icon_ = nullptr;
  HWND window_ = nullptr;
  HWND label_ = nullptr;
  HWND cancel_ = nullptr;
  bool cancelClicked_ = false;
  // A press that began on Cancel, or on the menu's About entry, and has not ended. A window of another
  // program activated meanwhile takes the button's pushed state away with the focus (under Wine the host's
  // windows do so whenever they open, close or come to the front), so the button would let the release
  // pass; a release on the same place still counts as the click.
  bool pressedOnCancel_ = false;
  bool pressedOnAbout_ = false;
  std::function<void()> onAbout_;
};

}  // namespace apexer::win32
