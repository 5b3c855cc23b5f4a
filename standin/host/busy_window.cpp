// The small windows the host shows while it works: "Spectrum Combine" and "Printing...".
#include "host_app.h"
#include "scoped_gdi.h"

namespace standin {

void BusyView::Paint(HostApp&, HWND window, HDC dc, const RECT& client) {
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  const auto it = texts_.find(window);
  const std::string text = it == texts_.end() ? std::string() : it->second.substr(0, 511);
  RECT tr = {16, 14, client.right - 16, client.bottom - 30};
  DrawTextA(dc, text.c_str(), -1, &tr, DT_LEFT | DT_WORDBREAK);
  RECT bar = {16, client.bottom - 26, client.right - 16, client.bottom - 14};
  FrameRect(dc, &bar, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
  RECT fill = {bar.left + 2, bar.top + 2, bar.left + (bar.right - bar.left) * 2 / 3, bar.bottom - 2};
  const ScopedBrush blue(CreateSolidBrush(RGB(0, 120, 215)));
  FillRect(dc, &fill, blue.get());
}

}  // namespace standin
