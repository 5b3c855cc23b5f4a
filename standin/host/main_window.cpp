// The host's main window (kind 0): the current sample at a glance, and the View menu.
#include <cstdio>

#include "host_app.h"
#include "resource.h"

namespace standin {

void MainView::Paint(HostApp& app, HWND, HDC dc, const RECT& client) {
  SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  std::string lines;
  if (app.Sample().Has()) {
    const SampleSummary& s = app.Sample().Summary();
    char buf[1024];
    std::snprintf(buf, sizeof buf,
                  "Current sample:\t%s\nFile:\t%s\nDescription:\t%s\nAcquired:\t%s\n"
                  "Functions:\t%d\nScans (function 1):\t%d, %.2f to %.2f min",
                  s.name.c_str(), s.path.c_str(), s.description.c_str(), s.acquired.c_str(), s.functionCount,
                  s.scanCount, s.firstMinutes, s.lastMinutes);
    lines = buf;
  } else {
    lines = "No current sample.\n" + app.Sample().Error();
  }
  RECT r = client;
  r.left += 12;
  r.top += 10;
  DRAWTEXTPARAMS tabs{sizeof tabs, 20, 0, 0, 0};
  DrawTextExA(dc, lines.data(), -1, &r, DT_LEFT | DT_EXPANDTABS | DT_TABSTOP, &tabs);
}

void MainView::Command(HostApp& app, HWND window, int id) {
  if (id == IDM_EXIT) {
    app.CloseLikeUser(window, KindInfo(WindowKind::Main).role);
    return;
  }
  for (const WindowKindInfo& kind : WindowKinds()) {
    if (kind.viewCommand != 0 && kind.viewCommand == id) {
      app.Show(kind.kind);
      return;
    }
  }
  Journal(kSrcHost, "command.ignored", JsonFields().Str("role", KindInfo(WindowKind::Main).role).Int("id", id));
}

}  // namespace standin
