#include "shell/win32/status_form.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "shell/win32/resource_ids.h"
#include "shared/win32/window_proc.h"

#include <commctrl.h>
#include <windowsx.h>

namespace apexer::win32 {
namespace {

constexpr const char* kClassName = "ApexerStatusForm";
constexpr const char* kCaption = "Apexer";
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CONTROLPARENT;

// The form as designed, in twips.
constexpr double kClientWidth = 2430;
constexpr double kClientHeight = 930;
constexpr double kLabelLeft = 120, kLabelTop = 120, kLabelWidth = 705, kLabelHeight = 195;
constexpr double kButtonLeft = 240, kButtonTop = 480, kButtonWidth = 1935, kButtonHeight = 375;

}  // namespace

StatusFormWindow::StatusFormWindow(HINSTANCE instance, Win32MessageLoop& loop)
    : loop_(loop), dpi_(ScreenDpi()), font_(CreateFormFont(dpi_, true)) {
  icon_ = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_APEXER), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = shared::win32::WindowProcOf<StatusFormWindow, &StatusFormWindow::Handle>;
  wc.hInstance = instance;
  wc.hIcon = icon_;
  wc.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_APEXER), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  RegisterClassExA(&wc);

  ScopedMenu menu(CreateMenu());
  AppendMenuA(menu.get(), MF_STRING, IDM_ABOUT, "&About");

  const SIZE outer = OuterSizeForClient(kClientWidth, kClientHeight, kStyle, kExStyle, true, dpi_);
  window_ = CreateWindowExA(kExStyle, kClassName, kCaption, kStyle, 0, 0, outer.cx, outer.cy, nullptr, menu.get(),
                            instance, this);
  if (window_ == nullptr) throw std::runtime_error("the status window could not be created");
  menu.Release();  // the window's now: destroyed with it

  // A menu bar that wraps would eat into the designed client area: measure it and make up for it.
  RECT client;
  GetClientRect(window_, &client);
  const int wantHeight = TwipsToPixels(kClientHeight, dpi_.y);
  if (client.bottom != wantHeight) {
    RECT outerRect;
    GetWindowRect(window_, &outerRect);
    SetWindowPos(window_, nullptr, 0, 0, outerRect.right - outerRect.left,
                 outerRect.bottom - outerRect.top + wantHeight - client.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  label_ = CreateControl(window_, "STATIC", "- None -", SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, IDC_LBL_STATUS,
                         kLabelLeft, kLabelTop, kLabelWidth, kLabelHeight, dpi_, font_.get());
  cancel_ = CreateControl(window_, "BUTTON", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, IDC_CMD_CLOSE, kButtonLeft,
                          kButtonTop, kButtonWidth, kButtonHeight, dpi_, font_.get());
  SetWindowSubclass(cancel_, CancelProc, 0, reinterpret_cast<DWORD_PTR>(this));
  loop_.AddDialogWindow(window_);
}

StatusFormWindow::~StatusFormWindow() {
  loop_.RemoveDialogWindow(window_);
  if (window_ != nullptr) DestroyWindow(window_);
}

platform::WindowState StatusFormWindow::GetWindowState() {
  if (IsIconic(window_)) return platform::WindowState::Minimized;
  if (IsZoomed(window_)) return platform::WindowState::Maximized;
  return platform::WindowState::Normal;
}

void StatusFormWindow::SetWindowState(platform::WindowState state) {
  // Changing the state of a hidden window must not show it.
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  GetWindowPlacement(window_, &wp);
  const bool visible = IsWindowVisible(window_) != FALSE;
  switch (state) {
    case platform::WindowState::Normal: wp.showCmd = visible ? SW_RESTORE : SW_HIDE; break;
    case platform::WindowState::Minimized: wp.showCmd = visible ? SW_SHOWMINNOACTIVE : SW_HIDE; break;
    case platform::WindowState::Maximized: wp.showCmd = visible ? SW_SHOWMAXIMIZED : SW_HIDE; break;
  }
  SetWindowPlacement(window_, &wp);
}

void StatusFormWindow::Show() {
  ShowWindow(window_, SW_SHOW);
  SetForegroundWindow(window_);
  SetFocus(cancel_);
  UpdateWindow(window_);
}

void StatusFormWindow::SetStatusText(const std::string& text) {
  FitLabelToCaption(text);
  SetWindowTextA(label_, text.c_str());
}

// The designed label just fits "- None -"; longer captions widen it up to the client's right margin,
// and what still does not fit ends in an ellipsis.
void StatusFormWindow::FitLabelToCaption(const std::string& text) {
  const int caption = CaptionWidth(text);
  const int width = std::min(caption, MaxLabelWidth());
  SetWindowPos(label_, nullptr, 0, 0, width, TwipsToPixels(kLabelHeight, dpi_.y),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The designed width, or the caption's in the label's font when that is wider.
int StatusFormWindow::CaptionWidth(const std::string& text) {
  int width = TwipsToPixels(kLabelWidth, dpi_.x);
  const ScopedGetDC dc(label_);
  if (dc.get() == nullptr) return width;
  const ScopedSelectObject font(dc.get(), font_.get());
  SIZE extent{};
  if (GetTextExtentPoint32A(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent)) {
    width = std::max(width, static_cast<int>(extent.cx) + 1);
  }
  return width;
}

int StatusFormWindow::MaxLabelWidth() {
  RECT client;
  GetClientRect(window_, &client);
  const int left = TwipsToPixels(kLabelLeft, dpi_.x);
  return std::max(0, static_cast<int>(client.right) - 2 * left);
}

LRESULT CALLBACK StatusFormWindow::CancelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                              DWORD_PTR self) {
  auto* form = reinterpret_cast<StatusFormWindow*>(self);
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      form->pressedOnCancel_ = true;
      break;
    case WM_LBUTTONUP: {
      RECT client;
      GetClientRect(window, &client);
      const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      // Only recorded, as the button's own click is: the run ends from its next yield.
      if (std::exchange(form->pressedOnCancel_, false) && PtInRect(&client, at)) form->cancelClicked_ = true;
      break;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(window, CancelProc, 0);
      break;
    default:
      break;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

bool StatusFormWindow::OnAboutEntry(LPARAM screenPoint) const {
  RECT entry;
  const POINT at{GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint)};
  return GetMenuItemRect(window_, GetMenu(window_), 0, &entry) && PtInRect(&entry, at);
}

LRESULT StatusFormWindow::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // Until CreateWindowEx has returned, the window is the system's to set up.
  if (window_ == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  switch (message) {
    case WM_LBUTTONDOWN:
      pressedOnCancel_ = pressedOnAbout_ = false;
      break;
    case WM_NCLBUTTONDOWN:
      // The menu's own loop runs inside DefWindowProc; it opens About on the release unless the press was
      // taken away from it before.
      pressedOnCancel_ = false;
      pressedOnAbout_ = wParam == HTMENU && OnAboutEntry(lParam);
      break;
    case WM_NCLBUTTONUP:
      if (std::exchange(pressedOnAbout_, false) && wParam == HTMENU && OnAboutEntry(lParam)) {
        PostMessageA(window_, WM_COMMAND, MAKEWPARAM(IDM_ABOUT, 0), 0);
      }
      break;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_CMD_CLOSE && HIWORD(wParam) == BN_CLICKED) {
        // Only recorded: the run ends from its next yield, outside this window procedure.
        cancelClicked_ = true;
        return 0;
      }
      if (LOWORD(wParam) == IDM_ABOUT && HIWORD(wParam) == 0 && onAbout_) {
        pressedOnAbout_ = false;
        try {
          onAbout_();
        } catch (...) {
          loop_.DeferError(std::current_exception());
        }
        return 0;
      }
      break;
    case WM_CLOSE:
      // The title-bar close does not end the run: the window stays, and the run goes on to show its
      // result and store this window's real placement.
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window_, message, wParam, lParam);
}

}  // namespace apexer::win32
