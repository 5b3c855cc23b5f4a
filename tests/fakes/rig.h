// One fake machine: desktop, settings files, memory, virtual time, the status window and a scripted host.
#pragma once
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "fakes/fake_desktop.h"
#include "fakes/fake_platform.h"
#include "fakes/fake_profile_files.h"
#include "fakes/fake_record_files.h"
#include "fakes/scripted_host.h"
#include "processing/run_record.h"

namespace apexer::fakes {

struct Rig {
  explicit Rig(HostScript script = {}) {
    desktop.journal = &journal;
    profiles.journal = &journal;
    // Hidden windows with empty titles, as every desktop has; FindWindowA("") starts below the top.
    for (int i = 0; i < 3; ++i) desktop.AddWindowAtBottom("");
    status = std::make_unique<FakeStatusForm>(desktop);
    host = std::make_unique<ScriptedHost>(world, desktop, profiles, memory, std::move(script), journal);
    // Each request to the host (a message posted or sent, a library call) at its virtual time.
    desktop.onMessage = [this](const Message&) { requestTimes.push_back(clock.now); };
    host->onCall = [this] { requestTimes.push_back(clock.now); };
    p = std::make_unique<Platform>(Platform{desktop, profiles, memory, clock, loop, app, *status, *host});
  }

  // Journal lines that start with any of the prefixes, in order.
  std::vector<std::string> Lines(std::initializer_list<const char*> prefixes) const {
    std::vector<std::string> out;
    for (const std::string& line : journal) {
      for (const char* prefix : prefixes) {
        if (line.rfind(prefix, 0) == 0) {
          out.push_back(line);
          break;
        }
      }
    }
    return out;
  }
  std::size_t Count(const char* prefix) const { return Lines({prefix}).size(); }

  std::vector<std::string> journal;
  std::vector<std::int64_t> requestTimes;
  FakeDesktop desktop;
  FakeProfileFiles profiles;
  FakeMemory memory;
  VirtualClock clock;
  World world{clock, desktop};
  FakeLoop loop{world, clock, desktop};
  FakeApplication app;
  FakeRecordFiles recordFiles;
  RunRecord record{recordFiles, app, "V3.3.0"};
  std::unique_ptr<FakeStatusForm> status;
  std::unique_ptr<ScriptedHost> host;
  std::unique_ptr<Platform> p;
};

}  // namespace apexer::fakes
