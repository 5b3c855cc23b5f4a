#include "check/observing_desktop.h"

namespace apexer::check {

void ObservingDesktop::Watch(const std::string& title) { watched_[title] = Sighting{}; }

ObservingDesktop::Sighting ObservingDesktop::Seen(const std::string& title) const {
  const auto it = watched_.find(title);
  return it == watched_.end() ? Sighting{} : it->second;
}

Hwnd ObservingDesktop::FindWindowA(const std::string& title) {
  const Hwnd found = d_.FindWindowA(title);
  const auto it = watched_.find(title);
  if (it != watched_.end()) {
    Sighting& s = it->second;
    if (found != 0 && s.firstSeenMs < 0) s.firstSeenMs = clock_.MonotonicMs();
    if (found == 0 && s.firstSeenMs >= 0 && s.goneMs < 0) s.goneMs = clock_.MonotonicMs();
  }
  return found;
}

void ObservingDesktop::MustAnswer(Hwnd window) {
  if (!machine_.WindowAnswers(window, kAnswerLimitMs)) {
    throw HostNotResponding("the host does not respond: its window " + std::to_string(window) +
                            " did not handle a message within " + std::to_string(kAnswerLimitMs / 1000) + " s");
  }
}

Long ObservingDesktop::SendMessageA(Hwnd window, std::uint32_t message, Long wParam, Long lParam) {
  MustAnswer(window);
  return d_.SendMessageA(window, message, wParam, lParam);
}

Long ObservingDesktop::SendMessageA(Hwnd window, std::uint32_t message, Long wParam, const std::string& text) {
  MustAnswer(window);
  return d_.SendMessageA(window, message, wParam, text);
}

}  // namespace apexer::check
