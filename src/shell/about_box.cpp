#include "shell/about_box.h"

#include <algorithm>

namespace apexer {

void FillAppInfo(platform::Application& app, AppInfo& info) {
  info.Description = app.Title();
  info.Version = kVersionText;
  info.Copyright = CopyrightText(app.CurrentYear());
  info.AppName = app.Title();
  info.Date = app.FileDateLongFormat(app.Path() + "\\" + app.EXEName() + ".EXE");
}

std::string AboutCaption(const AppInfo& info) { return "About " + info.AppName; }

std::string CopyrightText(int year) {
  return "Copyright \xA9 " + std::to_string(year) + " the Apexer developers";
}

void PlaceNearOwner(const TwipsRect& owner, TwipsRect& child, Single screenWidth, Single screenHeight,
                    int captionHeightPixels) {
  const Single offset = static_cast<Single>(captionHeightPixels) * 40.0f;
  const Single maxLeft = screenWidth - child.Width;
  const Single maxTop = screenHeight - child.Height;
  child.Left = std::min(owner.Left + offset, maxLeft);
  child.Top = std::min(owner.Top + offset, maxTop);
}

}  // namespace apexer
