#!/usr/bin/env python3
"""The benchmark report: the real Apexer.exe against the stand-in host under Wine, measured where it matters.

    report.py [--out DIR] [--peaks N] [--only NAME,...] [--before RESULTS.json | --beside RESULTS.json] [--readme]

Every figure is taken in the real case: the windows Apexer waits for belong to another process, moments come
from the host's side of the journal (stamped where a window is created or destroyed and where a request or a
field's text arrives), baselines are subtracted and measured as long as the figure they correct, medians rest
on at least 30 samples, peak memory comes from wait4. Each figure is printed beside its target; results.json
and report.md land in DIR (default build/bench); --readme rewrites the README's table from them. --beside
puts another build's results in the column where --before puts earlier ones.
"""
from __future__ import annotations

import argparse
import json
import statistics
import sys
import time
from dataclasses import dataclass
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "e2e"))
import harness as h  # noqa: E402

CANCEL_ID = 101
MIN_SAMPLES = 30
README_BEGIN = "<!-- report:begin -->"
README_END = "<!-- report:end -->"

# Events that carry a request from Apexer to the host, and host events that only echo such a request.
REQUESTS = {"command", "command.received", "window.close-request", "dialog.ok"}
ECHOES = {"dialog.field", "command.unknown"}


class ReportError(RuntimeError):
    pass


@dataclass(frozen=True)
class Figure:
    key: str
    label: str
    unit: str
    target: float | None  # an upper bound; None: measured, not judged
    scenario: str


FIGURES = [
    Figure("overhead_per_peak_ms", "Apexer's overhead per peak (host's last event → Apexer's next request)", "ms",
           10, "peaks"),
    Figure("cpu_per_peak_ms", "Apexer's CPU per peak", "ms", 3, "peaks"),
    Figure("waiting_apexer_cpu_percent", "Waiting on a slow host: Apexer's CPU", "% of a core", None, "waiting"),
    Figure("waiting_wineserver_increment_percent", "Waiting on a slow host: wineserver above its idle baseline",
           "% of a core", None, "waiting"),
    Figure("waiting_total_percent", "Waiting on a slow host: both together", "% of a core", 0.5, "waiting"),
    Figure("appear_reaction_ms", "Reaction to a window appearing (dialog shown → first field's text arrives)",
           "ms", 2, "reactions"),
    Figure("appear_from_created_ms", "The same from the dialog's creation (adds the host's own time to show it)",
           "ms", None, "reactions"),
    Figure("gone_reaction_ms", "Reaction to a window going (destroyed → next request arrives)", "ms", 10,
           "reactions"),
    Figure("working_set_0_mb", "Peak working set, a run with no peaks", "MB", None, "peaks"),
    Figure("working_set_peaks_mb", "Peak working set, the long run", "MB", None, "peaks"),
    Figure("working_set_growth_mb", "Working-set growth from no peaks to the long run", "MB", 1, "peaks"),
    Figure("lookup_1000_ms", "One title lookup among 1,000 windows of another process", "ms", None, "lookup"),
    Figure("cancel_to_exit_ms", "Cancel clicked → process gone", "ms", 100, "cancel"),
]
SCENARIOS = ["peaks", "waiting", "reactions", "lookup", "cancel", "calls"]
CALL_KINDS = ["listing", "find", "title", "test", "peek", "block", "request", "host"]


def median(values: list[float]) -> float:
    if len(values) < MIN_SAMPLES:
        raise ReportError(f"{len(values)} samples, fewer than {MIN_SAMPLES}")
    return statistics.median(values)


def apexer_share_ms(events: list[dict]) -> float:
    """Time the ball was in Apexer's court: from the host's last own event to Apexer's next request."""
    calls = [e["tq"] for e in events if e.get("src") != "host"]
    if not calls:
        raise ReportError("no library calls in the journal")
    first, last = min(calls), max(calls)
    total = 0.0
    since = None  # when the host last finished something, or the last request if it has not since
    for e in events:
        if e.get("src") != "host" or not first <= e["tq"] <= last:
            continue
        if e["ev"] in REQUESTS:
            if since is not None:
                total += e["tq"] - since
            since = e["tq"]
        elif e["ev"] not in ECHOES:
            since = e["tq"]
    return total


def reactions(events: list[dict]) -> dict[str, list[float]]:
    """Host-side intervals: a window Apexer waits for is created, shown or destroyed → Apexer's next act
    arrives. A text sent before the host could take it arrives the moment the host is ready, so "shown" is
    where Apexer's own delay starts; "created" adds the host's own time to show the dialog."""
    out: dict[str, list[float]] = {"dialog_created": [], "dialog_shown": [], "combine_gone": [], "printing_gone": []}
    for i, e in enumerate(events):
        later = events[i + 1:]
        if e["ev"] in ("window.created", "window.opened") and e.get("title") == "Combine Spectrum":
            nxt = next((x for x in later if x["ev"] == "dialog.field"), None)
            if nxt:
                kind = "dialog_created" if e["ev"] == "window.created" else "dialog_shown"
                out[kind].append(max(0.0, nxt["tq"] - e["tq"]))
        elif e["ev"] == "window.closed" and e.get("title") in ("Spectrum Combine", "Printing..."):
            nxt = next((x for x in later if x.get("src") == "host" and x["ev"] in REQUESTS), None)
            if nxt:
                out["combine_gone" if e["title"] == "Spectrum Combine" else "printing_gone"].append(nxt["tq"] - e["tq"])
    return out


class Report:
    def __init__(self, env: h.WineEnv, out: Path, sample: Path, peaks: int):
        self.env = env
        self.out = out
        self.sample = sample
        self.peaks = peaks
        self.values: dict[str, float] = {}
        self.details: dict[str, dict] = {}

    def session(self, name: str, exe: Path | None = None) -> h.Session:
        return h.apexer_session(self.env, name, self.sample, self.out / "runs", exe=exe)

    def run_peaks(self, name: str, peaks: int, timeout: float) -> tuple[h.Session, h.ApexerResult]:
        with self.session(name) as s:
            s.write_host_ini(faults={"IntegratorPeaks": peaks})
            s.start_host()
            result = s.run_apexer(timeout=timeout)
        if result.exit_code != 0 or len(s.events("combine")) != peaks:
            raise ReportError(f"the {peaks}-peak run ended with {result.exit_code} after "
                              f"{len(s.events('combine'))} combines")
        return s, result

    def scenario_peaks(self) -> None:
        _, empty = self.run_peaks("peaks-0", 0, 120)
        s, full = self.run_peaks(f"peaks-{self.peaks}", self.peaks, 60 + 0.5 * self.peaks)
        share = apexer_share_ms(s.journal())
        self.values["overhead_per_peak_ms"] = share / self.peaks
        self.values["cpu_per_peak_ms"] = 1000 * full.cpu_s / self.peaks
        self.values["working_set_0_mb"] = empty.max_rss_kb / 1024
        self.values["working_set_peaks_mb"] = full.max_rss_kb / 1024
        self.values["working_set_growth_mb"] = (full.max_rss_kb - empty.max_rss_kb) / 1024
        self.details["peaks"] = {"peaks": self.peaks, "wall_s": round(full.wall_s, 2),
                                 "apexer_cpu_s": round(full.cpu_s, 3), "wall_per_peak_ms": 1000 * full.wall_s / self.peaks,
                                 "max_rss_kb": {"0": empty.max_rss_kb, str(self.peaks): full.max_rss_kb}}

    def scenario_waiting(self, seconds: float = 30.0) -> None:
        """Apexer waits on a "Spectrum Combine" window of the host; the host's idle cost is measured first,
        as long as the measurement it corrects."""
        server = self.env.wineserver_pid()
        if server is None:
            raise ReportError("no wineserver of this prefix")
        samples = {}

        def cpu_over(*pids: int) -> list[float]:
            before = [h.process_cpu_seconds(p) for p in pids]
            t0 = time.monotonic()
            time.sleep(seconds)
            elapsed = time.monotonic() - t0
            after = [h.process_cpu_seconds(p) for p in pids]
            if None in before or None in after:
                raise ReportError("a measured process ended during the measurement")
            return [100 * (a - b) / elapsed for a, b in zip(after, before)]

        def measure(session: h.Session, proc) -> None:
            session.wait_journal(lambda e: e["ev"] == "dialog.ok", 60, "the first OK")
            time.sleep(0.5)
            samples["apexer"], samples["server"] = cpu_over(proc.pid, server)
            if session.events("combine"):
                raise ReportError("the combine ended before the measurement did")

        with self.session("waiting") as s:
            s.write_host_ini(faults={"IntegratorPeaks": 1}, delays={"Combine": int(1000 * (seconds + 5))})
            s.start_host()
            (samples["idle"],) = cpu_over(server)
            result = s.run_apexer(timeout=seconds + 60, during=measure)
        if result.exit_code != 0:
            raise ReportError(f"the waiting run ended with {result.exit_code}")
        increment = samples["server"] - samples["idle"]
        self.values["waiting_apexer_cpu_percent"] = samples["apexer"]
        self.values["waiting_wineserver_increment_percent"] = increment
        self.values["waiting_total_percent"] = samples["apexer"] + increment
        self.details["waiting"] = {"seconds": seconds, "wineserver_percent": samples["server"],
                                   "wineserver_idle_percent": samples["idle"]}

    def scenario_reactions(self, batches: int = MIN_SAMPLES) -> None:
        peaks = 6 * batches  # one "Printing..." per six peaks
        with self.session("reactions") as s:
            # The dialog comes a little after the command, so that Apexer is already waiting for it.
            s.write_host_ini(faults={"IntegratorPeaks": peaks}, delays={"Dialog": 30, "Combine": 40})
            s.start_host()
            result = s.run_apexer(timeout=60 + peaks)
        if result.exit_code != 0:
            raise ReportError(f"the reactions run ended with {result.exit_code}")
        r = reactions(s.journal())
        gone = r["combine_gone"] + r["printing_gone"]
        self.values["appear_reaction_ms"] = median(r["dialog_shown"])
        self.values["appear_from_created_ms"] = median(r["dialog_created"])
        self.values["gone_reaction_ms"] = median(gone)
        median(r["printing_gone"])  # enough of each kind
        self.details["reactions"] = {
            k: {"samples": len(v), "median_ms": round(statistics.median(v), 3),
                "p90_ms": round(sorted(v)[int(0.9 * (len(v) - 1))], 3)} for k, v in r.items() if v}

    def scenario_lookup(self) -> None:
        bench = h.WIN_BUILD / "bench" / "win32_lookup_bench.exe"
        out = self.env.run([str(bench), "1000", str(MIN_SAMPLES)], timeout=600)
        if out.returncode != 0:
            raise ReportError(f"lookup bench failed: {out.stdout}{out.stderr}")
        fields = dict(part.split("=", 1) for part in out.stdout.split())
        if fields.get("owner") != "other-process" or int(fields["windows"]) < 1000:
            raise ReportError(f"the lookup did not run among 1,000 windows of another process: {out.stdout}")
        self.values["lookup_1000_ms"] = float(fields["median_ms"])
        self.details["lookup"] = fields

    def scenario_calls(self, peaks: int = 300) -> None:
        """Where a peak's cost goes: the measuring build counts its calls by kind, and by the request each
        stretch of waiting follows."""
        exe = h.WIN_BUILD / "src" / "Apexer_counting.exe"
        with self.session("calls", exe=exe) as s:
            s.write_host_ini(faults={"IntegratorPeaks": peaks})
            s.start_host()
            result = s.run_apexer(timeout=60 + peaks)
        counts_file = s.app_dir / "Apexer.calls.json"
        if result.exit_code != 0 or not counts_file.exists():
            raise ReportError(f"the counting run ended with {result.exit_code} and left no counts")
        counts = json.loads(counts_file.read_text())
        keys = CALL_KINDS + [k + "_ms" for k in CALL_KINDS]
        per_peak = {k: counts["total"][k] / peaks for k in keys}
        per_wait = {what: {"times": seg["times"], **{k: seg[k] / seg["times"] for k in keys}}
                    for what, seg in counts["after"].items() if seg["times"]}
        self.details["calls"] = {"peaks": peaks, "per_peak": per_peak, "after_request": per_wait,
                                 "cpu_per_peak_ms": 1000 * result.cpu_s / peaks}

    def scenario_cancel(self, samples: int = MIN_SAMPLES) -> None:
        times = []
        for n in range(samples):
            timed = {}

            def click(session: h.Session, proc) -> None:
                session.wait_journal(lambda e: e["ev"] == "dialog.ok", 60, "the first OK")
                status = session.find_window("Apexer", 10000)
                if status is None:
                    raise ReportError("no status window")
                line = session.env.driver("click-timed", status, str(CANCEL_ID), "10000")
                timed.update(part.split("=", 1) for part in line.split())

            with self.session(f"cancel-{n + 1:02d}") as s:
                s.write_host_ini(faults={"IntegratorPeaks": 2}, delays={"Combine": 20000})
                s.start_host()
                result = s.run_apexer(timeout=60, during=click)
            if result.exit_code != 2 or timed.get("exit_code") != "2":
                raise ReportError(f"Cancel ended the run with {result.exit_code} ({timed})")
            times.append(float(timed["click_to_exit_ms"]))
        self.values["cancel_to_exit_ms"] = median(times)
        self.details["cancel"] = {"samples": len(times), "all_ms": sorted(round(t, 1) for t in times)}


def fmt(value: float | None) -> str:
    if value is None:
        return "—"
    if value == int(value):
        return str(int(value))
    return f"{value:.3g}" if abs(value) < 10 else f"{value:.1f}"


def table(values: dict[str, float], before: dict[str, float] | None, before_label: str = "Before") -> list[str]:
    head = "| Figure | " + (f"{before_label} | " if before is not None else "") + "Measured | Target | |"
    rows = [head, "|---|" + ("---|" if before is not None else "") + "---|---|---|"]
    for f in FIGURES:
        if f.key not in values:
            continue
        v = values[f.key]
        target = "—" if f.target is None else f"≤ {fmt(f.target)} {f.unit}"
        verdict = "" if f.target is None else ("met" if v <= f.target else "**not met**")
        was = f"{fmt(before.get(f.key))} {f.unit} | " if before is not None else ""
        rows.append(f"| {f.label} | {was}{fmt(v)} {f.unit} | {target} | {verdict} |")
    return rows


def call_table(calls: dict | None) -> list[str]:
    """Calls per peak by kind, and per stretch of waiting after each kind of request."""
    if not calls:
        return []
    def cells(counts: dict) -> str:
        return " | ".join(f"{fmt(round(counts.get(k, 0), 2))} ({fmt(round(counts.get(k + '_ms', 0), 2))})"
                          for k in CALL_KINDS + ["all"])

    def with_all(counts: dict) -> dict:
        return {**counts, "all": sum(counts.get(k, 0) for k in CALL_KINDS),
                "all_ms": sum(counts.get(k + "_ms", 0) for k in CALL_KINDS)}

    head = "| Calls (ms inside them) | " + " | ".join(CALL_KINDS + ["all"]) + " |"
    rows = ["", f"Calls per peak by kind, with the milliseconds spent inside them ({calls['peaks']} peaks, the "
                f"measuring build; its CPU per peak {fmt(round(calls['cpu_per_peak_ms'], 2))} ms), and per stretch "
                "of work and waiting after each kind of request:", "", head, "|---|" + "---|" * (len(CALL_KINDS) + 1)]
    rows.append(f"| per peak | {cells(with_all(calls['per_peak']))} |")
    for what, seg in sorted(calls["after_request"].items(), key=lambda kv: -kv[1]["times"]):
        rows.append(f"| after `{what}` (×{seg['times']}) | {cells(with_all(seg))} |")
    return rows


def update_readme(rows: list[str], arch: h.WineArch) -> None:
    readme = h.ROOT / "README.md"
    text = readme.read_text()
    if README_BEGIN not in text or README_END not in text:
        raise ReportError("README.md has no report markers")
    head, rest = text.split(README_BEGIN, 1)
    _, tail = rest.split(README_END, 1)
    stamp = f"_From `./scripts/bench` on {time.strftime('%Y-%m-%d')}, {arch.how}._"
    readme.write_text(head + README_BEGIN + "\n" + stamp + "\n\n" + "\n".join(rows) + "\n" + README_END + tail)


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--out", type=Path, default=h.ROOT / "build" / "bench")
    parser.add_argument("--peaks", type=int, default=5000)
    parser.add_argument("--only", default="")
    parser.add_argument("--before", type=Path, default=None)
    parser.add_argument("--beside", type=Path, default=None)
    parser.add_argument("--readme", action="store_true")
    args = parser.parse_args()
    wanted = [n for n in args.only.split(",") if n] or SCENARIOS
    unknown = set(wanted) - set(SCENARIOS)
    if unknown:
        print(f"report: unknown scenario(s): {', '.join(sorted(unknown))}", file=sys.stderr)
        return 2
    before, before_label = None, "Before"
    if args.before or args.beside:
        other = json.loads((args.before or args.beside).read_text())
        before = other["values"]
        if args.beside:
            before_label = f"{other.get('arch', 'other')} build"

    print(h.ARCH.announce("report"), flush=True)
    args.out.mkdir(parents=True, exist_ok=True)
    failures: dict[str, str] = {}
    started = time.monotonic()
    try:
        with h.wine_display(h.ROOT / "build" / "wine" / "bench-prefix") as env:
            report = Report(env, args.out, h.make_sample(args.out / "samples" / "bench.ivs", seed=11), args.peaks)
            for name in wanted:
                t0 = time.monotonic()
                try:
                    getattr(report, "scenario_" + name)()
                    print(f"  {name}: {time.monotonic() - t0:.0f} s", flush=True)
                except (ReportError, h.HarnessError) as e:
                    failures[name] = str(e)
                    print(f"  {name}: FAILED: {e}", flush=True)
    except h.HarnessError as e:
        print(f"report: {e}", file=sys.stderr)
        return 1

    rows = table(report.values, before, before_label) + call_table(report.details.get("calls"))
    results = {"path": h.ARCH.path, "arch": h.ARCH.arch, "wine": f"{h.ARCH.bits}-bit", "how": h.ARCH.how, "why": h.ARCH.why,
               "date": time.strftime("%Y-%m-%d %H:%M"), "seconds": round(time.monotonic() - started),
               "values": report.values, "targets": {f.key: f.target for f in FIGURES}, "details": report.details,
               "failures": failures}
    (args.out / "results.json").write_text(json.dumps(results, indent=2))
    (args.out / "report.md").write_text("\n".join(rows) + "\n")
    print("\n".join(rows))
    print(f"results in {args.out / 'results.json'}")
    if args.readme and not failures:
        update_readme(rows, h.ARCH)
        print("README.md table updated")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
