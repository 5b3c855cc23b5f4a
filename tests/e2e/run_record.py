"""Holds a run's record, Apexer.log beside the program, against the host's journal of the same run.

Both sides must tell the same story: the peaks found, each combined range in order, the prints and the
spectra on each, the "Replace" setting put back, and the ending.
"""
from __future__ import annotations

import hashlib
import re
from pathlib import Path

import harness as h

LINE = re.compile(r"^(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d)  (\w+) +(.*) #[0-9a-f]{16}$")
RUN = re.compile(r"^\w{12}; user (.+) on (.+); Apexer (\S+), (.+\\Apexer\.exe) SHA-256 ([0-9a-f]{64}); "
                 r"(?:settings (.+): channel (.*), PrintMode (-?\d+); (?:sample (.+), (\d+) bytes, written (\S+ \S+)|"
                 r"no current sample)|settings and sample not read yet); follows .+$")


def read_record(path: Path) -> list[tuple[str, str]]:
    """(event, text) per line after the run's own first line; every line must carry its local time and its
    link (ApexerCheck /record holds the links)."""
    assert path.exists(), f"no run record at {path}"
    out = []
    for raw in path.read_bytes().decode("cp1252").split("\r\n")[:-1]:
        m = LINE.match(raw)
        assert m is not None, f"a record line without its time, event or link: {raw!r}"
        out.append((m.group(2), m.group(3)))
    assert out and out[0][0] == "run", f"the record does not start with the run's own line: {out[:1]}"
    return [line for line in out if line[0] != "run"]


def check_run_line(session: h.Session, path: Path) -> None:
    """The run's first line names who, where and what: the program's own digest, the settings file read and
    the sample with its size, as the files are."""
    first = path.read_bytes().decode("cp1252").split("\r\n")[0]
    m = RUN.match(LINE.match(first).group(3))
    assert m is not None, f"the run's own line does not say who, where and what: {first!r}"
    program = session.app_dir / "Apexer.exe"
    digest = hashlib.sha256(program.read_bytes()).hexdigest() if program.exists() else m.group(5)
    assert m.group(5) == digest, f"the record names Apexer.exe's SHA-256 {m.group(5)}; the file's is {digest}"
    # A run that ended before it asked the host for its sample (a library that would not load) says so.
    assert m.group(6) is None or m.group(6).endswith("\\Apexer.INI"), f"the settings read: {m.group(6)}"
    if m.group(9):
        assert int(m.group(10)) == session.sample.stat().st_size, f"the sample's size: {m.group(10)}"


PAGES = re.compile(r"^(.*); pages asked for (\d+), printed (\d+)$")


def ending(session: h.Session) -> str:
    """The record's last line, which must be its end, without the pages it counts (check_record holds those)."""
    record = read_record(session.app_dir / "Apexer.log")
    assert record and record[-1][0] == "end", f"the record does not end with its ending: {record[-1:]}"
    counted = PAGES.match(record[-1][1])
    assert counted is not None, f"the end line does not count the pages: {record[-1][1]!r}"
    return counted.group(1)


def check_record(session: h.Session, path: Path | None = None) -> None:
    """One run's record (beside the program unless `path` says where) against the host's journal."""
    record = read_record(path or session.app_dir / "Apexer.log")
    check_run_line(session, path or session.app_dir / "Apexer.log")
    events = [e for e, _ in record]
    assert events.count("start") <= 1 and events.count("end") == 1 and events[-1] == "end", \
        f"a run's record holds at most one start and ends with one end: {events}"
    counted = PAGES.match(record[-1][1])
    assert counted is not None, f"the end line does not count the pages: {record[-1][1]!r}"
    end, asked, printed_count = counted.group(1), int(counted.group(2)), int(counted.group(3))

    integrations = [e for e in session.events("dll.IntegrateChromatogramRange") if e.get("result") == 1]
    starts = [text for e, text in record if e == "start"]
    if session.events("dll.GetSampleListFileVB") and session.events("dll.GetSampleListFileVB")[0]["result"] == 0:
        assert starts and "no current sample" in starts[0], f"no current sample, but the record starts {starts}"
    elif starts:
        found = integrations[-1]["count"] if integrations else 0
        assert starts[0].endswith(f"; peaks found {found}"), f"the host found {found} peaks; the record: {starts[0]}"

    peaks = [re.search(r"scans (\S+) combined$", text).group(1) for e, text in record if e == "peak"]
    confirmed = [ok["308"] for ok in session.events("dialog.ok")]
    # A Cancel may end the run between the host's OK and the end of its combining.
    unfinished = 1 if end == "cancelled by the user" else 0
    assert peaks == confirmed[:len(peaks)] and len(confirmed) - len(peaks) in range(unfinished + 1), \
        f"combined ranges: the record {peaks}, the host {confirmed}"

    # A page is recorded once its command is posted, so a Cancel while the host prints leaves no page unrecorded.
    printed = [e for e in session.events("print") if e.get("ok")]
    prints = [text for e, text in record if e == "print"]
    posted = [re.fullmatch(r"\d+ with PrintMode \d+: peaks (\d+) to (\d+)", text) for text in prints]
    batches = [m.groups() for m in posted if m]
    recorded, pages = [int(b) - int(a) + 1 for a, b in batches], [e["spectra"] for e in printed]
    assert recorded == pages, f"prints: the record {batches}, the host's spectra per page {pages}"
    assert (asked, printed_count) == (len(prints), len(batches)), \
        f"the end counts {asked} pages asked for, {printed_count} printed; the record's prints: {prints}"
    for text in (t for t, m in zip(prints, posted) if m is None):
        why = re.fullmatch(r"\d+ with PrintMode \d+: nothing printed for peaks \d+ to \d+: (.*)", text)
        assert why is not None, f"a print line that neither prints nor says why: {text!r}"
        assert why.group(1) != "the host has no spectrum window" or session.events("host.exit"), \
            f"the record says the host had no spectrum window; the host never left: {text!r}"

    replaced = [text for e, text in record if e == "replace"]
    if replaced:
        before = re.match(r'"(.*)" before the run', replaced[0])
        after = re.match(r'"(.*)" put back after the run$', replaced[-1])
        failed = re.match(r'"(.*)" could not be put back after the run; the file holds "(.*)"$', replaced[-1])
        assert after is not None or failed is not None, f"'Replace' put back or not, the record does not say: {replaced}"
        written = (after or failed).group(1)
        assert before is None or before.group(1) == written, f"'Replace' before and after: {replaced}"
        now = session.host_settings().get("spedisplay", {}).get("replace") or ""
        holds = written if after else failed.group(2)
        assert holds == now, f"the record says the file holds {holds!r}; it holds {now!r}"
        assert after or now != written, f"the record says {written!r} was not put back; the file holds it"

    completed = re.fullmatch(r"completed with (-?\d+)", end)
    stopped = re.fullmatch(r"stopped at peak (\d+) of (\d+) with (\d+): (.*)", end)
    if completed:
        result = int(completed.group(1))
        assert result == len(peaks) if peaks else result <= 0, \
            f"the record completed with {result} after {len(peaks)} peaks"
        assert not peaks or asked == -(-len(peaks) // 6), f"{asked} pages asked for {len(peaks)} peaks"
    elif stopped:
        at, of, result, why = int(stopped.group(1)), int(stopped.group(2)), int(stopped.group(3)), stopped.group(4)
        assert result == len(peaks) and at == result + 1, f"stopped at {at} with {result} after {len(peaks)} peaks"
        assert integrations and of == integrations[-1]["count"], f"stopped at peak {at} of {of}"
        if why == "the host is gone":
            assert bool(session.events("host.exit")), "the record says the host is gone; the host never left"
        elif why == "no chromatogram window":
            assert bool(session.events("fault.chromatogram-never-opens", "fault.chromatogram-title")), \
                "the record says no chromatogram window; the host opened one under its title"
        else:
            apex = integrations[-1]["apexScans"][result]
            scan, scans = round(apex), integrations[-1]["last"]
            assert why == f"apex scan {scan} lies outside the sample's {scans} scans" and not 1 <= scan <= scans, \
                f"the record stops for {why!r}; the integrator's apex was {apex} of {scans} scans"
    if completed or stopped:
        shown = [w[1:] for e in session.events("client.exit") for w in e["windows"] if w and w[0] == "Apexer"]
        assert any(str(result) in texts for texts in shown), f"the record ends with {result}; the window showed {shown}"
    else:
        assert re.fullmatch(r"error \d+: .+|cancelled by the user", end) is not None, f"an unknown ending: {end!r}"
        assert not session.events("print") or len(printed) <= len(peaks), "prints after the end"
