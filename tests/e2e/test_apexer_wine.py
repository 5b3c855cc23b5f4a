"""Apexer.exe under Wine and Xvfb, on a sample of 50 scans: the error report without host libraries, runs
against the stand-in host (the placement stored and reused, what the program asks of the host, the range of
each peak, how soon it notices a host window), the About box and Cancel while a run waits, the profile and
desktop case tables against the real functions, and hosts that differ from the one the program knows (a
library one export short or of the other architecture, other window titles, another combine command, a host
that stops answering).

What only the program itself can see when it asks the host (its status window's place, whether it is
top-most, whether the label fits its text) the host's bridge journals as `client.windows`.
"""
from __future__ import annotations

import re
import shutil
import subprocess
import time
from pathlib import Path
from xml.etree import ElementTree

import pytest

import harness as h
import run_record
from checks import ABOUT_OK_ID, CANCEL_ID, ERROR_TEXT, placement, read_error_report, replace_value
from conftest import Runs
from person import CLICK_MS, Hand, click_about_ok, control_center, menu_entry

CONFORMANCE_EXE = h.WIN_BUILD / "tests" / "wine" / "apexer" / "apexer_conformance_win32.exe"
OWNERS_EXE = h.WIN_BUILD / "tests" / "wine" / "shared" / "shared_win32_owners_test.exe"


@pytest.fixture(scope="module")
def sample(out: Path) -> Path:
    # Few scans, so that apexes at the sample's edges are easy to name.
    return h.make_sample(out / "samples" / "sample-50.ivs", seed=11, extra=["--scans", "50"])


# --- reading the windows and the journal --------------------------------------------------------------

def fields(text: str) -> dict[str, str]:
    return dict(line.split("=", 1) for line in text.splitlines() if "=" in line)


def window_info(env: h.WineEnv, hwnd: str) -> dict[str, str]:
    return fields(env.driver("info", hwnd))


def topmost_info(env: h.WineEnv, hwnd: str) -> dict[str, str]:
    """Another process raises a window a moment after it shows: sampled until it is top-most."""
    return h.sample_until(lambda: window_info(env, hwnd), lambda i: i.get("topmost") == "1")


def controls(env: h.WineEnv, hwnd: str) -> dict[int, dict[str, str]]:
    out = {}
    for line in env.driver("controls", hwnd).splitlines():
        m = re.fullmatch(r"id=(-?\d+) class=(\S+) rect=\S+ icon=(\d) text=(.*)", line)
        assert m is not None, f"a control the driver cannot describe: {line!r}"
        out[int(m.group(1))] = {"class": m.group(2), "icon": m.group(3), "text": m.group(4)}
    return out


def rect(info: dict[str, str]) -> list[int]:
    return [int(v) for v in info["rect"].split(",")]


def status_seen(s: h.Session, when: str) -> list[str]:
    """The status window as the host's bridge saw it from inside the program when it asked `when`."""
    out = []
    for e in s.events("client.windows"):
        if e.get("when") != when:
            continue
        for w in e["windows"]:
            label = [c for c in w["controls"] if c["id"] == 100]
            if w["title"] == "Apexer" and label:
                out.append(f"label={label[0]['text']} rect={w['rect']} topmost={int(w['topmost'])} "
                           f"visible={int(w['visible'])} fits={int(label[0]['fits'])}")
    return out


def end_labels(s: h.Session) -> list[str]:
    """What the status window showed as the program ended."""
    return [w[1] if len(w) > 1 else "" for e in s.events("client.exit") for w in e["windows"]
            if w and w[0] == "Apexer"]


def first_tq(s: h.Session, ev: str, **match) -> float | None:
    return next((e["tq"] for e in s.events(ev) if all(e.get(k) == v for k, v in match.items())), None)


def ini_lines(path: Path) -> str:
    return path.read_bytes().decode("cp1252").replace("\r", "").rstrip("\n")


def shot(s: h.Session, name: str, hwnd: str) -> None:
    """The whole screen, and the window cut out of it."""
    screen = s.shots / f"{name}-screen.png"
    s.env.screenshot(screen)
    x, y, w, ht = rect(window_info(s.env, hwnd))
    subprocess.run(["convert", str(screen), "-crop", f"{w + 20}x{ht + 20}+{max(0, x - 10)}+{max(0, y - 10)}",
                    "+repage", str(s.shots / f"{name}.png")], check=True, timeout=30, capture_output=True)


def host_ini(s: h.Session, standin: dict | None = None, **settings) -> None:
    s.write_host_ini(standin={"JournalClientWindows": 1, **(standin or {})}, **settings)


def host_run(runs: Runs, name: str, during=None, **settings) -> tuple[h.Session, h.ApexerResult]:
    """A run against a host on the sample, the host ended before the run is read."""
    s = runs.open(name)
    host_ini(s, **settings)
    s.start_host()
    result = s.run_apexer(timeout=60, during=during)
    s.stop_host()
    return s, result


def run_to_error_box(s: h.Session, wait_ms: int = 20000) -> tuple[dict[str, str], h.ApexerResult, float | None]:
    """Runs the program to its error box: the box's owner and text, the run, and how soon the box came."""
    report = {}
    result = s.run_apexer(timeout=60, during=read_error_report(report, wait_ms))
    return fields(report.get("text", "")), result, report.get("found_s")


# --- the real functions --------------------------------------------------------------------------------

def gtest_report(env: h.WineEnv, exe: Path, out: Path, name: str, *args: str) -> dict[str, ElementTree.Element]:
    """Runs a googletest program under Wine, its log and XML report kept in `out` as NAME.log and NAME.xml;
    fails naming every test that failed. Its suites by name."""
    report = out / f"{name}.xml"
    report.unlink(missing_ok=True)
    done = env.run([str(exe), f"--gtest_output=xml:{h.winpath(report)}", *args], timeout=180)
    (out / f"{name}.log").write_text(done.stdout)
    assert report.is_file(), f"{exe.name} wrote no report: {done.stdout[-2000:]}"
    suites = {suite.get("name"): suite for suite in ElementTree.parse(report).getroot()}
    failed = [f"{suite_name}.{test.get('name')}" for suite_name, suite in suites.items() for test in suite
              if test.find("failure") is not None]
    assert failed == [], f"tests that failed ({name}.log says why)"
    assert done.returncode == 0, f"{exe.name}'s exit code"
    return suites


def test_conformance_tables(wine_env: h.WineEnv, out: Path) -> None:
    """The shared profile and desktop case tables against the real functions, the desktop cases on windows
    of the runner's own process and of another; each row a test named by it (conformance.log)."""
    work = out / "conformance"
    shutil.rmtree(work, ignore_errors=True)  # the cases start from files they make themselves
    work.mkdir(parents=True)
    suites = gtest_report(wine_env, CONFORMANCE_EXE, out, "conformance", h.winpath(work))
    for table in ("RealProfileFiles", "WindowsOfThisProcess", "WindowsOfAnotherProcess"):
        assert int(suites[f"Conformance/{table}"].get("tests")) > 0, f"{table}: no row ran"


def test_shared_win32_owners(wine_env: h.WineEnv, out: Path) -> None:
    """The handle owner and the one window procedure both products use, on the real functions."""
    gtest_report(wine_env, OWNERS_EXE, out, "owners")


# --- before any host is called -------------------------------------------------------------------------

def test_error_report_without_libraries(hostless_runs: Runs) -> None:
    s = hostless_runs.open("no-libraries", with_libraries=False)
    s.apexer_ini.unlink()
    box, result, seconds = run_to_error_box(s)
    assert box.get("text") == "Run-time error '48':||Error in loading DLL: Iv_vb32.dll", "the report"
    assert box.get("owner") == "1", "the report is owned by the status window"
    assert result.exit_code == 1, "exit code"
    assert not s.apexer_ini.exists(), "Apexer.INI written"
    hostless_runs.measured["start_to_report_s"] = round(seconds, 2)


# --- placement ------------------------------------------------------------------------------------------

def test_no_sample_placement_stored_and_reused(runs: Runs) -> None:
    """No host runs: each run shows 0. First start top-most at the top-left corner; a stored position is
    applied but not a stored size; the next start opens where the last one stored. The program's folder
    has a space and an ANSI letter in its name (the host's settings file, read in the ANSI code page, keeps
    its journal in plain letters)."""
    folder = "no sample, café"
    stored = None
    seen = []
    for run in (1, 2, 3):
        s = runs.open(f"no-sample-{run}", app_folder=folder)
        if run == 1:
            s.apexer_ini.unlink()
        elif run == 2:
            s.apexer_ini.write_bytes(b"[Combine]\r\nCombiner=412,233,5,5\r\n")
        else:
            s.apexer_ini.write_bytes(stored)
        host_ini(s)
        result = s.run_apexer(timeout=60)
        runs.measured[f"run_{run}_s"] = round(result.wall_s, 2)
        assert result.exit_code == 0, f"run {run}: exit code"
        assert [e["result"] for e in s.events("dll.GetSampleListFileVB")] == [0], "the host has a current sample"
        assert end_labels(s) == ["0"], "the label at the end"
        seen.append(status_seen(s, "GetSampleListFileVB"))
        stored = s.apexer_ini.read_bytes()
        if run == 1:
            assert len(seen[0]) == 1, f"the status window at the first host call: {seen[0]}"
            first = re.fullmatch(r"label=\S+ rect=(0,0,(\d+),(\d+)) .*", seen[0][0])
            assert first is not None, f"first start: not at the top-left corner: {seen[0][0]}"
            width, height = int(first.group(2)), int(first.group(3))
            assert width > 162 and height > 62, "the designed size plus its frame"
            assert ini_lines(s.apexer_ini) == f"[Combine]\nCombiner={first.group(1)}", \
                "Apexer.INI beside the exe holds the real rectangle"
        elif run == 2:
            assert placement(s) == [412, 233, width, height], "the placement written back"
    # Top-most at the first host call, with the label wide enough for its text.
    assert seen == [[f"label=Initializing rect={place},{width},{height} topmost=1 visible=1 fits=1"]
                    for place in ("0,0", "412,233", "412,233")], "the status window at the first host call"


@pytest.fixture
def drive_root(wine_env: h.WineEnv):
    """C:\\, with no program, settings, record or host library in it, before and after the test: the folder
    is not a session's to clear, so only what is put there is taken away."""
    placed = [wine_env.drive_c / name for name in ("Apexer.exe", "Apexer.INI", "Apexer.log", *h.HOST_LIBRARIES)]
    for path in placed:
        path.unlink(missing_ok=True)
    yield wine_env.drive_c
    for path in placed:
        path.unlink(missing_ok=True)


def test_settings_in_drive_root(hostless_runs: Runs, drive_root: Path) -> None:
    """In the root of a drive the settings file is still found beside the executable."""
    s = hostless_runs.open("root")
    s.app_dir = drive_root
    s.install_apexer()
    host_ini(s)
    result = s.run_apexer(timeout=60)
    assert result.exit_code == 0, "exit code"
    assert (placement(s) or [None])[:2] == [0, 0], "C:\\Apexer.INI written"


# --- against the stand-in host -------------------------------------------------------------------------

def test_one_peak(runs: Runs) -> None:
    """Host records, texts and a global-memory block across the library boundary, and the host's settings
    across the run."""
    s, result = host_run(runs, "one-peak", delays={"Combine": 3000}, faults={"IntegratorApexes": 5})
    assert result.exit_code == 0, "exit code"
    assert ("SystemList", "RAW") in [(e.get("list"), e.get("type")) for e in s.events("dll.GetGlobalFile")], \
        "texts reach the bridge"
    assert [e.get("set") for e in s.events("dll.IntegrateGetIniFile")] == ["ChrIntegrate"], \
        "the stored parameter set asked for by name"
    keys = ("function", "kind", "first", "last", "auxNumber")
    assert [{k: e.get(k) for k in keys} for e in s.events("dll.IntegrateChromatogramRange")] == \
        [{"function": 1, "kind": 0, "first": 1, "last": 50, "auxNumber": 0}], \
        "the integrator gets function 1, the TIC, all scans"
    assert any(re.fullmatch(r"label=Processing: 1/1 .* fits=1", seen) for seen in status_seen(s, "GetApplicationWnd")), \
        f"the counter is not shown in full while combining: {status_seen(s, 'GetApplicationWnd')}"
    assert [e.get("replaceSetting") for e in s.events("combine")] == ["FALSE"], "Replace while combining"
    assert end_labels(s) == ["1"], "the label at the end"
    assert [e.get("kept") for e in s.events("client.peak-blocks")] == [0], "peak blocks kept at exit"
    assert replace_value(s) == "TRUE", "Replace after the run"
    assert placement(s) is not None, "the placement was not stored"


def test_six_peaks_ranges(runs: Runs) -> None:
    """Six peaks in one block: the range each gets in the dialog of a host in another process, halves
    rounded to even and clipped at scans 1 and 50."""
    s, result = host_run(runs, "six-peaks", faults={"IntegratorApexes": "1, 2.5, 3.5, 5, 49.5, 50"})
    assert result.exit_code == 0, "exit code"
    assert [[e.get(k) for k in ("308", "310", "369", "176")] for e in s.events("dialog.ok")] == \
        [[r, "", "1", "1"] for r in ("1:2", "1:3", "3:5", "4:6", "49:50", "49:50")], \
        "each peak in order: 308 its range, 310 empty, 369 and 176 \"1\""
    assert end_labels(s) == ["6"], "the label at the end"
    assert [e.get("kept") for e in s.events("client.peak-blocks")] == [0], "peak blocks kept at exit"


def test_window_going_noticed(runs: Runs) -> None:
    """A chromatogram window that goes 0.5 to 1.3 s after it is asked to close: the run waits for it, then
    goes on, five times out of five. How soon is measured, not judged (the benchmark report does)."""
    latencies = []
    for n in range(1, 6):
        s, result = host_run(runs, f"reaction-{n}", standin={"OpenAtStart": "Chromatogram"},
                             delays={"Close": 300 + 200 * n}, faults={"IntegratorPeaks": 0})
        assert result.exit_code == 0, f"run {n}: exit code"
        if n == 1:
            seen = status_seen(s, "GetSampleListFileVB")
            assert any(re.fullmatch(r"label=Initializing rect=0,0,\d+,\d+ topmost=1 visible=1 fits=1", v)
                       for v in seen), f"not top-most at the top-left corner while the run waits: {seen}"
        closed = first_tq(s, "window.closed", role="chromatogram")
        asked = first_tq(s, "dll.IntegrateGetIniFile")
        assert closed is not None and asked is not None, f"run {n}: the run did not go on once the window was gone"
        latencies.append(round(asked - closed, 1))
    runs.measured.update({"noticed_after_ms": latencies, "median_ms": sorted(latencies)[2]})


def test_late_window_and_dialog_never_opens(runs: Runs) -> None:
    """The chromatogram window comes half a second after the launch command, while the program waits for
    it, and is acted on at once; the combine dialog never comes: error 32767, everything put back."""
    report = {}
    s, result = host_run(runs, "combine", delays={"Launch": 500}, faults={"IntegratorPeaks": 1, "DialogNeverOpens": 1},
                         during=read_error_report(report))
    created = first_tq(s, "window.opened", role="chromatogram")
    command = first_tq(s, "command.received", id=354)
    assert command is not None, "the chromatogram window did not get the combine command"
    assert created is not None, "the host's chromatogram window was not created"
    assert fields(report.get("text", "")).get("text") == f"Run-time error '32767':||{ERROR_TEXT}", "the report"
    assert result.exit_code == 1, "exit code"
    assert replace_value(s) == "TRUE", "Replace after the error"
    assert len(s.events("dll.DmRawClose")) >= 2, "the raw file is released"
    assert ini_lines(s.apexer_ini) == "[Combine]\nChroDesc=TIC", "placement written"
    runs.measured["acted_on_new_window_ms"] = round(command - created, 1)


def test_about_and_cancel_while_waiting(runs: Runs, hand: Hand) -> None:
    """While the run waits for a chromatogram window that takes a minute to go: CPU use, the status window,
    the About box, the title-bar close (ignored) and Cancel (the process ends within 10 s, exit code 2)."""
    s = runs.open("waiting")
    s.write_apexer_ini(placement="300,200,0,0")
    before = s.apexer_ini.read_bytes()
    host_ini(s, standin={"OpenAtStart": "Chromatogram"}, delays={"Close": 60000}, faults={"IntegratorPeaks": 1})
    s.start_host()
    env = s.env
    seen = {}

    def while_waiting(session: h.Session, proc) -> None:
        status = session.find_window("Apexer", 20000)
        assert status is not None, "no status window"
        session.wait_journal(lambda e: e["ev"] == "window.close-request" and e.get("role") == "chromatogram", 10,
                             "the run to wait for the host's chromatogram window")
        seen["cpu_percent"] = h.cpu_percent(env, 5.0)

        info = topmost_info(env, status)
        assert info["topmost"] == "1", "the status window is not top-most"
        assert rect(info)[:2] == [300, 200], "the status window is not at the stored position"
        parts = controls(env, status)
        assert (parts[100]["class"], parts[100]["text"]) == ("Static", "Initializing"), "lblStatus"
        assert (parts[CANCEL_ID]["class"], parts[CANCEL_ID]["text"]) == ("Button", "Cancel"), "cmdClose"
        shot(session, "status", status)

        hand.move_to(menu_entry(env, status))
        hand.press(CLICK_MS[1])
        about = session.find_window("About Apexer", 5000)
        assert about is not None, "the About menu did not open the box"
        shot(session, "about", about)
        check_about(session, status, about, info)
        click_about_ok(hand, env, about)
        assert h.sample_until(lambda: session.find_window("About Apexer", 0), lambda w: w is None) is None, \
            "OK did not close the box"
        assert window_info(env, status)["enabled"] == "1", "the status window takes no input after the box"

        env.driver("close", status)
        time.sleep(0.3)
        try:
            visible = window_info(env, status)["visible"]
        except h.HarnessError:
            visible = "gone"
        assert (visible, len(session.events("dll.DmRawClose"))) == ("1", 0), \
            "the title-bar close left the window or the run"

        hand.move_to(control_center(env, status, CANCEL_ID))
        hand.press(CLICK_MS[1])
        released = time.monotonic()
        try:
            session.reap(proc, 10)
        except h.HarnessError:
            pytest.fail("Cancel: the process did not end within 10 s of the click")
        seen["click_to_exit_ms"] = (proc.reaped[0] - released) * 1000

    result = s.run_apexer(timeout=60, during=while_waiting)
    assert result.exit_code == 2, "exit code after Cancel"
    assert s.apexer_ini.read_bytes() == before, "the settings file changed"
    assert len(s.events("dll.DmRawClose")) >= 1, "the raw file is not released on Cancel"
    # The chromatogram window still has most of its minute to go: the host is ended without waiting for it.
    host_ini(s)
    s.stop_host()
    runs.measured.update({"cpu_while_waiting_percent": round(seen["cpu_percent"], 2),
                          "click_to_exit_ms": round(seen["click_to_exit_ms"], 1)})


def check_about(s: h.Session, status: str, about: str, owner: dict[str, str]) -> None:
    env = s.env
    info = topmost_info(env, about)
    parts = controls(env, about)
    label = {i: c["text"] for i, c in parts.items() if c["class"] == "Static"}
    assert info["title"] == "About Apexer", "caption"
    assert info["topmost"] == "1", "the box is not top-most"
    assert window_info(env, status)["enabled"] == "0", "the status window takes input while the box is shown"
    assert [label.get(i) for i in (301, 302, 303)] == ["Apexer", "Apexer", "V3.3.0"], \
        "lblAppName, lblDescription, lblVersion"
    assert label.get(304) == env.driver("long-date", h.winpath(s.app_dir / "Apexer.exe")), \
        "lblDate is the exe's date in the long date format"
    assert time.strftime("%Y") in label.get(305, ""), "lblCopyright has this year"
    assert [parts.get(i, {}).get("icon") for i in (300, 307, 309)] == ["1", "1", "1"], \
        "picAppIcon, picTelephone and picFax have their images"
    assert (parts[ABOUT_OK_ID]["class"], parts[ABOUT_OK_ID]["text"]) == ("Button", "OK"), "cmdOK"
    # A caption's height (in twips, x 40) right of and below the owner.
    metrics = fields(env.driver("metrics"))
    offset = (int(metrics["caption"]) * 40 * int(metrics["dpi"]) + 720) // 1440
    assert rect(info)[:2] == [rect(owner)[0] + offset, rect(owner)[1] + offset], "the box is not near its owner"


# --- hosts that differ from the one the program knows ---------------------------------------------------

LIBRARIES_THAT_DIFFER = [
    pytest.param("Iv_vb32.dll", "short", id="Iv_vb32-one-export-short"),
    pytest.param("ivraw32.dll", "short", id="ivraw32-one-export-short"),
    pytest.param("ivpeak32.dll", "short", id="ivpeak32-one-export-short"),
    pytest.param("Iv_vb32.dll", "other-arch", id="Iv_vb32-of-the-other-architecture"),
]


@pytest.mark.parametrize("dll, how", LIBRARIES_THAT_DIFFER)
def test_error_report_library_differs(runs: Runs, dll: str, how: str) -> None:
    """A host library one export short (no setting can take an export away), or built for the other
    architecture, is reported when the program first calls into it, before that library is asked anything and
    before anything of the run reaches the host's windows."""
    s = runs.open(f"library-{how}-{dll}")
    if how == "short":
        library, missing = h.short_library(dll)
        text = f"Run-time error '453':||Can't find DLL entry point {missing} in {dll}"
    else:
        library = h.other_arch_library(dll)
        assert h.pe_machine(library) != h.pe_machine(h.LIBRARIES_BIN / dll), "the other build's library"
        text = f"Run-time error '48':||Error in loading DLL: {dll}"
    shutil.copy2(library, s.app_dir / dll)
    host_ini(s, faults={"IntegratorPeaks": 3})
    s.start_host()
    box, result, _ = run_to_error_box(s)
    assert box.get("text") == text, "the report"
    assert result.exit_code == 1, "exit code"
    source = dll.removesuffix(".dll")
    assert [e["ev"] for e in s.journal() if e["src"] == source and e["ev"] != "client.exit"] == [], \
        f"{dll} was asked something"
    assert s.events("command", "command.received", "combine") == [], "the run reached the host's windows"
    assert replace_value(s) == "TRUE", "Replace after the error"
    assert placement(s) is None, "stored placement"


WINDOWS_THAT_DIFFER = [
    pytest.param({"ChromatogramTitle": "Chromatogram 2 - sample-50"}, "fault.chromatogram-title",
                 "stopped at peak 1 of 3 with 0: no chromatogram window", id="chromatogram-title"),
    pytest.param({"CombineCommand": 355}, "fault.combine-command", f"error 32767: {ERROR_TEXT}",
                 id="combine-command"),
    pytest.param({"CombineDialogTitle": "Combine Spectra"}, "fault.combine-dialog-title",
                 f"error 32767: {ERROR_TEXT}", id="combine-dialog-title"),
]


@pytest.mark.parametrize("faults, played, ending", WINDOWS_THAT_DIFFER)
def test_host_whose_windows_differ(runs: Runs, faults: dict, played: str, ending: str) -> None:
    """A host whose chromatogram window or combine dialog differs from the one the program knows: the program
    never finds its window, so nothing is combined; no dialog is its error 32767, no chromatogram window stops
    the run at the first peak. Either way "Replace" is put back."""
    s = runs.open(f"host-{played.removeprefix('fault.')}")
    host_ini(s, faults={"IntegratorPeaks": 3, **faults})
    s.start_host()
    if ending.startswith("error"):
        box, result, _ = run_to_error_box(s)
        assert box.get("text") == f"Run-time error '32767':||{ERROR_TEXT}", "the report"
    else:
        result = s.run_apexer(timeout=90)
        assert end_labels(s) == ["0"], "the status window's last text"
    assert s.events(played) != [], f"the host did not play {faults}"
    assert run_record.ending(s) == ending, "the run record's ending"
    assert result.exit_code == (1 if ending.startswith("error") else 0), "exit code"
    assert s.events("dialog.ok", "combine") == [], "a combine"
    assert replace_value(s) == "TRUE", "Replace after the run"


def test_host_that_stops_answering(runs: Runs) -> None:
    """A host that stops answering holds the program in its first call to the host, blocked, not spinning: the
    run cannot end by itself. Ended by its PID within a bound, the host lets the call go, and the program finds
    no host and ends as it does without one."""
    s = runs.open("host-hangs")
    host_ini(s, faults={"IntegratorPeaks": 3, "HostHangs": 1})
    s.start_host()
    s.wait_journal(lambda e: e["ev"] == "fault.host-hangs", 10, "the host to stop answering")
    seen = {}

    def while_hung(session: h.Session, proc) -> None:
        # The bridge journals the program's windows as it is asked for the sample, then waits for the host.
        session.wait_journal(lambda e: e["ev"] == "client.windows" and e["when"] == "GetSampleListFileVB", 30,
                             "the program to ask the host for its sample")
        seen["cpu_percent"] = h.cpu_percent(session.env, 3.0)
        assert session.env.pid_of("Apexer.exe") is not None, "the program ended while its host was hung"
        assert session.events("dll.GetSampleListFileVB") == [], "the bridge answered for a hung host"
        seen["end_host_s"] = session.end_host(bound_s=10)

    result = s.run_apexer(timeout=60, during=while_hung)
    assert [line.split()[0] for line in status_seen(s, "GetSampleListFileVB")] == ["label=Initializing"], \
        "the status window while the host was hung"
    assert seen["cpu_percent"] < 10, f"the program and wineserver used {seen['cpu_percent']:.1f} % of a core"
    assert result.exit_code == 0, "exit code"
    assert [e["result"] for e in s.events("dll.GetSampleListFileVB")] == [0], "the bridge once the host was gone"
    assert end_labels(s) == ["0"], "the status window's last text"
    runs.measured.update({"cpu_while_hung_percent": round(seen["cpu_percent"], 2),
                          "end_host_s": round(seen["end_host_s"], 2)})
