#include "check/check_table.h"

#include "common/errors.h"

namespace apexer::check {

const char* VerdictText(Verdict v) {
  switch (v) {
    case Verdict::Held: return "held";
    case Verdict::Differs: return "differs";
    case Verdict::NotChecked: break;
  }
  return "could not be checked";
}

const char* OverallText(Overall o) {
  switch (o) {
    case Overall::AllHeld: return "all held";
    case Overall::Differences: return "differences found";
    case Overall::Incomplete: break;
  }
  return "incomplete";
}

Summary Summarize(const std::vector<RowResult>& results) {
  Summary s;
  s.planned = results.size();
  for (const RowResult& r : results) {
    if (r.run) ++s.run;
    switch (r.outcome.verdict) {
      case Verdict::Held: ++s.held; break;
      case Verdict::Differs: ++s.differs; break;
      case Verdict::NotChecked: ++s.notChecked; break;
    }
  }
  // "All held" only when every planned row was checked and held: an empty table proves nothing.
  if (s.differs > 0) {
    s.overall = Overall::Differences;
    s.exitCode = 1;
  } else if (s.notChecked > 0 || s.held == 0) {
    s.overall = Overall::Incomplete;
    s.exitCode = 2;
  } else {
    s.overall = Overall::AllHeld;
    s.exitCode = 0;
  }
  return s;
}

CheckRunner::CheckRunner(CheckContext& context, std::vector<RowSpec> rows)
    : c_(context), rows_(std::move(rows)), results_(rows_.size()) {}

const RowResult* CheckRunner::Find(const std::string& id) const {
  for (std::size_t i = 0; i < done_.load(); ++i) {
    if (rows_[i].id == id) return &results_[i];
  }
  return nullptr;
}

Outcome CheckRunner::RunOne(const RowSpec& row, bool& ran) {
  ran = false;
  for (const std::string& need : row.needs) {
    const RowResult* before = Find(need);
    if (before == nullptr) continue;  // a row of another mode
    if (before->outcome.verdict == Verdict::NotChecked) return Outcome::NotChecked(before->outcome.reason);
    if (before->outcome.verdict == Verdict::Differs) {
      for (const RowSpec& r : rows_) {
        if (r.id == need) return Outcome::NotChecked("it rests on \"" + r.assumption + "\", which differs");
      }
    }
  }
  ran = true;
  return row.check(c_);
}

void CheckRunner::RunAll(Progress& progress) {
  std::string stopped;
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    progress.RowStarted(i, rows_[i].budgetSeconds);
    RowResult& r = results_[i];
    const std::int64_t started = c_.p.clock.MonotonicMs();
    if (!stopped.empty()) {
      r.outcome = Outcome::NotChecked(stopped);
    } else {
      // A row is run when its needs let it make its own observation.
      try {
        r.outcome = RunOne(rows_[i], r.run);
      } catch (const HostNotResponding& e) {
        r.run = true;
        r.outcome = Outcome::NotChecked(e.what());
      } catch (const CancelRequested&) {
        stopped = "the check was stopped by the user before this row";
        r.run = true;
        r.outcome = Outcome::NotChecked("the check was stopped by the user during this row");
      } catch (const AppError& e) {
        r.run = true;
        r.outcome = Outcome::Differs("Apexer would stop with run-time error " + std::to_string(e.Number()) + ": " +
                                     e.what());
      } catch (const std::exception& e) {
        r.run = true;
        r.outcome = Outcome::NotChecked(std::string("the check itself failed: ") + e.what());
      }
    }
    r.seconds = static_cast<double>(c_.p.clock.MonotonicMs() - started) / 1000.0;
    done_.store(i + 1);
    progress.RowDone(i);
  }
}

std::vector<RowResult> CheckRunner::Results(const std::string& why) const {
  const std::size_t done = done_.load();
  std::vector<RowResult> out(results_.begin(), results_.begin() + static_cast<std::ptrdiff_t>(done));
  for (std::size_t i = done; i < rows_.size(); ++i) out.push_back({false, Outcome::NotChecked(why), 0});
  return out;
}

}  // namespace apexer::check
