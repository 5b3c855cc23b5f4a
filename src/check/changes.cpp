#include "check/changes.h"

#include <exception>
#include <stdexcept>

namespace apexer::check {

int Changes::Made(const std::string& what, Undo undo) {
  const std::size_t n = count_.load();
  if (n >= kMost) throw std::logic_error("more changes than the check ever makes");
  entries_[n].record = {what, ChangeState::Pending, ""};
  entries_[n].undo = std::move(undo);
  entries_[n].state.store(static_cast<int>(ChangeState::Pending));
  count_.store(n + 1);
  return static_cast<int>(n);
}

void Changes::Final(const std::string& what, const std::string& why) {
  const int id = Made(what, nullptr);
  entries_[static_cast<std::size_t>(id)].record.how = why;
  entries_[static_cast<std::size_t>(id)].state.store(static_cast<int>(ChangeState::CannotBeUndone));
}

void Changes::UndoNow(int id) noexcept {
  if (id < 0 || static_cast<std::size_t>(id) >= count_.load()) return;
  Entry& e = entries_[static_cast<std::size_t>(id)];
  if (e.state.load() != static_cast<int>(ChangeState::Pending)) return;
  ChangeState outcome = ChangeState::Undone;
  std::string how;
  try {
    how = e.undo();
  } catch (const std::exception& error) {
    outcome = ChangeState::UndoFailed;
    how = error.what();
  } catch (...) {
    outcome = ChangeState::UndoFailed;
    how = "the undoing failed";
  }
  e.record.how = how;
  e.state.store(static_cast<int>(outcome));
}

void Changes::UndoAll() noexcept {
  for (std::size_t i = count_.load(); i-- > 0;) UndoNow(static_cast<int>(i));
}

std::vector<ChangeRecord> Changes::Snapshot() const {
  std::vector<ChangeRecord> out;
  const std::size_t n = count_.load();
  for (std::size_t i = 0; i < n; ++i) {
    ChangeRecord r = entries_[i].record;
    r.state = static_cast<ChangeState>(entries_[i].state.load());
    if (r.state == ChangeState::Pending) r.how.clear();
    out.push_back(std::move(r));
  }
  return out;
}

}  // namespace apexer::check
