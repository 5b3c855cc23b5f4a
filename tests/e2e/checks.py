"""What every end-to-end run is held to: the host's journal, the printed pages and both settings files read
back, with plain asserts (pytest shows both sides of a failed comparison)."""
from __future__ import annotations

import math
import re
import subprocess
import time

import harness as h

ERROR_TEXT = "Unable to find Combine Spectrum dialogue box"
FIELD_ERROR_TEXT = "Unable to find field 310 of the Combine Spectrum dialogue box"
REPLACE_ERROR_TEXT = r"Unable to set Replace in section SpeDisplay of C:\Ionvane\Ionvane.ini to FALSE"
CANCEL_ID = 101
ABOUT_OK_ID = 1


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
    assert len(pdfs) == count, "printed pages"
    for pdf in pdfs:
        assert pdf.stat().st_size > 500, f"{pdf.name} is too small to be a page"
        assert pdf.with_suffix(".png").exists(), f"{pdf.name} has no PNG preview"
        info = subprocess.run(["pdfinfo", str(pdf)], capture_output=True, text=True, timeout=30)
        assert info.returncode == 0 and re.search(r"^Pages:\s+1$", info.stdout, re.M) is not None, \
            f"{pdf.name} is not a one-page PDF"


def check_run_completed(session: h.Session, result: h.ApexerResult, peaks: int, replace_before: str | None) -> None:
    assert result.exit_code == 0, "exit code"
    assert rhythm(session) == expected_rhythm(peaks), "combines and prints"
    combines = session.events("combine")
    assert all(e["replaceSetting"] == "FALSE" for e in combines), "the host saw Replace other than FALSE mid-run"
    assert all(e["mode"] == "add" for e in combines), "a combine replaced the display"
    check_pages(session, math.ceil(peaks / 6))
    assert replace_value(session) == ("" if replace_before is None else replace_before), "Replace after the run"
    assert placement(session) is not None, "the placement was not stored"
    assert len(session.events("dll.DmRawClose")) == 2, "raw data closes (integration, end of run)"
    check_result_shown(session, peaks)
    check_ends_as_usual(session)


def check_run_stopped(session: h.Session, result: h.ApexerResult, shown: int) -> None:
    """A run the host stopped early ends as usual: exit code 0, no page of the unfinished batch, "Replace"
    put back, the raw file released, the placement stored, and `shown` (the refused peak's index) shown."""
    assert result.exit_code == 0, "exit code"
    assert len(session.pages_printed()) == 0, "printed pages"
    assert replace_value(session) == "TRUE", "Replace after the run"
    assert len(session.events("dll.DmRawClose")) == 2, "raw data closes (integration, end of run)"
    assert placement(session) is not None, "the placement was not stored"
    check_result_shown(session, shown)


def check_ends_as_usual(session: h.Session) -> None:
    """The peak list that came back with the chromatogram is closed after the last combine."""
    events = session.journal()
    last_combine = max((i for i, e in enumerate(events) if e["ev"] == "combine"), default=-1)
    closes = [i for i, e in enumerate(events) if e["ev"] == "window.close-request" and e.get("role") == "peaklist"]
    assert last_combine < 0 or any(i > last_combine for i in closes), "the peak list was not closed at the end"


def read_error_report(report: dict, wait_ms: int = 30000):
    """A `during` callback that reads the error box and photographs it; "found_s" is how long the box took
    to come, counted from the callback's start."""
    def read(session: h.Session, proc) -> None:
        started = time.monotonic()
        report["text"] = session.env.driver("message-box", "Apexer", str(wait_ms), timeout=60)
        report["found_s"] = time.monotonic() - started
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
        assert oks == [], "dialogs confirmed without an integration"
        return 0
    apexes, scans = integrations[-1]["apexScans"], integrations[-1]["last"]
    assert len(oks) <= len(apexes), f"{len(oks)} dialogs confirmed for {len(apexes)} peaks"
    for i, ok in enumerate(oks):
        want = apex_range(apexes[i], scans)
        assert want is not None, f"peak {i + 1}: apex {apexes[i]} lies outside the sample, yet it was combined"
        assert [ok["308"], ok["310"], ok["369"], ok["176"]] == [want, "", "1", "1"], \
            f"peak {i + 1} (apex {apexes[i]}): fields 308, 310, 369, 176"
    combined = [e["ranges"] for e in session.events("combine")]
    assert combined == [ok["308"] for ok in oks][:len(combined)], "ranges the host combined"
    return len(oks)


def check_result_shown(session: h.Session, result: int) -> None:
    """The status window showed the run's result as the program ended (read there by the host's bridge)."""
    exits = session.events("client.exit")
    assert len(exits) == 1, f"{len(exits)} client.exit events"
    texts = [w[1:] for w in exits[0]["windows"] if w and w[0] == "Apexer"]
    assert len(texts) == 1 and str(result) in texts[0], f"the status window ended showing {texts}, not {result}"


# Events that carry a request from the client to the host, and host events that only echo such a request.
REQUESTS = {"command", "command.received", "window.close-request", "dialog.ok"}
ECHOES = {"dialog.field", "command.unknown"}
