#include "shell/win32/about_form.h"

#include "shell/win32/resource_ids.h"
#include "shared/win32/window_proc.h"

namespace apexer::win32 {
namespace {

constexpr const char* kClassName = "ApexerAboutForm";
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CONTROLPARENT;

// The form as designed, in twips.
constexpr double kClientWidth = 5415;
constexpr double kClientHeight = 3030;
constexpr double kTextLeft = 1050;
constexpr double kTextWidth = 4125;
constexpr double kLineHeight = 255;

// The maker's texts: invented, naming no real company.
constexpr const char* kMakerText = "Apexer developers, 12 Placeholder Lane, Exampleton";
constexpr const char* kTelephoneText = "Tel. +1 555 0142";
constexpr const char* kFaxText = "Fax +1 555 0143";

struct AboutWindow {
  HWND window = nullptr;
  HWND ok = nullptr;
  bool unloaded = false;
};

void UnloadAboutBox(AboutWindow& box) {
  box.unloaded = true;
  DestroyWindow(box.window);
}

LRESULT HandleAbout(AboutWindow& box, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      // cmdOK, Enter, Escape and the title-bar close all unload the box.
      if (LOWORD(wParam) == IDC_CMD_OK || LOWORD(wParam) == IDCANCEL) {
        UnloadAboutBox(box);
        return 0;
      }
      break;
    case WM_CLOSE:
      UnloadAboutBox(box);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void RegisterAboutClass(HINSTANCE instance) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  if (GetClassInfoExA(instance, kClassName, &wc)) return;
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = shared::win32::WindowProcOf<AboutWindow, HandleAbout>;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  RegisterClassExA(&wc);
}

HICON SmallIcon(HINSTANCE instance, int id) {
  return static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, LR_SHARED));
}

TwipsRect WindowTwips(HWND window, const Dpi& dpi) {
  RECT r;
  GetWindowRect(window, &r);
  return TwipsRect{static_cast<Single>(PixelsToTwips(r.left, dpi.x)), static_cast<Single>(PixelsToTwips(r.top, dpi.y)),
                   static_cast<Single>(PixelsToTwips(r.right - r.left, dpi.x)),
                   static_cast<Single>(PixelsToTwips(r.bottom - r.top, dpi.y))};
}

void PlaceBoxNearOwner(HWND owner, HWND box, const Dpi& dpi) {
  const TwipsRect ownerTwips = WindowTwips(owner, dpi);
  TwipsRect child = WindowTwips(box, dpi);
  PlaceNearOwner(ownerTwips, child, static_cast<Single>(PixelsToTwips(GetSystemMetrics(SM_CXSCREEN), dpi.x)),
                 static_cast<Single>(PixelsToTwips(GetSystemMetrics(SM_CYSCREEN), dpi.y)),
                 GetSystemMetrics(SM_CYCAPTION));
  SetWindowPos(box, nullptr, TwipsToPixels(child.Left, dpi.x), TwipsToPixels(child.Top, dpi.y), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

void ShowAboutBox(StatusFormWindow& owner, platform::Application& app, AppInfo& info) {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  const Dpi dpi = ScreenDpi();
  const ScopedFont font = CreateFormFont(dpi, false);
  const ScopedFont bold = CreateFormFont(dpi, true);

  if (info.Fill != 0) FillAppInfo(app, info);

  RegisterAboutClass(instance);
  AboutWindow box;
  const SIZE outer = OuterSizeForClient(kClientWidth, kClientHeight, kStyle, kExStyle, false, dpi);
  box.window = CreateWindowExA(kExStyle, kClassName, "About", kStyle, 0, 0, outer.cx, outer.cy, nullptr, nullptr,
                               instance, &box);
  if (box.window == nullptr) return;
  HWND w = box.window;

  HWND icon = CreateControl(w, "STATIC", "", SS_ICON | SS_CENTERIMAGE, IDC_PIC_APP_ICON, 240, 240, 570, 570, dpi,
                            nullptr);
  SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(owner.Icon()), 0);

  const DWORD label = SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS;
  CreateControl(w, "STATIC", info.Description, label, IDC_LBL_DESCRIPTION, kTextLeft, 600, kTextWidth, kLineHeight,
                dpi, font.get());
  CreateControl(w, "STATIC", info.Version, label, IDC_LBL_VERSION, kTextLeft, 900, kTextWidth, kLineHeight, dpi,
                font.get());
  SetWindowTextA(w, AboutCaption(info).c_str());
  CreateControl(w, "STATIC", info.Date, label, IDC_LBL_DATE, kTextLeft, 1200, kTextWidth, kLineHeight, dpi,
                font.get());
  CreateControl(w, "STATIC", info.AppName, label, IDC_LBL_APP_NAME, kTextLeft, 270, kTextWidth, kLineHeight, dpi,
                bold.get());
  CreateControl(w, "STATIC", info.Copyright, label, IDC_LBL_COPYRIGHT, kTextLeft, 1500, kTextWidth, kLineHeight,
                dpi, font.get());

  CreateControl(w, "STATIC", "", SS_ETCHEDHORZ, 0, 240, 1905, 4935, 30, dpi, nullptr);
  CreateControl(w, "STATIC", kMakerText, label, IDC_LBL_MAKER, 240, 2040, 4935, kLineHeight, dpi, font.get());
  HWND phone = CreateControl(w, "STATIC", "", SS_ICON | SS_CENTERIMAGE, IDC_PIC_TELEPHONE, 240, 2400, 240, 240,
                             dpi, nullptr);
  SendMessageA(phone, STM_SETICON, reinterpret_cast<WPARAM>(SmallIcon(instance, IDI_TELEPHONE)), 0);
  CreateControl(w, "STATIC", kTelephoneText, label, IDC_LBL_TELEPHONE, 555, 2415, 1650, kLineHeight, dpi,
                font.get());
  HWND fax = CreateControl(w, "STATIC", "", SS_ICON | SS_CENTERIMAGE, IDC_PIC_FAX, 240, 2700, 240, 240, dpi,
                           nullptr);
  SendMessageA(fax, STM_SETICON, reinterpret_cast<WPARAM>(SmallIcon(instance, IDI_FAX)), 0);
  CreateControl(w, "STATIC", kFaxText, label, IDC_LBL_FAX, 555, 2715, 1650, kLineHeight, dpi, font.get());
  box.ok = CreateControl(w, "BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, IDC_CMD_OK, 3975, 2475, 1200, 375, dpi,
                         bold.get());

  PlaceBoxNearOwner(owner.Window(), w, dpi);
  SetWindowPos(w, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

  // Modal: the owner takes no input until the box is unloaded.
  const HWND ownerWindow = owner.Window();
  EnableWindow(ownerWindow, FALSE);
  ShowWindow(w, SW_SHOW);
  SetFocus(box.ok);
  MSG msg;
  while (!box.unloaded) {
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // for whoever runs the outer loop
      break;
    }
    if (got < 0) break;
    if (!IsDialogMessageA(w, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  EnableWindow(ownerWindow, TRUE);
  if (!box.unloaded) DestroyWindow(w);
  SetActiveWindow(ownerWindow);
}

}  // namespace apexer::win32
