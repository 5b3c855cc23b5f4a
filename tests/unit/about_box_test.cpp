#include "shell/about_box.h"

#include <gtest/gtest.h>

#include "common/errors.h"
#include "fakes/fake_platform.h"

namespace apexer {
namespace {

TEST(AboutBox, FilledWithTheProgramsOwnValuesAndThisYear) {
  fakes::FakeApplication app;
  app.year = 2031;
  app.fileDates[R"(D:\Tools\Apexer.EXE)"] = "Tuesday, 8 December 2026";
  AppInfo info;
  info.Fill = kTrue;
  FillAppInfo(app, info);
  EXPECT_EQ(info.Description, "Apexer");
  EXPECT_EQ(info.AppName, "Apexer");
  EXPECT_EQ(info.Version, "V3.3.0");
  EXPECT_NE(info.Copyright.find("2031"), std::string::npos);  // the year now, not the executable's
  EXPECT_EQ(info.Date, "Tuesday, 8 December 2026");
  EXPECT_EQ(AboutCaption(info), "About Apexer");
}

TEST(AboutBox, AnUnreadableExecutableDateIsAnError) {
  fakes::FakeApplication app;
  AppInfo info;
  EXPECT_THROW(FillAppInfo(app, info), AppError);
}

TEST(AboutBox, CaptionFollowsTheRecordWhenNotFilled) {
  AppInfo info;
  info.AppName = "Other";
  EXPECT_EQ(AboutCaption(info), "About Other");
}

TEST(AboutBox, PlacedBelowRightOfTheOwnerAndPulledBackOntoTheScreen) {
  TwipsRect child{0, 0, 5000, 3000};
  PlaceNearOwner({1000, 2000, 2500, 1300}, child, 19200, 15360, 18);
  EXPECT_FLOAT_EQ(child.Left, 1000 + 18 * 40);
  EXPECT_FLOAT_EQ(child.Top, 2000 + 18 * 40);

  PlaceNearOwner({18000, 15000, 2500, 1300}, child, 19200, 15360, 18);
  EXPECT_FLOAT_EQ(child.Left, 19200 - 5000);  // right edge on the screen's edge
  EXPECT_FLOAT_EQ(child.Top, 15360 - 3000);

  TwipsRect huge{0, 0, 30000, 20000};
  PlaceNearOwner({0, 0, 2500, 1300}, huge, 19200, 15360, 18);
  EXPECT_LT(huge.Left, 0);  // no lower bound
  EXPECT_LT(huge.Top, 0);
}

}  // namespace
}  // namespace apexer
