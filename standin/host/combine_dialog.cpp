// The modeless "Combine Spectrum" dialog and the combine it starts: OK checks the fields, closes the
// dialog and shows "Spectrum Combine" before it returns, so the sender of OK finds that window at once.
#include <string>

#include "bridge/host_settings.h"
#include "host_app.h"
#include "resource.h"

namespace standin {

namespace {

constexpr const char* kCombineDialogTitle = "Combine Spectrum";

std::string ItemText(HWND dlg, int id) {
  char buf[512] = {};
  GetDlgItemTextA(dlg, id, buf, sizeof buf);
  return buf;
}

INT_PTR CALLBACK CombineDialogProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) SetWindowLongPtrA(dlg, DWLP_USER, lParam);
  auto* app = reinterpret_cast<HostApp*>(GetWindowLongPtrA(dlg, DWLP_USER));
  return app ? app->HandleDialogMessage(dlg, message, wParam) : FALSE;
}

// Keeps the filled dialog on screen for a while before OK acts, still painting, so it can be looked at.
void HoldBeforeOk(HWND dlg, int holdMs) {
  if (holdMs <= 0) return;
  const DWORD start = GetTickCount();
  UpdateWindow(dlg);
  for (DWORD elapsed = 0; elapsed < static_cast<DWORD>(holdMs); elapsed = GetTickCount() - start) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(holdMs) - elapsed, QS_PAINT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageA(&msg);
  }
}

}  // namespace

void HostApp::OpenCombineDialog(HWND owner) {
  if (FaultInt(HostFault::DialogNeverOpens)) {
    Journal(kSrcHost, "fault.dialog-never-opens");
    return;
  }
  if (dialog_) {
    SetWindowPos(dialog_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    return;
  }
  Later(DelayMs("Dialog"), [this, owner] {
    if (dialog_ || !IsWindow(owner)) return;
    HWND dlg = CreateDialogParamA(instance_, MAKEINTRESOURCEA(IDD_COMBINE), owner, CombineDialogProc,
                                  reinterpret_cast<LPARAM>(this));
    if (!dlg) return;
    const int missing = FaultInt(HostFault::DialogMissingField);
    if (missing != 0 && GetDlgItem(dlg, missing)) {
      DestroyWindow(GetDlgItem(dlg, missing));
      Journal(kSrcHost, "fault.dialog-missing-field", JsonFields().Int("id", missing));
    }
    dialog_ = dlg;
    ShowWindow(dlg, SW_SHOW);
    JournalWindow("window.opened", dlg, "dialog");
  });
}

INT_PTR HostApp::HandleDialogMessage(HWND dlg, UINT message, WPARAM wParam) {
  switch (message) {
    case WM_INITDIALOG: {
      // Titled only now, its controls made: no client finds it under a title it will not keep, or half made.
      std::string title = kCombineDialogTitle;
      if (std::string other = FaultText(HostFault::CombineDialogTitle); !other.empty()) {
        Journal(kSrcHost, "fault.combine-dialog-title", JsonFields().Str("title", other));
        title = other;
      }
      SetWindowTextA(dlg, title.c_str());
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
      if (LOWORD(wParam) == IDOK) {
        OnCombineOk(dlg);
        return TRUE;
      }
      // The first field's change marks when the client began to act on the opened dialog.
      if (LOWORD(wParam) == IDC_SCANS && HIWORD(wParam) == EN_CHANGE) {
        Journal(kSrcHost, "dialog.field", JsonFields().Str("308", ItemText(dlg, IDC_SCANS)));
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
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
      if (dialog_ == dlg) dialog_ = nullptr;
      return TRUE;
    default:
      return FALSE;
  }
}

void HostApp::OnCombineOk(HWND dlg) {
  HoldBeforeOk(dlg, DelayMs("Ok", 0));
  const ivdata::CombineFields fields{ItemText(dlg, IDC_SCANS), ItemText(dlg, IDC_MORE_SCANS), ItemText(dlg, IDC_SCALE),
                                     ItemText(dlg, IDC_THRESHOLD)};
  Journal(kSrcHost, "dialog.ok",
          JsonFields().Str("308", fields.scans).Str("310", fields.moreScans).Str("369", fields.scale)
              .Str("176", fields.threshold));
  ivdata::CombineRequest request;
  std::string error;
  if (!sample_.Has()) {
    error = "There is no current sample to combine spectra from.";
  } else {
    ivdata::ReadCombineFields(fields, sample_.Summary().scanCount, request, error);
  }
  if (!error.empty()) {
    Journal(kSrcHost, "dialog.invalid", JsonFields().Str("message", error));
    // The dialog stays open, as a user would expect after a typing error.
    MessageBoxA(dlg, error.c_str(), "Ionvane", MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  HWND owner = GetWindow(dlg, GW_OWNER);
  DestroyWindow(dlg);
  const std::string text =
      "Combining scans " + ivdata::ScanRangesText(request.ranges) + " of " + sample_.Summary().name + "...";
  HWND busy = CreateBusyWindow("Spectrum Combine", owner ? owner : Window(WindowKind::Main), text);
  // The combine runs after OK has returned, so the window is there for whoever sent OK to see.
  const int combineMs = DelayMs("Combine", 150);
  Later(combineMs > 10 ? combineMs : 10, [this, request, busy] { FinishCombine(request, busy); });
}

void HostApp::FinishCombine(const ivdata::CombineRequest& request, HWND busy) {
  std::string error;
  try {
    spectrum_.Add(*this, ivdata::CombineScans(sample_.Data(), request), request);
  } catch (const std::exception& e) {
    error = e.what();
  }
  ++combines_;
  if (!error.empty()) Journal(kSrcHost, "combine.failed", JsonFields().Str("error", error));

  const int exitAfter = FaultInt(HostFault::ExitAfterCombines);
  if (exitAfter > 0 && combines_ >= exitAfter) {
    Journal(kSrcHost, "host.exit", JsonFields().Str("reason", shared::FaultName(HostFault::ExitAfterCombines)).Int("combines", combines_));
    // Gone for the libraries before the busy window goes, and every window with the process: a client that
    // sees the combine end must not find a host half there.
    bridge_.Update([](BridgeState& b) { b.hostPid = 0; });
    ExitProcess(3);
  }
  if (FaultInt(HostFault::CombineWindowStays)) {
    Journal(kSrcHost, "fault.combine-window-stays");
  } else if (IsWindow(busy)) {
    DestroyWindow(busy);
  }
  if (!error.empty()) {
    MessageBoxA(Window(WindowKind::Main), ("The spectrum could not be combined.\n" + error).c_str(), "Ionvane",
                MB_OK | MB_ICONERROR);
  }
}

}  // namespace standin
