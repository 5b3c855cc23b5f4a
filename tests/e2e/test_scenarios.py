"""The end-to-end scenarios: the real Apexer.exe against the stand-in host, under Wine and Xvfb.

Each scenario asserts on the host's journal, the printed pages and both settings files; the `runs` fixture
ends every run and then holds it to the range and run-record checks. Select scenarios with -k.
"""
from __future__ import annotations

import subprocess
import time

import pytest

import harness as h
import run_record
from checks import (CANCEL_ID, ECHOES, ERROR_TEXT, FIELD_ERROR_TEXT, REPLACE_ERROR_TEXT, REQUESTS, check_result_shown,
                    check_run_completed, check_run_stopped, placement, read_error_report, replace_value, rhythm)
from conftest import Runs
from person import CLICK_MS, Hand, click_about_ok, control_center, menu_entry


def peaks_run(runs: Runs, name: str, peaks: int, replace: str | None = "TRUE", timeout: float = 300) -> dict:
    # The next run's host starts on the same settings file: this one's ends first.
    with runs.open_with_host(name, replace=replace, faults={"IntegratorPeaks": peaks}) as s:
        result = s.run_apexer(timeout=timeout)
        check_run_completed(s, result, peaks, replace)
        return {"peaks": peaks, "wall_s": round(result.wall_s, 2), "pages": len(s.pages_printed())}


def error_run(runs: Runs, name: str, faults: dict, text: str, hold=None, more=None) -> dict:
    """A run that ends in the program's error 32767 reading `text`: the error box is read, the host's
    "Replace" and raw file are put back, nothing is stored; `hold(path)`, when given, holds the host's settings
    file open before the run; `more(session)` checks the rest."""
    s = runs.open_with_host(name, faults=faults)
    if hold is not None:
        hold(r"C:\Ionvane\Ionvane.ini")
    report = {}
    result = s.run_apexer(timeout=90, during=read_error_report(report))
    assert "32767" in report.get("text", "") and text in report["text"], \
        f"the error report reads {report.get('text')!r}"
    assert result.exit_code == 1, "exit code"
    assert replace_value(s) == "TRUE", "Replace after the error"
    assert len(s.events("dll.DmRawClose")) == 2, "raw data closes (integration, after the error)"
    assert placement(s) is None, "stored placement"
    assert run_record.ending(s) == f"error 32767: {text}", "the run record's ending"
    if more is not None:
        more(s)
    return {"report": report["text"], "wall_s": round(result.wall_s, 2)}


@pytest.fixture
def hold_file(wine_env: h.WineEnv):
    """`hold(path)` holds a file of the prefix open so that nobody can write it, until the scenario ends."""
    holders: list[subprocess.Popen] = []

    def hold(path: str, *share: str) -> None:
        holders.append(wine_env.popen([str(h.DRIVER_EXE), "hold-file", path, "60000", *share], stdout=subprocess.PIPE,
                                      stderr=subprocess.DEVNULL, text=True))
        assert holders[-1].stdout.readline().strip() == "held", f"{path} held open"

    yield hold
    for holder in holders:
        if holder.poll() is None:
            holder.kill()
            holder.wait(timeout=10)


@pytest.mark.parametrize("peaks", [1, 6, 7, 12, 13], ids=lambda n: f"peaks-{n}")
def test_batches(runs: Runs, peaks: int) -> None:
    runs.measured.update(peaks_run(runs, f"peaks-{peaks}", peaks))


def test_replace_absent(runs: Runs) -> None:
    measured = peaks_run(runs, "replace-absent", 2, replace=None)
    host_ini = h.read_ini(runs.env.drive_c / "Ionvane" / "Ionvane.ini")
    assert "replace" in host_ini.get("spedisplay", {}), "Replace is not present after the run"
    runs.measured.update(measured)


def test_no_sample(runs: Runs) -> None:
    s = runs.open("no-sample")
    s.write_host_ini(faults={"IntegratorPeaks": 5})
    before = s.host_ini.read_bytes()
    s.host_log = open(s.dir / "host.log", "w")
    s.host = runs.env.popen([str(h.HOST_EXE)], stdout=s.host_log, stderr=subprocess.STDOUT)
    s.wait_journal(lambda e: e["ev"] == "window.opened" and e.get("role") == "main", 30, "the host")
    result = s.run_apexer(timeout=60)
    assert result.exit_code == 0, "exit code"
    assert [e["result"] for e in s.events("dll.GetSampleListFileVB")] == [0], "GetSampleListFileVB"
    assert s.events("dll.DmRawScansInFunction", "dll.IntegrateChromatogramRange", "window.close-request",
                    "dll.DmRawClose") == [], \
        "host calls after no sample"
    assert s.host_ini.read_bytes() == before, "the host's settings file"
    assert placement(s) is not None, "the placement was not stored"
    runs.measured.update({"wall_s": round(result.wall_s, 2)})


def test_no_peaks(runs: Runs) -> None:
    s = runs.open_with_host("no-peaks", faults={"IntegratorPeaks": 0})
    before = s.host_ini.read_bytes()
    result = s.run_apexer(timeout=60)
    assert result.exit_code == 0, "exit code"
    assert rhythm(s) == "", "combines and prints"
    assert s.events("window.close-request") == [], "host windows closed"
    assert s.host_ini.read_bytes() == before, "the host's settings file"
    assert len(s.events("dll.DmRawClose")) == 2, "raw data closes"
    assert placement(s) is not None, "the placement was not stored"
    runs.measured.update({"wall_s": round(result.wall_s, 2)})


def test_apex_outside_at_fourth(runs: Runs) -> None:
    s = runs.open_with_host("apex-outside", faults={"IntegratorPeaks": 8, "ApexOutsideAtPeak": 4})
    result = s.run_apexer(timeout=60)
    check_run_stopped(s, result, 3)
    assert rhythm(s) == "ccc", "combines and prints"
    assert not any(e.get("role") == "spectrum" for e in s.events("window.close-request")), \
        "the spectrum window with the unfinished batch was closed"
    runs.measured.update({"wall_s": round(result.wall_s, 2)})


def test_apex_edges(runs: Runs) -> None:
    """Apexes on the first scan, on halves (to even), on and next to the last scan."""
    apexes = "1, 2.5, 3.5, 450.5, 899.5, 900"
    s = runs.open_with_host("apex-edges", faults={"IntegratorApexes": apexes})
    result = s.run_apexer(timeout=120)
    check_run_completed(s, result, 6, "TRUE")
    ranges = [e["308"] for e in s.events("dialog.ok")]
    assert ranges == ["1:2", "1:3", "3:5", "449:451", "899:900", "899:900"], "ranges for the edge apexes"
    runs.measured.update({"apexes": apexes, "ranges": ranges})


def test_dialog_never_opens(runs: Runs) -> None:
    runs.measured.update(error_run(runs, "dialog-never-opens", {"IntegratorPeaks": 3, "DialogNeverOpens": 1},
                                   ERROR_TEXT))


def test_dialog_field_missing(runs: Runs) -> None:
    """A field that never appears: the dialog is closed unconfirmed and the error names the field."""
    def closed_unconfirmed(s: h.Session) -> None:
        assert s.events("dialog.ok", "combine") == [], "OK or a combine on the half-filled dialog"
        assert any(e.get("role") == "dialog" for e in s.events("window.close-request")), \
            "the dialog was not asked to close"
        assert any(e.get("role") == "dialog" for e in s.events("window.closed")), "the dialog stayed open"

    runs.measured.update(error_run(runs, "dialog-field-missing", {"IntegratorPeaks": 3, "DialogMissingField": 310},
                                   FIELD_ERROR_TEXT, more=closed_unconfirmed))


def test_replace_not_writable(runs: Runs, hold_file) -> None:
    """The host's settings file cannot be written: nothing is combined and the error names the file."""
    def nothing_done(s: h.Session) -> None:
        assert s.events("dialog.ok", "combine", "command") == [], "host work after Replace failed"

    runs.measured.update(error_run(runs, "replace-not-writable", {"IntegratorPeaks": 3}, REPLACE_ERROR_TEXT,
                                   hold=hold_file, more=nothing_done))


def test_chromatogram_never_opens(runs: Runs) -> None:
    """No chromatogram window: the first scan is refused and the run stops there, ending as usual."""
    s = runs.open_with_host("chromatogram-never-opens",
                            faults={"IntegratorPeaks": 5, "ChromatogramNeverOpens": 1})
    result = s.run_apexer(timeout=90)
    check_run_stopped(s, result, 0)
    assert len(s.events("fault.chromatogram-never-opens")) == 1, "launch commands (one, then the run stops)"
    assert rhythm(s) == "", "combines and prints"
    runs.measured.update({"wall_s": round(result.wall_s, 2)})


def test_cancel_while_host_is_slow(runs: Runs, hand: Hand) -> None:
    def click_cancel(session: h.Session, proc) -> None:
        status = session.find_window("Apexer", 10000)
        assert status is not None, "no status window"
        hand.move_to(control_center(session.env, status, CANCEL_ID))
        session.wait_journal(lambda e: e["ev"] == "dialog.ok", 60, "the first OK")
        hand.press(CLICK_MS[1])
        session.reap(proc, 20)

    s = runs.open_with_host("cancel", faults={"IntegratorPeaks": 4}, delays={"Combine": 20000})
    result = s.run_apexer(timeout=60, during=click_cancel)
    assert result.exit_code == 2, "exit code after Cancel"
    assert run_record.ending(s) == "cancelled by the user", "the run record's ending"
    assert replace_value(s) == "TRUE", "Replace after Cancel"
    assert placement(s) is None, "stored placement"
    assert len(s.events("combine")) == 0, "combines finished before Cancel"
    assert len(s.events("dll.DmRawClose")) == 2, "raw data closes (integration, on Cancel)"
    runs.measured.update({"wall_s": round(result.wall_s, 2)})


def test_host_exits_mid_run(runs: Runs) -> None:
    s = runs.open_with_host("host-exits", faults={"IntegratorPeaks": 9, "ExitAfterCombines": 3})
    result = s.run_apexer(timeout=120)
    assert len(s.events("combine")) == 3, "combines before the host left"
    assert s.host.wait(timeout=10) == 3, "host exit code"
    # The next scan is refused: nothing of the unfinished batch is printed, and the status window shows the
    # index of the refused peak, not the peak count.
    check_run_stopped(s, result, 3)
    runs.measured.update({"wall_s": round(result.wall_s, 2)})


@pytest.mark.parametrize("peaks, pages", [(6, []), (9, [6])], ids=["after-6th", "after-9th"])
def test_host_exits_after_last_combine(runs: Runs, peaks: int, pages: list[int]) -> None:
    """The host leaves right after the combine that ends a batch: the run completes as ever, with no spectrum
    window for that batch's page, and the record says so instead of claiming the page."""
    s = runs.open_with_host(f"host-exits-after-{peaks}", faults={"IntegratorPeaks": peaks, "ExitAfterCombines": peaks})
    result = s.run_apexer(timeout=180)
    assert result.exit_code == 0, "exit code"
    assert s.host.wait(timeout=10) == 3, "host exit code"
    assert rhythm(s) == "c" * 6 + "".join(f"P{n}" for n in pages) + "c" * (peaks - 6), "combines and prints"
    assert replace_value(s) == "TRUE", "Replace after the run"
    check_result_shown(s, peaks)
    record = run_record.read_record(s.app_dir / "Apexer.log")
    assert [text.split(": ", 1)[1] for e, text in record if e == "print"][-1] == \
        f"nothing printed for peaks {len(pages) * 6 + 1} to {peaks}: the host has no spectrum window", "the last print"
    assert record[-1] == ("end", f"completed with {peaks}; pages asked for {len(pages) + 1}, printed {len(pages)}"), \
        "the run record's ending"
    runs.measured.update({"wall_s": round(result.wall_s, 2), "record": [f"{e} {t}" for e, t in record]})


def test_replace_not_writable_at_the_end(runs: Runs, hold_file) -> None:
    """The host's settings file can be written when the run sets "Replace" but not when it puts it back: the
    run completes as ever and leaves FALSE, silently, and the record says it could not put TRUE back."""
    def hold_after_first_combine(session: h.Session, proc) -> None:
        session.wait_journal(lambda e: e["ev"] == "combine", 60, "the first combine")
        hold_file(r"C:\Ionvane\Ionvane.ini")

    # Slow combines: the file is held long before the run's end.
    s = runs.open_with_host("replace-not-writable-at-end", faults={"IntegratorPeaks": 3}, delays={"Combine": 2000})
    result = s.run_apexer(timeout=180, during=hold_after_first_combine)
    assert result.exit_code == 0, "exit code"
    assert rhythm(s) == "cccP3", "combines and prints"
    assert replace_value(s) == "FALSE", "Replace after the run"
    check_result_shown(s, 3)
    record = run_record.read_record(s.app_dir / "Apexer.log")
    assert ("replace", '"TRUE" could not be put back after the run; the file holds "FALSE"') in record, \
        f"the record's Replace lines: {[t for e, t in record if e == 'replace']}"
    runs.measured.update({"wall_s": round(result.wall_s, 2)})


def test_record_held_open_past_its_bound(runs: Runs, hold_file) -> None:
    """Apexer.log past 1 MB and held open by another program as an editor or a backup holds it (others may
    read and write it, nobody may rename it): the run's start moves the old lines to Apexer.log.1 all the
    same, and the run's own record is whole in a fresh file that verifies."""
    s = runs.open_with_host("record-held-open", faults={"IntegratorPeaks": 2})
    log = s.app_dir / "Apexer.log"
    old = b"".join(b"2026-01-01 10:00:00.000  peak     older line %07d\r\n" % i for i in range(24000))
    log.write_bytes(old)
    assert len(old) > 1024 * 1024
    hold_file(h.winpath(log), "readwrite")
    result = s.run_apexer(timeout=120)
    assert result.exit_code == 0, "exit code"
    assert (s.app_dir / "Apexer.log.1").read_bytes() == old, "the older lines moved aside"
    assert log.stat().st_size < 16 * 1024, f"Apexer.log after the run: {log.stat().st_size} bytes"
    assert b"; follows nothing #" in log.read_bytes().split(b"\r\n")[0], "the fresh file's first run"
    runs.measured.update({"log_bytes": log.stat().st_size})


def test_placement_reused(runs: Runs) -> None:
    rects = []

    def look(session: h.Session, proc) -> None:
        status = session.find_window("Apexer", 20000)
        assert status is not None, "no status window"
        # Placed, shown, then made top-most: the last of the three is the one to wait for.
        info = h.sample_until(lambda: session.env.driver("info", status), lambda i: "topmost=1" in i.split())
        rects.append(info)
        assert "topmost=1" in info.split(), f"the status window is not top-most: {info}"

    first_ini = b""
    for run in (1, 2):
        with runs.open(f"placement-{run}") as s:
            if run == 1:
                s.write_apexer_ini(placement="240,180,0,0")
            else:
                s.apexer_ini.write_bytes(first_ini)
            s.write_host_ini(faults={"IntegratorPeaks": 2}, delays={"Combine": 1500})
            s.start_host()
            result = s.run_apexer(timeout=60, during=look)
            assert result.exit_code == 0, "exit code"
            stored = placement(s)
            assert stored is not None and stored[:2] == [240, 180], f"stored placement {stored}"
            first_ini = s.apexer_ini.read_bytes()
    assert all("rect=240,180," in r for r in rects), f"the window did not open at 240,180: {rects}"
    runs.measured.update({"windows": rects, "stored": first_ini.decode(errors="replace").strip()})


def test_placement_off_screen(runs: Runs) -> None:
    """A stored place beyond every monitor (one since removed): the window comes onto the screen."""
    seen = {}

    def look(session: h.Session, proc) -> None:
        status = session.find_window("Apexer", 20000)
        assert status is not None, "no status window"
        seen["info"] = h.sample_until(lambda: session.env.driver("info", status),
                                      lambda i: "topmost=1" in i.split())

    s = runs.open("placement-off-screen")
    s.write_apexer_ini(placement="3000,2500,0,0")
    s.write_host_ini(faults={"IntegratorPeaks": 1}, delays={"Combine": 1500})
    s.start_host()
    result = s.run_apexer(timeout=60, during=look)
    assert result.exit_code == 0, "exit code"
    left, top, width, height = (int(v) for v in seen["info"].split("rect=")[1].split()[0].split(","))
    assert 0 <= left and left + width <= 1280 and 0 <= top and top + height <= 1024, \
        f"the window is not on the 1280 x 1024 screen: {seen['info']}"
    assert placement(s) == [left, top, width, height], "stored placement (where the window stood)"
    runs.measured.update({"window": [left, top, width, height]})


def test_about_during_run(runs: Runs, hand: Hand) -> None:
    seen = {}

    def open_about(session: h.Session, proc) -> None:
        status = session.find_window("Apexer", 10000)
        assert status is not None, "no status window"
        hand.move_to(menu_entry(session.env, status))
        session.wait_journal(lambda e: e["ev"] == "dialog.ok", 60, "the first OK")
        hand.press(CLICK_MS[1])
        about = session.find_window("About Apexer", 10000)
        assert about is not None, "the About box did not open"
        opened = h.host_clock_ms()  # open at the latest from here: the driver has just found it
        seen["controls"] = session.env.driver("controls", about)
        seen["info"] = h.sample_until(lambda: session.env.driver("info", about), lambda i: "topmost=1" in i.split())
        session.env.screenshot(session.shots / "about.png")
        time.sleep(2.0)  # the run stays suspended while the box is shown
        seen["open_ms"] = (opened, click_about_ok(hand, session.env, about))

    s = runs.open_with_host("about", faults={"IntegratorPeaks": 3}, delays={"Combine": 800})
    result = s.run_apexer(timeout=120, during=open_about)
    check_run_completed(s, result, 3, "TRUE")
    controls = seen["controls"]
    for text in ("V3.3.0", "Apexer", "Copyright"):
        assert text in controls, f"About box lacks {text!r}: {controls}"
    assert "topmost=1" in seen["info"], f"About box not top-most: {seen['info']}"
    opened, closing = seen["open_ms"]
    asked = [e["ev"] for e in s.journal() if e["ev"] in REQUESTS | ECHOES and opened <= e["tq"] <= closing]
    assert asked == [], f"requests to the host during the {closing - opened:.0f} ms the About box was open"
    runs.measured.update({"controls": controls.splitlines(), "box_open_ms": round(closing - opened)})


def test_many_peaks(runs: Runs) -> None:
    runs.measured.update(peaks_run(runs, "peaks-294", 294))
