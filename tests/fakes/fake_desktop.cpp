#include "fakes/fake_desktop.h"

#include <algorithm>
#include <cstring>

#include "common/text.h"

namespace apexer::fakes {

Hwnd FakeDesktop::AddWindow(const std::string& title, Hwnd owner) {
  const Hwnd h = NewHandle();
  Window w;
  w.handle = h;
  w.title = title;
  w.owner = owner;
  windows_[h] = w;
  zOrder_.insert(TopOfBand(false), h);
  ++windowsMade;
  return h;
}

Hwnd FakeDesktop::AddWindowAtBottom(const std::string& title, Hwnd owner) {
  const Hwnd h = AddWindow(title, owner);
  zOrder_.erase(std::find(zOrder_.begin(), zOrder_.end(), h));
  zOrder_.push_back(h);
  return h;
}

Hwnd FakeDesktop::AddControl(Hwnd dialog, Long id) {
  const Hwnd h = NewHandle();
  Window w;
  w.handle = h;
  w.topLevel = false;
  w.dialog = dialog;
  w.controlId = id;
  windows_[h] = w;
  ++windowsMade;
  return h;
}

void FakeDesktop::RemoveWindow(Hwnd window) {
  for (auto it = windows_.begin(); it != windows_.end();) {
    if (it->second.dialog == window) it = windows_.erase(it);
    else ++it;
  }
  windows_.erase(window);
  zOrder_.erase(std::remove(zOrder_.begin(), zOrder_.end(), window), zOrder_.end());
  if (active_ == window) active_ = 0;
}

void FakeDesktop::SetTitle(Hwnd window, const std::string& title) {
  if (Window* w = Find(window)) w->title = title;
}

void FakeDesktop::SetHandler(Hwnd window, std::function<Long(const Message&)> handler) {
  if (Window* w = Find(window)) w->handler = std::move(handler);
}

void FakeDesktop::RaiseToTop(Hwnd window) {
  auto it = std::find(zOrder_.begin(), zOrder_.end(), window);
  if (it == zOrder_.end()) return;
  zOrder_.erase(it);
  zOrder_.insert(TopOfBand(windows_[window].topmost), window);
}

void FakeDesktop::Hang(Hwnd window) {
  if (Window* w = Find(window)) w->hung = true;
}

std::vector<Hwnd>::iterator FakeDesktop::TopOfBand(bool topmost) {
  if (topmost) return zOrder_.begin();
  return std::find_if(zOrder_.begin(), zOrder_.end(), [this](Hwnd h) { return !windows_[h].topmost; });
}

FakeDesktop::Window* FakeDesktop::Find(Hwnd window) {
  auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : &it->second;
}

void FakeDesktop::DeliverPosted() {
  // Only what was queued before this delivery; handlers may post more for the next round.
  std::deque<Message> batch;
  batch.swap(queue_);
  for (const Message& m : batch) Dispatch(m);
}

std::vector<Message> FakeDesktop::LogOf(std::uint32_t message) const {
  std::vector<Message> out;
  for (const Message& m : log_) {
    if (m.message == message) out.push_back(m);
  }
  return out;
}

std::string FakeDesktop::ControlText(Hwnd control) const {
  auto it = windows_.find(control);
  return it == windows_.end() ? std::string() : it->second.title;
}

Long FakeDesktop::Dispatch(const Message& m) {
  Window* w = Find(m.window);
  if (w == nullptr) return 0;
  // A control answers on its dialog's thread.
  const Window* thread = w->topLevel ? w : Find(w->dialog);
  if (thread != nullptr && thread->hung) {
    if (m.posted) return 0;
    throw CallNeverReturns{"SendMessage " + std::to_string(m.message) + " to a window that no longer answers"};
  }
  if (m.message == platform::kWmSetText && !w->handler) {
    w->title = m.text;
    return 1;
  }
  if (w->handler) {
    auto handler = w->handler;  // the handler may remove its own window
    return handler(m);
  }
  if (m.message == platform::kWmClose) RemoveWindow(m.window);
  return 0;
}

Hwnd FakeDesktop::FindWindowA(const std::string& title) {
  ++lookups;
  for (Hwnd h : zOrder_) {
    if (EqualsNoCase(windows_[h].title, title)) return h;
  }
  return 0;
}

platform::TopLevelWindows FakeDesktop::ListTopLevel() {
  platform::TopLevelWindows look;
  look.zOrder = zOrder_;
  const auto untitled = std::find_if(zOrder_.begin(), zOrder_.end(), [this](Hwnd h) { return windows_[h].title.empty(); });
  if (untitled != zOrder_.end()) look.firstUntitled = *untitled;
  return look;
}

int FakeDesktop::GetWindowTextA(Hwnd window, char* buffer, int maxCount) {
  if (maxCount <= 0) return 0;
  const Window* w = Find(window);
  if (w == nullptr) {
    buffer[0] = '\0';
    return 0;
  }
  const int n = std::min<int>(static_cast<int>(w->title.size()), maxCount - 1);
  std::memcpy(buffer, w->title.data(), static_cast<std::size_t>(n));
  buffer[n] = '\0';
  return n;
}

Hwnd FakeDesktop::GetParent(Hwnd window) {
  const Window* w = Find(window);
  if (w == nullptr) return 0;
  return w->topLevel ? w->owner : w->dialog;
}

bool FakeDesktop::IsWindow(Hwnd window) { return window != 0 && Find(window) != nullptr; }

bool FakeDesktop::IsTopLevelWindow(Hwnd window) {
  const Window* w = window != 0 ? Find(window) : nullptr;
  return w != nullptr && w->topLevel;
}

Hwnd FakeDesktop::GetDlgItem(Hwnd dialog, Long id) {
  for (const auto& [h, w] : windows_) {
    if (!w.topLevel && w.dialog == dialog && w.controlId == id && dialog != 0) return h;
  }
  return 0;
}

namespace {

std::string MessageName(std::uint32_t message) {
  switch (message) {
    case platform::kWmClose: return "WM_CLOSE";
    case platform::kWmCommand: return "WM_COMMAND";
    case platform::kWmSetText: return "WM_SETTEXT";
    default: return "message " + std::to_string(message);
  }
}

}  // namespace

void FakeDesktop::Note(const Message& m) {
  log_.push_back(m);
  if (onMessage) onMessage(m);
  if (journal == nullptr) return;
  const Window* w = Find(m.window);
  std::string target = w == nullptr ? "no window" : (w->topLevel ? "'" + w->title + "'" : "control " + std::to_string(w->controlId));
  std::string line = std::string(m.posted ? "post " : "send ") + MessageName(m.message);
  if (m.message == platform::kWmCommand) line += " " + std::to_string(m.wParam);
  if (m.message == platform::kWmSetText) line += " '" + m.text + "'";
  journal->push_back(line + " to " + target);
}

Long FakeDesktop::PostMessageA(Hwnd window, std::uint32_t message, Long wParam, Long lParam) {
  Message m{true, window, message, wParam, lParam, {}};
  Note(m);
  if (!IsWindow(window)) return 0;
  queue_.push_back(m);
  return 1;
}

Long FakeDesktop::SendMessageA(Hwnd window, std::uint32_t message, Long wParam, Long lParam) {
  Message m{false, window, message, wParam, lParam, {}};
  Note(m);
  return Dispatch(m);
}

Long FakeDesktop::SendMessageA(Hwnd window, std::uint32_t message, Long wParam, const std::string& text) {
  Message m{false, window, message, wParam, 0, text};
  Note(m);
  return Dispatch(m);
}

bool FakeDesktop::GetWindowRect(Hwnd window, platform::PixelRect& rect) {
  const Window* w = Find(window);
  if (w == nullptr) return false;
  rect = w->rect;
  return true;
}

bool FakeDesktop::MoveWindow(Hwnd window, Long x, Long y, Long width, Long height, bool) {
  Window* w = Find(window);
  if (w == nullptr) return false;
  w->rect = {x, y, x + width, y + height};
  return true;
}

bool FakeDesktop::SetWindowPos(Hwnd window, Hwnd insertAfter, Long x, Long y, Long cx, Long cy,
                               std::uint32_t flags) {
  Window* w = Find(window);
  if (w == nullptr) return false;
  if (insertAfter == platform::kHwndTopmost) {
    w->topmost = true;
    RaiseToTop(window);
  }
  if ((flags & platform::kSwpNoMove) == 0) {
    w->rect = {x, y, x + w->rect.right - w->rect.left, y + w->rect.bottom - w->rect.top};
  }
  if ((flags & platform::kSwpNoSize) == 0) w->rect = {w->rect.left, w->rect.top, w->rect.left + cx, w->rect.top + cy};
  return true;
}

int FakeDesktop::GetSystemMetrics(int index) {
  auto it = metrics_.find(index);
  return it == metrics_.end() ? 0 : it->second;
}

bool FakeDesktop::GetNearestMonitorWorkArea(const platform::PixelRect& rect, platform::PixelRect& workArea) {
  // The monitor sharing most of the rectangle; when none shares any, the closest one.
  const Monitor* best = nullptr;
  long long bestShared = 0;
  long long bestDistance = 0;
  for (const Monitor& m : monitors) {
    const long long w = std::min(rect.right, m.area.right) - std::max(rect.left, m.area.left);
    const long long h = std::min(rect.bottom, m.area.bottom) - std::max(rect.top, m.area.top);
    const long long shared = w > 0 && h > 0 ? w * h : 0;
    const long long dx = std::max<long long>({0, m.area.left - rect.right, rect.left - m.area.right});
    const long long dy = std::max<long long>({0, m.area.top - rect.bottom, rect.top - m.area.bottom});
    const long long distance = dx * dx + dy * dy;
    if (best == nullptr || shared > bestShared || (shared == 0 && bestShared == 0 && distance < bestDistance)) {
      best = &m;
      bestShared = shared;
      bestDistance = distance;
    }
  }
  if (best == nullptr) return false;
  workArea = best->work;
  return true;
}

}  // namespace apexer::fakes
