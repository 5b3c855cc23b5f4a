// What the About box shows and where it stands; the form itself is the platform's.
#pragma once
#include <string>

#include "platform/forms.h"
#include "shell/version.h"

namespace apexer {

inline constexpr const char* kVersionText = "V" APEXER_VERSION_TEXT;

struct AppInfo {
  Integer Fill = 0;
  std::string Description;
  std::string Version;
  std::string Copyright;
  std::string AppName;
  std::string Date;
};

struct TwipsRect {
  Single Left = 0;
  Single Top = 0;
  Single Width = 0;
  Single Height = 0;
};

void FillAppInfo(platform::Application& app, AppInfo& info);
std::string AboutCaption(const AppInfo& info);
std::string CopyrightText(int year);

// Just below and right of the owner by a caption's height, pulled back onto the screen at right and bottom.
void PlaceNearOwner(const TwipsRect& owner, TwipsRect& child, Single screenWidth, Single screenHeight,
                    int captionHeightPixels);

}  // namespace apexer
