#include "window_kinds.h"

#include <cassert>

#include "resource.h"

namespace standin {

const std::array<WindowKindInfo, kWindowKinds>& WindowKinds() {
  // clang-format off
  static const std::array<WindowKindInfo, kWindowKinds> kinds = {{
      {WindowKind::Main, "ApexerStandinMain", "main", "Ionvane Stand-in Host", TitleRule::DashFile, 0,
       IDR_MAIN_MENU, 0, 0, 620, 190, SW_SHOWNORMAL, RaiseRule::ToTop, CloseRule::LikeUser,
       true, false, false, nullptr, 0, nullptr, IDC_ARROW, Backdrop::Window},
      {WindowKind::Chromatogram, "ApexerStandinChromatogram", "chromatogram", "Chromatogram",
       TitleRule::BracketedFile, -1, IDR_CHROMATOGRAM_MENU, 10, 200, 900, 420, SW_SHOWNORMAL,
       RaiseRule::BelowDialog, CloseRule::LikeUser, false, true, true, "CHRO", IDM_VIEW_CHROMATOGRAM,
       "CHROMATOGRAM", IDC_CROSS, Backdrop::White},
      // Sized to show the page its print makes at about the screen's own scale.
      {WindowKind::Spectrum, "ApexerStandinSpectrum", "spectrum", "Spectrum", TitleRule::BracketedFile, 1,
       IDR_SPECTRUM_MENU, 130, 60, 1140, 860, SW_SHOWNOACTIVATE, RaiseRule::ToTop, CloseRule::LikeUser,
       false, true, true, "SPEC", IDM_VIEW_SPECTRUM, "SPECTRUM", IDC_ARROW, Backdrop::White},
      {WindowKind::PeakList, "ApexerStandinPeakList", "peaklist", "Peak List", TitleRule::BracketedFile, 2,
       IDR_PEAK_LIST_MENU, 640, 0, 520, 400, SW_SHOWNOACTIVATE, RaiseRule::ToTop, CloseRule::LikeUser,
       false, false, false, "PEAKS", IDM_VIEW_PEAK_LIST, "PEAKLIST", IDC_ARROW, Backdrop::White},
      // "Spectrum Combine" and "Printing...": a user cannot cancel the host's work from them.
      {WindowKind::Busy, "ApexerStandinBusy", "busy", "", TitleRule::Given, -1, 0, 0, 0, 340, 110,
       SW_SHOWNOACTIVATE, RaiseRule::ToTop, CloseRule::Ignored, false, false, false, nullptr, 0, nullptr,
       IDC_WAIT, Backdrop::ButtonFace},
  }};
  // clang-format on
  return kinds;
}

const WindowKindInfo& KindInfo(WindowKind kind) {
  const WindowKindInfo& info = WindowKinds()[static_cast<std::size_t>(kind)];
  assert(info.kind == kind);  // the table's rows stand in the order of the kinds
  return info;
}

}  // namespace standin
