// The scripted host plays each way a lab's host may differ, as the stand-in host does under Wine: other
// titles, another command for the dialog, and a host that stops answering.
#include <gtest/gtest.h>

#include <cstring>

#include "fakes/rig.h"

namespace apexer {
namespace {

using fakes::CallNeverReturns;
using fakes::HostFaults;

std::string Title(fakes::Rig& rig, Hwnd window) {
  char text[128] = {};
  rig.desktop.GetWindowTextA(window, text, sizeof text);
  return text;
}

void Launch(fakes::Rig& rig) {
  std::string launch = "app.launch[default:Chro]()";
  ASSERT_EQ(rig.host->IonvaneCommand(launch, 5000), 1);
  rig.world.Advance(100);
}

void Command(fakes::Rig& rig, Long command) {
  rig.desktop.PostMessageA(rig.host->chromatogramWindow, platform::kWmCommand, command, 0);
  rig.world.Advance(0);  // delivered; the host reacts within the next moments
  rig.world.Advance(100);
}

TEST(ScriptedHost, PlaysAHostWhoseWindowsDiffer) {
  struct Row {
    const char* what;
    HostFaults faults;
    std::string chromatogram;
    Long opensDialog;
    std::string dialog;
  };
  const Row rows[] = {
      {"as the host is known", {}, "Chromatogram - [SAMPLE01]", 354, "Combine Spectrum"},
      {"another chromatogram title", {.ChromatogramTitle = "Chromatogram 2 - SAMPLE01"}, "Chromatogram 2 - SAMPLE01",
       354, "Combine Spectrum"},
      {"another combine command", {.CombineCommand = 355}, "Chromatogram - [SAMPLE01]", 355, "Combine Spectrum"},
      {"another dialog title", {.CombineDialogTitle = "Combine Spectra"}, "Chromatogram - [SAMPLE01]", 354,
       "Combine Spectra"},
  };
  for (const Row& row : rows) {
    fakes::HostScript script;
    script.faults = row.faults;
    fakes::Rig rig(script);
    Launch(rig);
    const Hwnd chromatogram = rig.host->chromatogramWindow;
    ASSERT_NE(chromatogram, 0u) << row.what;
    EXPECT_EQ(rig.desktop.FindWindowA(row.chromatogram), chromatogram) << row.what;

    Command(rig, 354);
    if (row.opensDialog != 354) {
      EXPECT_EQ(rig.host->dialog, 0u) << row.what << ": 354 opens nothing";
      Command(rig, row.opensDialog);
    }
    const Hwnd dialog = rig.host->dialog;
    ASSERT_NE(dialog, 0u) << row.what;
    EXPECT_EQ(Title(rig, dialog), row.dialog) << row.what;
    EXPECT_EQ(rig.desktop.FindWindowA(row.dialog), dialog) << row.what;
    EXPECT_EQ(rig.desktop.GetParent(dialog), chromatogram) << row.what;
    for (Long id : {308, 310, 369, 176}) EXPECT_NE(rig.desktop.GetDlgItem(dialog, id), 0u) << row.what << " " << id;
    EXPECT_EQ(rig.desktop.FindWindowA("Combine Spectrum") != 0, row.dialog == "Combine Spectrum") << row.what;
  }
}

TEST(ScriptedHost, AHungHostAnswersNothingThatNeedsIt) {
  fakes::HostScript script;
  script.faults.HostHangs = 1000;
  script.combineMs = 5000;
  fakes::Rig rig(script);
  Launch(rig);
  Command(rig, 354);
  const Hwnd dialog = rig.host->dialog;
  ASSERT_NE(dialog, 0u);
  ASSERT_EQ(rig.desktop.SendMessageA(dialog, platform::kWmCommand, 1, 0), 1) << "OK before the hang";
  ASSERT_NE(rig.desktop.FindWindowA("Spectrum Combine"), 0u);
  Command(rig, 354);
  const Hwnd another = rig.host->dialog;
  ASSERT_NE(another, 0u);
  EXPECT_FALSE(rig.host->Hung());
  EXPECT_NE(rig.host->GetApplicationWnd(0), 0);

  rig.world.Advance(1000);
  ASSERT_TRUE(rig.host->Hung());
  RawFileRecord raw{};
  FileSpecRecord blank{}, spec{};
  std::string list = "SystemList", type = "RAW";
  EXPECT_THROW(rig.host->GetApplicationWnd(0), CallNeverReturns);
  EXPECT_THROW(rig.host->GetSampleListFileVB(raw), CallNeverReturns);
  EXPECT_THROW(rig.host->GetGlobalFile(list, type, blank, spec), CallNeverReturns);
  const std::int64_t asked = rig.clock.now;
  std::string launch = "app.launch[default:Peaks]()";
  EXPECT_EQ(rig.host->IonvaneCommand(launch, 3000), 0) << "a command the host has no time to accept";
  EXPECT_EQ(rig.clock.now - asked, 3000) << "the command's time limit passes in the call";

  // Its windows stay, their titles readable, but no message to them is handled.
  EXPECT_THROW(rig.desktop.SendMessageA(rig.host->mainWindow, platform::kWmClose, 0, 0), CallNeverReturns);
  EXPECT_THROW(rig.desktop.SendMessageA(rig.desktop.GetDlgItem(another, 308), platform::kWmSetText, 0, "1:3"),
               CallNeverReturns);
  EXPECT_EQ(rig.desktop.PostMessageA(rig.host->spectrumWindow, platform::kWmClose, 0, 0), 1);
  rig.world.Advance(60'000);
  EXPECT_TRUE(rig.desktop.IsWindow(rig.host->spectrumWindow)) << "a posted close was handled";
  EXPECT_NE(rig.desktop.FindWindowA("Spectrum Combine"), 0u) << "the combine underway ended";
  EXPECT_TRUE(rig.host->combined.empty());
  EXPECT_EQ(rig.desktop.FindWindowA("Chromatogram - [SAMPLE01]"), rig.host->chromatogramWindow);

  // What the libraries do without the host still answers.
  EXPECT_EQ(rig.host->DmRawScansInFunction(raw), script.scanCount);
  char copy[4] = {};
  EXPECT_EQ(rig.host->CopyMemVB(copy, "abc", 4), 4);
  EXPECT_STREQ(copy, "abc");
}

}  // namespace
}  // namespace apexer
