#include "fakes/fake_platform.h"

#include <sstream>
#include <stdexcept>

#include "common/errors.h"

namespace apexer::fakes {

void World::After(std::int64_t delayMs, std::function<void()> action) {
  timers_.emplace(clock_.now + delayMs, std::move(action));
}

void World::Advance(std::int64_t ms) {
  const std::int64_t until = clock_.now + ms;
  // No test runs this long: a wait that never ends fails its test instead of hanging it.
  if (until - start_ > kLongestTestMs) throw std::logic_error("virtual time ran out: a wait that never ends");
  for (;;) {
    auto it = timers_.begin();
    if (it == timers_.end() || it->first > until) break;
    clock_.now = std::max(clock_.now, it->first);
    auto action = std::move(it->second);
    timers_.erase(it);
    action();
  }
  clock_.now = until;
  desktop_.DeliverPosted();
}

bool FakeLoop::DoEvents(platform::Awaiting awaiting) {
  ++yields;
  lastAwaiting = awaiting;
  world_.Advance(yieldStepMs);
  bool events = false;
  if (press && clock_.now >= press->upAtMs) {
    press.reset();
    pressSeenAtMs_.reset();
    events = true;
  } else if (press && !pressSeenAtMs_ && clock_.now >= press->downAtMs) {
    pressSeenAtMs_ = pressSeenAtMs = clock_.now;
    events = true;
  }
  if (onYield) onYield(yields);
  events = events || (newWindowsWake && desktop_.windowsMade != windowsSeen_);
  windowsSeen_ = desktop_.windowsMade;
  return events;
}

void FakeLoop::Block(double timeoutMs) {
  std::ostringstream text;
  text << "block " << timeoutMs;
  pacing.push_back(text.str());
}

void FakeLoop::PauseWithoutEvents(double ms) {
  ++pauses;
  world_.Advance(static_cast<std::int64_t>(ms));
}

void FakeLoop::RequestMade(const platform::HostRequest& request) {
  using Kind = platform::HostRequest::Kind;
  std::string text = request.kind == Kind::Command ? "command" : request.kind == Kind::Post ? "post" : "send";
  if (request.kind != Kind::Command) text += " " + std::to_string(request.message);
  if (request.message == platform::kWmCommand) text += " " + std::to_string(request.wParam);
  pacing.push_back(text);
}

platform::GlobalHandle FakeMemory::Allocate(std::vector<std::uint8_t> bytes) {
  next_ += 4;
  blocks_[next_] = std::move(bytes);
  return next_;
}

void* FakeMemory::GlobalLock(platform::GlobalHandle block) {
  calls.push_back("lock " + std::to_string(block));
  auto it = blocks_.find(block);
  if (failLocks || it == blocks_.end()) return nullptr;
  return it->second.data();
}

bool FakeMemory::GlobalUnlock(platform::GlobalHandle block) {
  calls.push_back("unlock " + std::to_string(block));
  return false;
}

platform::GlobalHandle FakeMemory::GlobalFree(platform::GlobalHandle block) {
  calls.push_back("free " + std::to_string(block));
  return blocks_.erase(block) != 0 ? 0 : block;
}

std::size_t FakeMemory::GlobalSize(platform::GlobalHandle block) {
  auto it = blocks_.find(block);
  return it == blocks_.end() ? 0 : it->second.size();
}

FakeStatusForm::FakeStatusForm(FakeDesktop& desktop) : desktop_(desktop) {
  handle = desktop.AddWindow("Apexer");
  desktop.MoveWindow(handle, restoredRect.left, restoredRect.top, restoredRect.right, restoredRect.bottom, true);
}

void FakeStatusForm::SetWindowState(platform::WindowState s) {
  // A minimized or maximized window reports another rectangle than its restored one.
  if (state == platform::WindowState::Normal && s != platform::WindowState::Normal) {
    desktop_.GetWindowRect(handle, restoredRect);
    if (s == platform::WindowState::Minimized) desktop_.MoveWindow(handle, -32000, -32000, 160, 28, true);
    else desktop_.MoveWindow(handle, -8, -8, 1296, 1040, true);
  } else if (state != platform::WindowState::Normal && s == platform::WindowState::Normal) {
    desktop_.MoveWindow(handle, restoredRect.left, restoredRect.top, restoredRect.right - restoredRect.left,
                        restoredRect.bottom - restoredRect.top, true);
  }
  state = s;
}

std::string FakeApplication::FileDateLongFormat(const std::string& file) {
  auto it = fileDates.find(file);
  if (it == fileDates.end()) throw AppError(53, "File not found");
  return it->second;
}

}  // namespace apexer::fakes
