// The modeless "Combine Spectrum" dialog and the combine it starts: OK checks the fields, closes the
// dialog and shows "Spectrum Combine" before it returns, so the sender of OK finds that window at once.
#include <string>

#include "bridge/host_settings.h"
#include "host_app.h"
#include "resource.h"

namespace standin {

namespace {

std::string ItemText(HWND dlg, int id) {
  char buf[512] = {};
  GetDlgItemTextA(dlg, id, buf, sizeof buf);
  return buf;
}

void FinishCombine(const ivdata::CombineRequest& request, HWND busy) {
  std::string error;
  try {
    ivdata::CombinedSpectrum result = ivdata::CombineScans(SampleData(), request);
    AddCombinedSpectrum(std::move(result), request);
  } catch (const std::exception& e) {
    error = e.what();
  }
  ++g_app.combines;
  if (!error.empty()) Journal(kSrcHost, "combine.failed", JsonFields().Str("error", error));

  if (IniInt(kSecFaults, "CombineWindowStays", 0)) {
    Journal(kSrcHost, "fault.combine-window-stays");
  } else if (IsWindow(busy)) {
    DestroyWindow(busy);
  }
  int exitAfter = IniInt(kSecFaults, "ExitAfterCombines", 0);
  if (exitAfter > 0 && g_app.combines >= exitAfter) {
    Journal(kSrcHost, "host.exit", JsonFields().Str("reason", "ExitAfterCombines").Int("combines", g_app.combines));
    ExitProcess(3);
  }
  if (!error.empty())
    MessageBoxA(g_app.main, ("The spectrum could not be combined.\n" + error).c_str(), "Ionvane",
                MB_OK | MB_ICONERROR);
}

// Keeps the filled dialog on screen for a while before OK acts, still painting, so it can be looked at.
void HoldBeforeOk(HWND dlg) {
  const int holdMs = DelayMs("Ok", 0);
  if (holdMs <= 0) return;
  const DWORD start = GetTickCount();
  UpdateWindow(dlg);
  for (DWORD elapsed = 0; elapsed < static_cast<DWORD>(holdMs); elapsed = GetTickCount() - start) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(holdMs) - elapsed, QS_PAINT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageA(&msg);
  }
}

void OnOk(HWND dlg) {
  HoldBeforeOk(dlg);
  std::string scans = ItemText(dlg, IDC_SCANS), more = ItemText(dlg, IDC_MORE_SCANS),
              scale = ItemText(dlg, IDC_SCALE), threshold = ItemText(dlg, IDC_THRESHOLD);
  Journal(kSrcHost, "dialog.ok",
          JsonFields().Str("308", scans).Str("310", more).Str("369", scale).Str("176", threshold));
  ivdata::CombineRequest request;
  std::string error;
  if (!HasSample()) error = "There is no current sample to combine spectra from.";
  else ivdata::ReadCombineFields({scans, more, scale, threshold}, CurrentSample().scanCount, request, error);
  if (!error.empty()) {
    Journal(kSrcHost, "dialog.invalid", JsonFields().Str("message", error));
    // The dialog stays open, as a user would expect after a typing error.
    MessageBoxA(dlg, error.c_str(), "Ionvane", MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  HWND owner = GetWindow(dlg, GW_OWNER);
  DestroyWindow(dlg);
  std::string text = "Combining scans " + ivdata::ScanRangesText(request.ranges) + " of " + CurrentSample().name + "...";
  HWND busy = CreateBusyWindow("Spectrum Combine", owner ? owner : g_app.main, text.c_str());
  // The combine runs after OK has returned, so the window is there for whoever sent OK to see.
  int combineMs = DelayMs("Combine", 150);
  Later(combineMs > 10 ? combineMs : 10, [request, busy] { FinishCombine(request, busy); });
}

INT_PTR CALLBACK CombineDialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG: {
      // From here on the client can find the dialog: its reaction is timed from this moment.
      JournalWindow("window.created", dlg, "dialog");
      SetDlgItemTextA(dlg, IDC_SCALE, "1");
      SetDlgItemTextA(dlg, IDC_THRESHOLD, "0");
      HWND owner = GetWindow(dlg, GW_OWNER);
      RECT o{}, d{};
      if (owner && GetWindowRect(owner, &o) && GetWindowRect(dlg, &d))
        SetWindowPos(dlg, nullptr, o.right - (d.right - d.left) - 20, o.top + 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wp) == IDOK) {
        OnOk(dlg);
        return TRUE;
      }
      // The first field's change marks when the client began to act on the opened dialog.
      if (LOWORD(wp) == IDC_SCANS && HIWORD(wp) == EN_CHANGE) {
        Journal(kSrcHost, "dialog.field", JsonFields().Str("308", ItemText(dlg, IDC_SCANS)));
        return TRUE;
      }
      if (LOWORD(wp) == IDCANCEL) {
        Journal(kSrcHost, "dialog.cancel");
        DestroyWindow(dlg);
        return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      CloseLikeUser(dlg, "dialog");
      return TRUE;
    case WM_DESTROY:
      JournalWindow("window.closed", dlg, "dialog");
      if (g_app.dialog == dlg) g_app.dialog = nullptr;
      return TRUE;
  }
  return FALSE;
}

}  // namespace

void OpenCombineDialog(HWND owner) {
  if (IniInt(kSecFaults, "DialogNeverOpens", 0)) {
    Journal(kSrcHost, "fault.dialog-never-opens");
    return;
  }
  if (g_app.dialog) {
    SetWindowPos(g_app.dialog, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    return;
  }
  Later(DelayMs("Dialog"), [owner] {
    if (g_app.dialog || !IsWindow(owner)) return;
    HWND dlg = CreateDialogParamA(g_app.instance, MAKEINTRESOURCEA(IDD_COMBINE), owner, CombineDialogProc, 0);
    if (!dlg) return;
    const int missing = IniInt(kSecFaults, "DialogMissingField", 0);
    if (missing != 0 && GetDlgItem(dlg, missing)) {
      DestroyWindow(GetDlgItem(dlg, missing));
      Journal(kSrcHost, "fault.dialog-missing-field", JsonFields().Int("id", missing));
    }
    g_app.dialog = dlg;
    ShowWindow(dlg, SW_SHOW);
    JournalWindow("window.opened", dlg, "dialog");
  });
}

}  // namespace standin
