// Every change the check makes to the host, registered with its undoing at the moment it is made, and
// undone on every way out. What the report says of each is what was observed when it was undone.
#pragma once
#include <array>
#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace apexer::check {

enum class ChangeState { Pending, Undone, CannotBeUndone, UndoFailed };

struct ChangeRecord {
  std::string what;
  ChangeState state = ChangeState::Pending;
  std::string how;  // how it was undone, or why it cannot be, or what went wrong, as seen
};

// Written by the checking thread; read, and undone, by a watchdog once that thread is stopped: entries
// are made in place and published by one atomic count, so a reader never sees one half made.
class Changes {
 public:
  static constexpr std::size_t kMost = 48;
  // Returns how it went: the words for the report. Throws when the undoing failed.
  using Undo = std::function<std::string()>;

  // Registers a change that is undone by `undo`; returns its number.
  int Made(const std::string& what, Undo undo);
  // Registers a change that cannot be undone (a printed page), with the reason.
  void Final(const std::string& what, const std::string& why);
  // Undoes one change now, once; later calls do nothing.
  void UndoNow(int id) noexcept;
  // Undoes every change still pending, the latest first.
  void UndoAll() noexcept;
  std::vector<ChangeRecord> Snapshot() const;

 private:
  struct Entry {
    ChangeRecord record;
    Undo undo;
    std::atomic<int> state{0};
  };
  std::array<Entry, kMost> entries_;
  std::atomic<std::size_t> count_{0};
};

}  // namespace apexer::check
