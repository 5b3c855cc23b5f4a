#!/usr/bin/env python3
"""The end-to-end scenario suite: the real Apexer.exe against the stand-in host, under Wine and Xvfb.

Each scenario asserts on the host's journal, the printed pages and both settings files. Measurements go to
results.json (and a readable summary) in the output folder.

    suite.py [--out DIR] [--only NAME[,NAME...]] [--list]
"""
from __future__ import annotations

import argparse
import json
import math
import re
import subprocess
import sys
import time
import traceback
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import harness as h  # noqa: E402
import run_record  # noqa: E402

ERROR_TEXT = "Unable to find Combine Spectrum dialogue box"
FIELD_ERROR_TEXT = "Unable to find field 310 of the Combine Spectrum dialogue box"
REPLACE_ERROR_TEXT = r"Unable to set Replace in section SpeDisplay of C:\Ionvane\Ionvane.ini to FALSE"
CANCEL_ID = 101
ABOUT_OK_ID = 1


class Failed(AssertionError):
    pass


def check(condition: bool, message: str) -> None:
    if not condition:
        raise Failed(message)


def equal(actual, expected, what: str) -> None:
    if actual != expected:
        raise Failed(f"{what}: expected {expected!r}, got {actual!r}")


# --- reading a run ----------------------------------------------------------------------------------

def rhythm(session: h.Session) -> str:
    """'c' per combined spectrum and 'P<n>' per print of n spectra, in the host's order."""
    out = []
    for e in session.events("combine", "print"):
        out.append("c" if e["ev"] == "combine" else f"P{e['spectra']}")
    return "".join(out)


def expected_rhythm(peaks: int) -> str:
    out = []
    for i in range(1, peaks + 1):
        out.append("c")
        if i % 6 == 0 or i == peaks:
            out.append(f"P{(i - 1) % 6 + 1}")
    return "".join(out)


def placement(session: h.Session) -> list[int] | None:
    value = session.apexer_settings().get("combine", {}).get("combiner")
    return None if value is None else [int(v) for v in value.split(",")]


def replace_value(session: h.Session) -> str | None:
    return session.host_settings().get("spedisplay", {}).get("replace")


def check_pages(session: h.Session, count: int) -> None:
    pdfs = session.pages_printed()
    equal(len(pdfs), count, "printed pages")
    for pdf in pdfs:
        check(pdf.stat().st_size > 500, f"{pdf.name} is too small to be a page")
        check(pdf.with_suffix(".png").exists(), f"{pdf.name} has no PNG preview")
        info = subprocess.run(["pdfinfo", str(pdf)], capture_output=True, text=True, timeout=30)
        check(info.returncode == 0 and re.search(r"^Pages:\s+1$", info.stdout, re.M) is not None,
              f"{pdf.name} is not a one-page PDF")


def check_run_completed(session: h.Session, result: h.ApexerResult, peaks: int, replace_before: str | None) -> None:
    equal(result.exit_code, 0, "exit code")
    equal(rhythm(session), expected_rhythm(peaks), "combines and prints")
    combines = session.events("combine")
    check(all(e["replaceSetting"] == "FALSE" for e in combines), "the host saw Replace other than FALSE mid-run")
    check(all(e["mode"] == "add" for e in combines), "a combine replaced the display")
    check_pages(session, math.ceil(peaks / 6))
    equal(replace_value(session), "" if replace_before is None else replace_before, "Replace after the run")
    check(placement(session) is not None, "the placement was not stored")
    equal(len(session.events("dll.DmRawClose")), 2, "raw data closes (integration, end of run)")
    check_result_shown(session, peaks)
    check_ends_as_usual(session)


def check_ends_as_usual(session: h.Session) -> None:
    """The peak list that came back with the chromatogram is closed after the last combine."""
    events = session.journal()
    last_combine = max((i for i, e in enumerate(events) if e["ev"] == "combine"), default=-1)
    closes = [i for i, e in enumerate(events) if e["ev"] == "window.close-request" and e.get("role") == "peaklist"]
    check(last_combine < 0 or any(i > last_combine for i in closes), "the peak list was not closed at the end")


def read_error_report(report: dict):
    """A `during` callback that reads the error box and photographs it."""
    def read(session: h.Session, proc) -> None:
        report["text"] = session.env.driver("message-box", "Apexer", "30000", timeout=60)
        session.env.screenshot(session.shots / "error-report.png")
    return read


def apex_range(apex: float, scans: int) -> str | None:
    """The scans the client must combine for a peak: its apex scan, rounded half to even, and both
    neighbours, clipped to the sample; None when the apex lies outside the sample."""
    scan = round(apex)  # Python rounds halves to even, as the client must
    if scan < 1 or scan > scans:
        return None
    return f"{max(1, scan - 1)}:{min(scans, scan + 1)}"


def check_ranges(session: h.Session) -> int:
    """Every OK the host saw carries the range of the matching peak's apex, read from the integrator's own
    record, and the fixed texts; the host then combined exactly that range. Returns the peaks checked."""
    integrations = [e for e in session.events("dll.IntegrateChromatogramRange") if e.get("result") == 1]
    oks = session.events("dialog.ok")
    if not integrations:
        equal(oks, [], "dialogs confirmed without an integration")
        return 0
    apexes, scans = integrations[-1]["apexScans"], integrations[-1]["last"]
    check(len(oks) <= len(apexes), f"{len(oks)} dialogs confirmed for {len(apexes)} peaks")
    for i, ok in enumerate(oks):
        want = apex_range(apexes[i], scans)
        check(want is not None, f"peak {i + 1}: apex {apexes[i]} lies outside the sample, yet it was combined")
        equal([ok["308"], ok["310"], ok["369"], ok["176"]], [want, "", "1", "1"],
              f"peak {i + 1} (apex {apexes[i]}): fields 308, 310, 369, 176")
    combined = [e["ranges"] for e in session.events("combine")]
    equal(combined, [ok["308"] for ok in oks][:len(combined)], "ranges the host combined")
    return len(oks)


def check_result_shown(session: h.Session, result: int) -> None:
    """The status window showed the run's result as the program ended (read there by the host's bridge)."""
    exits = session.events("client.exit")
    check(len(exits) == 1, f"{len(exits)} client.exit events")
    texts = [w[1:] for w in exits[0]["windows"] if w and w[0] == "Apexer"]
    check(len(texts) == 1 and str(result) in texts[0], f"the status window ended showing {texts}, not {result}")


# Events that carry a request from the client to the host, and host events that only echo such a request.
REQUESTS = {"command", "command.received", "window.close-request", "dialog.ok"}
ECHOES = {"dialog.field", "command.unknown"}


# --- scenarios ---------------------------------------------------------------------------------------

class Suite:
    def __init__(self, env: h.WineEnv, out: Path, sample: Path):
        self.env = env
        self.out = out
        self.sample = sample
        self.results: dict[str, dict] = {}
        self.sessions: list[h.Session] = []

    def session(self, name: str, sample: Path | None = None) -> h.Session:
        s = h.Session(self.env, name, sample or self.sample, self.out)
        s.install_apexer()
        s.write_apexer_ini()
        self.sessions.append(s)
        return s

    def check_every_range(self) -> int:
        """Run after every scenario, so that none can leave out the check of what was combined."""
        checked = sum(check_ranges(s) for s in self.sessions)
        for s in self.sessions:
            run_record.check_record(s)
        self.sessions.clear()
        return checked

    def peaks_run(self, name: str, peaks: int, replace: str | None = "TRUE", timeout: float = 300) -> dict:
        s = self.session(name)
        try:
            s.write_host_ini(replace=replace, faults={"IntegratorPeaks": peaks})
            s.start_host()
            result = s.run_apexer(timeout=timeout)
            check_run_completed(s, result, peaks, replace)
            return {"peaks": peaks, "wall_s": round(result.wall_s, 2), "pages": len(s.pages_printed())}
        finally:
            s.close()

    def test_batches(self) -> dict:
        return {str(n): self.peaks_run(f"peaks-{n}", n) for n in (1, 6, 7, 12, 13)}

    def test_replace_absent(self) -> dict:
        measured = self.peaks_run("replace-absent", 2, replace=None)
        host_ini = h.read_ini(self.env.drive_c / "Ionvane" / "Ionvane.ini")
        check("replace" in host_ini.get("spedisplay", {}), "Replace is not present after the run")
        return measured

    def test_no_sample(self) -> dict:
        s = self.session("no-sample")
        try:
            s.write_host_ini(faults={"IntegratorPeaks": 5})
            before = s.host_ini.read_bytes()
            s.host_log = open(s.dir / "host.log", "w")
            s.host = self.env.popen([str(h.HOST_EXE)], stdout=s.host_log,
                                    stderr=subprocess.STDOUT)
            s.wait_journal(lambda e: e["ev"] == "window.opened" and e.get("role") == "main", 30, "the host")
            result = s.run_apexer(timeout=60)
            equal(result.exit_code, 0, "exit code")
            equal([e["result"] for e in s.events("dll.GetSampleListFileVB")], [0], "GetSampleListFileVB")
            equal(s.events("dll.DmRawScansInFunction", "dll.IntegrateChromatogramRange", "window.close-request",
                           "dll.DmRawClose"), [], "host calls after no sample")
            equal(s.host_ini.read_bytes(), before, "the host's settings file")
            check(placement(s) is not None, "the placement was not stored")
            return {"wall_s": round(result.wall_s, 2)}
        finally:
            s.close()

    def test_no_peaks(self) -> dict:
        s = self.session("no-peaks")
        try:
            s.write_host_ini(faults={"IntegratorPeaks": 0})
            s.start_host()
            before = s.host_ini.read_bytes()
            result = s.run_apexer(timeout=60)
            equal(result.exit_code, 0, "exit code")
            equal(rhythm(s), "", "combines and prints")
            equal(s.events("window.close-request"), [], "host windows closed")
            equal(s.host_ini.read_bytes(), before, "the host's settings file")
            equal(len(s.events("dll.DmRawClose")), 2, "raw data closes")
            check(placement(s) is not None, "the placement was not stored")
            return {"wall_s": round(result.wall_s, 2)}
        finally:
            s.close()

    def test_apex_outside_at_fourth(self) -> dict:
        s = self.session("apex-outside")
        try:
            s.write_host_ini(faults={"IntegratorPeaks": 8, "ApexOutsideAtPeak": 4})
            s.start_host()
            result = s.run_apexer(timeout=60)
            equal(result.exit_code, 0, "exit code")
            equal(rhythm(s), "ccc", "combines and prints")
            equal(len(s.pages_printed()), 0, "printed pages")
            check(not any(e.get("role") == "spectrum" for e in s.events("window.close-request")),
                  "the spectrum window with the unfinished batch was closed")
            equal(replace_value(s), "TRUE", "Replace after the run")
            equal(len(s.events("dll.DmRawClose")), 2, "raw data closes")
            check(placement(s) is not None, "the placement was not stored")
            check_result_shown(s, 3)
            return {"wall_s": round(result.wall_s, 2)}
        finally:
            s.close()

    def error_run(self, name: str, faults: dict, text: str, hold_host_ini: bool = False, more=None) -> dict:
        """A run that ends in the program's error 32767 reading `text`: the error box is read, the host's
        "Replace" and raw file are put back, nothing is stored; `more(session)` checks the rest."""
        s = self.session(name)
        report = {}
        holder = None
        try:
            s.write_host_ini(faults=faults)
            s.start_host()
            if hold_host_ini:
                holder = self.env.popen([str(h.DRIVER_EXE), "hold-file", r"C:\Ionvane\Ionvane.ini", "60000"],
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
                equal(holder.stdout.readline().strip(), "held", "the host's settings file held open")
            result = s.run_apexer(timeout=90, during=read_error_report(report))
            check("32767" in report.get("text", "") and text in report["text"],
                  f"the error report reads {report.get('text')!r}")
            equal(result.exit_code, 1, "exit code")
            equal(replace_value(s), "TRUE", "Replace after the error")
            equal(len(s.events("dll.DmRawClose")), 2, "raw data closes (integration, after the error)")
            equal(placement(s), None, "stored placement")
            equal(run_record.ending(s), f"error 32767: {text}", "the run record's ending")
            if more is not None:
                more(s)
            return {"report": report["text"], "wall_s": round(result.wall_s, 2)}
        finally:
            if holder is not None and holder.poll() is None:
                holder.kill()
                holder.wait(timeout=10)
            s.close()

    def test_dialog_never_opens(self) -> dict:
        return self.error_run("dialog-never-opens", {"IntegratorPeaks": 3, "DialogNeverOpens": 1}, ERROR_TEXT)

    def test_dialog_field_missing(self) -> dict:
        """A field that never appears: the dialog is closed unconfirmed and the error names the field."""
        def closed_unconfirmed(s: h.Session) -> None:
            equal(s.events("dialog.ok", "combine"), [], "OK or a combine on the half-filled dialog")
            check(any(e.get("role") == "dialog" for e in s.events("window.close-request")),
                  "the dialog was not asked to close")
            check(any(e.get("role") == "dialog" for e in s.events("window.closed")), "the dialog stayed open")

        return self.error_run("dialog-field-missing", {"IntegratorPeaks": 3, "DialogMissingField": 310},
                              FIELD_ERROR_TEXT, more=closed_unconfirmed)

    def test_replace_not_writable(self) -> dict:
        """The host's settings file cannot be written: nothing is combined and the error names the file."""
        def nothing_done(s: h.Session) -> None:
            equal(s.events("dialog.ok", "combine", "command"), [], "host work after Replace failed")

        return self.error_run("replace-not-writable", {"IntegratorPeaks": 3}, REPLACE_ERROR_TEXT,
                              hold_host_ini=True, more=nothing_done)

    def test_chromatogram_never_opens(self) -> dict:
        """No chromatogram window: the first scan is refused and the run stops there, ending as usual."""
        s = self.session("chromatogram-never-opens")
        try:
            s.write_host_ini(faults={"IntegratorPeaks": 5, "ChromatogramNeverOpens": 1})
            s.start_host()
            result = s.run_apexer(timeout=90)
            equal(result.exit_code, 0, "exit code")
            equal(len(s.events("fault.chromatogram-never-opens")), 1, "launch commands (one, then the run stops)")
            equal(rhythm(s), "", "combines and prints")
            equal(replace_value(s), "TRUE", "Replace after the run")
            equal(len(s.events("dll.DmRawClose")), 2, "raw data closes")
            check(placement(s) is not None, "the placement was not stored")
            check_result_shown(s, 0)
            return {"wall_s": round(result.wall_s, 2)}
        finally:
            s.close()

    def test_cancel_while_host_is_slow(self) -> dict:
        s = self.session("cancel")

        def click_cancel(session: h.Session, proc) -> None:
            session.wait_journal(lambda e: e["ev"] == "dialog.ok", 60, "the first OK")
            status = session.find_window("Apexer", 10000)
            check(status is not None, "no status window")
            session.env.driver("click", status, str(CANCEL_ID))
            session.reap(proc, 20)

        try:
            s.write_host_ini(faults={"IntegratorPeaks": 4}, delays={"Combine": 20000})
            s.start_host()
            result = s.run_apexer(timeout=60, during=click_cancel)
            equal(result.exit_code, 2, "exit code after Cancel")
            equal(run_record.ending(s), "cancelled by the user", "the run record's ending")
            equal(replace_value(s), "TRUE", "Replace after Cancel")
            equal(placement(s), None, "stored placement")
            equal(len(s.events("combine")), 0, "combines finished before Cancel")
            equal(len(s.events("dll.DmRawClose")), 2, "raw data closes (integration, on Cancel)")
            return {"wall_s": round(result.wall_s, 2)}
        finally:
            s.close()

    def test_host_exits_mid_run(self) -> dict:
        s = self.session("host-exits")
        try:
            s.write_host_ini(faults={"IntegratorPeaks": 9, "ExitAfterCombines": 3})
            s.start_host()
            result = s.run_apexer(timeout=120)
            equal(len(s.events("combine")), 3, "combines before the host left")
            equal(s.host.wait(timeout=10), 3, "host exit code")
            equal(result.exit_code, 0, "exit code")
            # The next scan is refused: nothing of the unfinished batch is printed, the run ends as usual.
            equal(len(s.pages_printed()), 0, "printed pages")
            equal(replace_value(s), "TRUE", "Replace after the run")
            equal(len(s.events("dll.DmRawClose")), 2, "raw data closes (integration, after the host left)")
            check(placement(s) is not None, "the placement was not stored")
            check_result_shown(s, 3)  # the index of the refused peak, not the peak count
            return {"wall_s": round(result.wall_s, 2)}
        finally:
            s.close()

    def test_apex_edges(self) -> dict:
        """Apexes on the first scan, on halves (to even), on and next to the last scan."""
        apexes = "1, 2.5, 3.5, 450.5, 899.5, 900"
        s = self.session("apex-edges")
        try:
            s.write_host_ini(faults={"IntegratorApexes": apexes})
            s.start_host()
            result = s.run_apexer(timeout=120)
            check_run_completed(s, result, 6, "TRUE")
            ranges = [e["308"] for e in s.events("dialog.ok")]
            equal(ranges, ["1:2", "1:3", "3:5", "449:451", "899:900", "899:900"], "ranges for the edge apexes")
            return {"apexes": apexes, "ranges": ranges}
        finally:
            s.close()

    def test_many_peaks(self) -> dict:
        return self.peaks_run("peaks-294", 294)

    def test_placement_reused(self) -> dict:
        rects = []

        def look(session: h.Session, proc) -> None:
            status = session.find_window("Apexer", 20000)
            check(status is not None, "no status window")
            # Placed, shown, then made top-most: the last of the three is the one to wait for.
            info = h.sample_until(lambda: session.env.driver("info", status), lambda i: "topmost=1" in i.split())
            rects.append(info)
            check("topmost=1" in info.split(), f"the status window is not top-most: {info}")

        for run in (1, 2):
            s = self.session(f"placement-{run}")
            try:
                if run == 1:
                    s.write_apexer_ini(placement="240,180,0,0")
                else:
                    s.apexer_ini.write_bytes(first_ini)
                s.write_host_ini(faults={"IntegratorPeaks": 2}, delays={"Combine": 1500})
                s.start_host()
                result = s.run_apexer(timeout=60, during=look)
                equal(result.exit_code, 0, "exit code")
                stored = placement(s)
                check(stored is not None and stored[:2] == [240, 180], f"stored placement {stored}")
                first_ini = s.apexer_ini.read_bytes()
            finally:
                s.close()
        check(all("rect=240,180," in r for r in rects), f"the window did not open at 240,180: {rects}")
        return {"windows": rects, "stored": first_ini.decode(errors="replace").strip()}

    def test_placement_off_screen(self) -> dict:
        """A stored place beyond every monitor (one since removed): the window comes onto the screen."""
        seen = {}

        def look(session: h.Session, proc) -> None:
            status = session.find_window("Apexer", 20000)
            check(status is not None, "no status window")
            seen["info"] = h.sample_until(lambda: session.env.driver("info", status),
                                          lambda i: "topmost=1" in i.split())

        s = self.session("placement-off-screen")
        try:
            s.write_apexer_ini(placement="3000,2500,0,0")
            s.write_host_ini(faults={"IntegratorPeaks": 1}, delays={"Combine": 1500})
            s.start_host()
            result = s.run_apexer(timeout=60, during=look)
            equal(result.exit_code, 0, "exit code")
            left, top, width, height = (int(v) for v in seen["info"].split("rect=")[1].split()[0].split(","))
            check(0 <= left and left + width <= 1280 and 0 <= top and top + height <= 1024,
                  f"the window is not on the 1280 x 1024 screen: {seen['info']}")
            equal(placement(s), [left, top, width, height], "stored placement (where the window stood)")
            return {"window": [left, top, width, height]}
        finally:
            s.close()

    def test_about_during_run(self) -> dict:
        s = self.session("about")
        seen = {}

        def open_about(session: h.Session, proc) -> None:
            session.wait_journal(lambda e: e["ev"] == "dialog.ok", 60, "the first OK")
            status = session.find_window("Apexer", 10000)
            session.env.driver("click-menu", status)
            about = session.find_window("About Apexer", 10000)
            check(about is not None, "the About box did not open")
            opened = h.host_clock_ms()  # open at the latest from here: the driver has just found it
            seen["controls"] = session.env.driver("controls", about)
            seen["info"] = h.sample_until(lambda: session.env.driver("info", about), lambda i: "topmost=1" in i.split())
            session.env.screenshot(session.shots / "about.png")
            time.sleep(2.0)  # the run stays suspended while the box is shown
            seen["open_ms"] = (opened, h.host_clock_ms())
            session.env.driver("click", about, str(ABOUT_OK_ID))

        try:
            s.write_host_ini(faults={"IntegratorPeaks": 3}, delays={"Combine": 800})
            s.start_host()
            result = s.run_apexer(timeout=120, during=open_about)
            check_run_completed(s, result, 3, "TRUE")
            controls = seen["controls"]
            for text in ("V3.3.0", "Apexer", "Copyright"):
                check(text in controls, f"About box lacks {text!r}: {controls}")
            check("topmost=1" in seen["info"], f"About box not top-most: {seen['info']}")
            opened, closing = seen["open_ms"]
            asked = [e["ev"] for e in s.journal() if e["ev"] in REQUESTS | ECHOES and opened <= e["tq"] <= closing]
            equal(asked, [], f"requests to the host during the {closing - opened:.0f} ms the About box was open")
            return {"controls": controls.splitlines(), "box_open_ms": round(closing - opened)}
        finally:
            s.close()



ORDER = ["batches", "replace_absent", "no_sample", "no_peaks", "apex_outside_at_fourth", "apex_edges",
         "dialog_never_opens", "dialog_field_missing", "replace_not_writable", "chromatogram_never_opens",
         "cancel_while_host_is_slow", "host_exits_mid_run", "placement_reused", "placement_off_screen",
         "about_during_run", "many_peaks"]


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--out", type=Path, default=h.ROOT / "build" / "e2e")
    parser.add_argument("--only", default="")
    parser.add_argument("--list", action="store_true")
    args = parser.parse_args()
    if args.list:
        print("\n".join(ORDER))
        return 0
    wanted = [n for n in args.only.split(",") if n] or ORDER
    unknown = set(wanted) - set(ORDER)
    if unknown:
        print(f"unknown scenario(s): {', '.join(sorted(unknown))}", file=sys.stderr)
        return 2

    args.out.mkdir(parents=True, exist_ok=True)
    print(h.ARCH.announce("e2e"), flush=True)
    env = h.WineEnv(h.ROOT / "build" / "wine" / "e2e-prefix")
    started = time.monotonic()
    try:
        env.start()
    except h.HarnessError as e:
        env.stop()
        print(f"e2e: {e}", file=sys.stderr)
        return 1
    failures = 0
    suite = None
    try:
        sample = h.make_sample(args.out / "samples" / "suite.ivs", seed=11)
        suite = Suite(env, args.out, sample)
        for name in wanted:
            t0 = time.monotonic()
            try:
                measured = getattr(suite, "test_" + name)()
                measured["peaks_range_checked"] = suite.check_every_range()
                suite.results[name] = {"passed": True, "seconds": round(time.monotonic() - t0, 1), **measured}
                print(f"ok   {name} ({time.monotonic() - t0:.1f} s)", flush=True)
            except Exception as e:  # noqa: BLE001 - every failure is reported, then the next scenario runs
                failures += 1
                suite.sessions.clear()
                suite.results[name] = {"passed": False, "error": f"{type(e).__name__}: {e}"}
                print(f"FAIL {name}: {type(e).__name__}: {e}", flush=True)
                if not isinstance(e, Failed):
                    traceback.print_exc()
    finally:
        env.stop()
    total = time.monotonic() - started
    results = {"path": h.ARCH.path, "arch": h.ARCH.arch, "host_arch": h.ARCH.host_arch, "wine": f"{h.ARCH.bits}-bit",
               "how": h.ARCH.how, "why": h.ARCH.why, "seconds": round(total, 1),
               "failures": failures, "scenarios": suite.results if suite else {}}
    (args.out / "results.json").write_text(json.dumps(results, indent=2))
    print(f"{len(wanted) - failures} passed, {failures} failed in {total:.0f} s; results in {args.out / 'results.json'}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
