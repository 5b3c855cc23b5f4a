#include "shell/startup.h"

#include <new>

#include "common/errors.h"
#include "common/text.h"
#include "processing/processing_run.h"
#include "settings/profile_settings.h"
#include "settings/settings_paths.h"
#include "shell/form_rect.h"

namespace apexer {
namespace {

constexpr Long kOutOfMemoryNumber = 7;
constexpr Long kInternalErrorNumber = 51;

// Recorded first: the report waits for the user's OK, and the process may be ended meanwhile.
void Report(Platform& p, RunRecord& record, Long number, const std::string& text) {
  record.Error(number, text);
  p.app.ReportUncaughtError(number, text);
}

int RunToTheEnd(Platform& p, RunRecord& record) {
  const std::string settingsPath = ProgramSettingsPath(p.app);
  const std::string channel = ReadProfileString(p.profiles, kProgramSection, kChannelKey, settingsPath);
  WindowRect rect;
  ReadWindowPlacement(p.profiles, kProgramSection, kPlacementKey, settingsPath, rect);
  ApplyFormRect(p.desktop, p.status, rect);
  // Only the window moves; what is stored at the end is where it really stood.
  MoveOntoNearestMonitor(p.desktop, p.status);
  p.status.Show();
  p.desktop.SetWindowPos(p.status.hWnd(), platform::kHwndTopmost, 0, 0, 0, 0,
                         platform::kSwpNoMove | platform::kSwpNoSize);
  p.status.SetStatusText("Initializing");

  const Integer result = RunSampleProcessing(p, record, channel);
  p.status.SetStatusText(DecimalText(result));

  GetFormRect(p.desktop, p.status, rect);
  WriteWindowPlacement(p.profiles, kProgramSection, kPlacementKey, settingsPath, rect);
  return kExitDone;
}

}  // namespace

int Main(Platform& p, RunRecord& record) {
  try {
    return RunToTheEnd(p, record);
  } catch (const CancelRequested&) {
    record.Cancelled();
    return kExitCancelled;
  } catch (const AppError& e) {
    Report(p, record, e.Number(), e.what());
  } catch (const std::bad_alloc&) {
    Report(p, record, kOutOfMemoryNumber, "Out of memory");
  } catch (const std::exception& e) {
    Report(p, record, kInternalErrorNumber, std::string("Internal error: ") + e.what());
  }
  return kExitError;
}

}  // namespace apexer
