"""ApexerCheck.exe under Wine and Xvfb, beside Apexer.exe and the stand-in's libraries, against the stand-in
host: read-only against the host as it is (then Apexer's own run as usual), /full, no host, no sample, each
way a host can differ that the stand-in plays, libraries that differ, the command line refused, and the
window. Every report is read back in both formats.
"""
from __future__ import annotations

import re
import shutil
import time
from pathlib import Path

import pytest

import checks
import harness as h
import run_record
import signing
from check_report import check_consistent, read_report, reports_in
from conftest import Runs


def started(runs: Runs, name: str, host: bool = True, **settings) -> h.Session:
    """The check beside Apexer, both signed as a release has them, and the host started."""
    s = runs.open(name)
    s.install_check(runs.signed["ApexerCheck.exe"])
    shutil.copy2(runs.signed["Apexer.exe"], s.app_dir / "Apexer.exe")
    s.write_host_ini(**settings)
    if host:
        s.start_host()
    return s


def host_untouched(s: h.Session) -> None:
    assert s.events("dialog.ok", "combine", "print") == [], "the check combined or printed"


def no_window_left(s: h.Session) -> None:
    """Every window the check opened is gone: the journal's windows of the host opened by the check."""
    opened = {e["hwnd"] for e in s.events("window.opened") if e.get("role") != "main"}
    closed = {e["hwnd"] for e in s.events("window.closed")}
    assert opened <= closed, f"host windows left open: {[e for e in s.events('window.opened') if e['hwnd'] in opened - closed]}"


def test_read_only_all_held_then_apexer_runs_as_usual(check_runs: Runs) -> None:
    s = started(check_runs, "check-all-held")
    before = s.host_ini.read_bytes()
    result = s.run_check("/quiet", "/reason", "host upgrade")
    assert result.exit_code == 0, f"exit code; {result.stdout}"
    report = read_report(s.app_dir)
    check_consistent(report)
    assert report.verdict == "ALL HELD"
    assert report.counts["run"] == report.counts["planned"] >= 25, report.counts
    assert report.with_verdict("differs") + report.with_verdict("could not be checked") == []
    assert "Why it was run: host upgrade" in report.text
    assert "Mode: read-only" in report.text
    assert s.host_ini.read_bytes() == before, "the host settings file, byte for byte"
    assert "(byte for byte as it was)" in report.text
    host_untouched(s)
    no_window_left(s)
    assert not (s.app_dir / "Apexer.log").exists(), "the check wrote Apexer's run record"
    assert all(c.startswith("undone: ") for c in report.changes), report.changes
    seen = report.row("The launch command opens").details["Seen"]
    assert re.fullmatch(r'"Chromatogram - \[.+\]" after \d+\.\d s', seen), seen
    check_runs.measured.update(read_only_s=round(result.wall_s, 1), report_txt_bytes=report.text_path.stat().st_size,
                               report_html_bytes=report.text_path.with_suffix(".html").stat().st_size)
    shutil.copy2(report.text_path, s.dir / "all-held-report.txt")

    # Apexer's own run right afterwards completes as usual.
    run = s.run_apexer(timeout=120)
    assert run.exit_code == 0, "Apexer's exit code after the check"
    assert checks.check_ranges(s) > 0, "Apexer combined nothing after the check"
    run_record.check_record(s)


def test_record_verifier_on_a_real_record(check_runs: Runs) -> None:
    """Two of Apexer's runs into one record: /record verifies it untouched, and finds an edited byte, a line
    taken out, a line put in and the two runs swapped, each at its line; a file it cannot read is refused."""
    s = started(check_runs, "check-record", faults={"IntegratorPeaks": 2})
    for _ in range(2):
        assert s.run_apexer(timeout=120).exit_code == 0, "Apexer's exit code"
    record = (s.app_dir / "Apexer.log").read_bytes()
    lines = record.split(b"\r\n")[:-1]
    starts = [i for i, line in enumerate(lines) if b"  run  " in line]
    assert len(starts) == 2, f"runs in the record: {starts}"
    second = starts[1]
    edited = record.replace(b"peaks found 2", b"peaks found 3", 1)
    cases = {
        "untouched": (record, 0, "verifies"),
        "byte": (edited, 1, "line 2 does not fit"),
        "line-out": (b"".join(line + b"\r\n" for i, line in enumerate(lines) if i != 3), 1, "line 4 does not fit"),
        "line-in": (b"".join(line + b"\r\n" for line in lines[:3] + lines[1:2] + lines[3:]), 1, "line 4 does not fit"),
        "swapped": (b"".join(line + b"\r\n" for line in lines[second:] + lines[:second]), 1,
                    "line 1 starts the record but follows"),
    }
    seen = {}
    for name, (data, code, words) in cases.items():
        path = s.dir / f"record-{name}.log"
        path.write_bytes(data)
        result = s.run_check("/record", h.winpath(path), "/quiet", timeout=120)
        seen[name] = result.stdout.strip()
        assert result.exit_code == code and words in result.stdout, f"{name}: {result.exit_code} {result.stdout!r}"
    missing = s.run_check("/record", h.winpath(s.dir / "no-such.log"), "/quiet", timeout=120)
    assert missing.exit_code == 3, f"an unreadable record: {missing.exit_code}"
    check_runs.measured.update(verifier=seen)


def test_full_combines_once_prints_one_page_and_puts_replace_back(check_runs: Runs) -> None:
    s = started(check_runs, "check-full", replace="TRUE")
    result = s.run_check("/quiet", "/full")
    assert result.exit_code == 0, f"exit code; {result.stdout}"
    report = read_report(s.app_dir)
    check_consistent(report)
    assert report.verdict == "ALL HELD"
    assert len(s.events("dialog.ok")) == 1 and len(s.events("combine")) == 1, "one combine"
    assert [e["replaceSetting"] for e in s.events("combine")] == ["FALSE"], "Replace while combining"
    assert len([e for e in s.events("print") if e.get("ok")]) == 1 and len(s.pages_printed()) == 1, "one page"
    assert checks.replace_value(s) == "TRUE", "Replace put back"
    assert checks.check_ranges(s) == 1, "the range of the first peak"
    no_window_left(s)
    assert report.row('"Replace" is put back').verdict == "held"
    check_runs.measured.update(full_s=round(result.wall_s, 1))
    shutil.copy2(report.text_path, s.dir / "full-report.txt")


@pytest.mark.parametrize("host, missing", [
    pytest.param("none", "no host is running", id="no_host_running"),
    pytest.param("no-sample", "the host has no current sample", id="no_current_sample"),
])
def test_what_could_not_be_checked_is_named(check_runs: Runs, host: str, missing: str) -> None:
    s = started(check_runs, f"check-{host}", host=False)
    if host == "no-sample":
        s.host_log = open(s.dir / "host.log", "w")
        s.host = check_runs.env.popen([str(h.HOST_EXE)], stdout=s.host_log, stderr=h.subprocess.STDOUT)
        s.wait_journal(lambda e: e["ev"] == "window.opened" and e.get("role") == "main", 30, "the host")
    result = s.run_check("/quiet")
    assert result.exit_code == 2, f"exit code; {result.stdout}"
    report = read_report(s.app_dir)
    check_consistent(report)
    assert report.verdict == "INCOMPLETE" and "does not qualify" in report.text
    unchecked = [r for r in report.rows if r.verdict == "could not be checked"]
    assert unchecked and all(missing in r.details["Why not"] for r in unchecked), \
        [(r.assumption, r.details.get("Why not")) for r in unchecked]
    assert report.row("Apexer.exe is the file").verdict == "held", "the installation is still checked"
    assert report.row("The host settings file can be written").verdict == "held"
    host_untouched(s)



# Each way a host can differ that the stand-in plays: the rows that must differ; the rest hold or could not
# be checked because of them.
HOST_DIFFERENCES = [
    pytest.param({"DialogNeverOpens": 1}, ["Command 354 opens"], id="dialog_never_opens"),
    *[pytest.param({"DialogMissingField": f}, [f"The dialog has field {f}"], id=f"dialog_without_{f}")
      for f in (308, 310, 369, 176)],
    pytest.param({"ChromatogramNeverOpens": 1}, ["The launch command opens"], id="chromatogram_never_opens"),
    pytest.param({"ChromatogramTitle": "Chromatogram View"}, ["The launch command opens"],
                 id="chromatogram_under_another_title"),
    pytest.param({"CombineCommand": 355}, ["Command 354 opens"], id="dialog_on_another_command"),
    pytest.param({"CombineDialogTitle": "Combine Spectra"}, ["Command 354 opens"], id="dialog_under_another_title"),
]


@pytest.mark.parametrize("faults, differing", HOST_DIFFERENCES)
def test_a_host_that_differs_is_named_where_it_differs(check_runs: Runs, faults: dict, differing: list[str]) -> None:
    s = started(check_runs, "check-" + "-".join(f"{k}-{v}" for k, v in faults.items()).lower(), faults=faults)
    before = s.host_ini.read_bytes()
    result = s.run_check("/quiet")
    assert result.exit_code == 1, f"exit code; {result.stdout}"
    report = read_report(s.app_dir)
    check_consistent(report)
    assert [r.assumption for r in report.rows if r.verdict == "differs"] == \
        [report.row(d).assumption for d in differing]
    for r in report.rows:
        if r.verdict == "could not be checked":
            assert "which differs" in r.details["Why not"], f"{r.assumption}: {r.details['Why not']}"
    for d in differing:
        assert report.row(d).details.get("Seen"), "what was seen instead"
    host_untouched(s)
    no_window_left(s)
    assert s.host_ini.read_bytes() == before
    if faults == {"DialogMissingField": 310}:
        shutil.copy2(report.text_path, s.dir / "difference-report.txt")


def test_a_host_that_does_not_answer_never_hangs_the_check(check_runs: Runs) -> None:
    s = started(check_runs, "check-host-hangs", faults={"HostHangs": 1})
    result = s.run_check("/quiet", timeout=300)
    s.end_host()
    assert result.exit_code == 2, f"exit code; {result.stdout}"
    report = read_report(s.app_dir)
    check_consistent(report)
    assert any("the host does not respond" in r.details.get("Why not", "") for r in report.rows)
    assert report.row("The host settings file can be written").verdict == "held"
    check_runs.measured.update(hung_host_s=round(result.wall_s, 1))


def test_a_combine_that_never_ends_is_stopped_by_the_watchdog(check_runs: Runs) -> None:
    """/full against a host whose "Spectrum Combine" never goes: Apexer's own wait for it has no limit, so the
    watchdog stops the checking thread once the row's budget is spent, puts "Replace" back and still writes
    the report and the exit code."""
    s = started(check_runs, "check-combine-never-ends", faults={"CombineWindowStays": 1}, replace="TRUE")
    result = s.run_check("/quiet", "/full", timeout=400)
    assert result.exit_code == 2, f"exit code; {result.stdout}"
    report = read_report(s.app_dir)
    check_consistent(report)
    assert "The check was ended early:" in report.text
    combine = report.row("One combine at the first peak's apex")
    assert combine.verdict == "could not be checked" and "did not finish within 90 s" in combine.details["Why not"]
    assert checks.replace_value(s) == "TRUE", "Replace put back by the watchdog"
    assert any(c.startswith("undone: written back as \"TRUE\"") for c in report.changes), report.changes
    check_runs.measured.update(watchdog_s=round(result.wall_s, 1))


def library_that_differs(dll: str, how: str) -> Path:
    """The stand-in's library one export short, or of the other width."""
    return h.short_library(dll)[0] if how == "short" else h.other_arch_library(dll)


@pytest.mark.parametrize("library", ["Iv_vb32.dll", "ivraw32.dll", "ivpeak32.dll"])
@pytest.mark.parametrize("how", ["short", "other_width"])
def test_libraries_that_differ(check_runs: Runs, library: str, how: str) -> None:
    replacement = library_that_differs(library, how)
    s = started(check_runs, f"check-library-{how}-{library}")
    shutil.copy2(replacement, s.app_dir / library)
    result = s.run_check("/quiet")
    assert result.exit_code == 1, f"exit code; {result.stdout}"
    report = read_report(s.app_dir)
    check_consistent(report)
    first = f"{library} exports" if how == "short" else f"{library} is where Apexer loads it from"
    assert report.with_verdict("differs") == [report.row(first).assumption,
                                              report.row(f"{library} is bound").assumption]
    bound = report.row(f"{library} is bound").details["Seen"]
    assert f"Apexer would stop with run-time error {453 if how == 'short' else 48}" in bound, bound
    for r in report.rows:
        if r.verdict == "could not be checked":
            assert "which differs" in r.details["Why not"], f"{r.assumption}: {r.details['Why not']}"
    host_untouched(s)


@pytest.mark.parametrize("args, message", [
    pytest.param(["/quiet", "/fast"], '"/fast" is not one of its options', id="unknown_option"),
    pytest.param(["/quiet", "/report"], "/report needs a folder", id="report_without_folder"),
    pytest.param(["/quiet", "/full", "/full"], "/full is given twice", id="option_twice"),
])
def test_a_command_line_it_cannot_read_gets_exit_code_3(check_runs: Runs, args: list[str], message: str) -> None:
    s = started(check_runs, "check-command-line-" + args[-1].strip("/"), host=False)
    result = s.run_check(*args, timeout=120)
    assert result.exit_code == 3
    assert f"Apexer Check cannot read its command line: {message}." in result.stderr, result.stderr
    assert "Use: ApexerCheck [/quiet] [/full] [/report FOLDER]" in result.stderr
    said = list(s.app_dir.glob("ApexerCheck-*-command-line.txt"))
    assert len(said) == 1 and message in said[0].read_text(), "the message beside the program"
    assert reports_in(s.app_dir) == [], "no check ran"


def test_without_quiet_the_message_is_a_box(check_runs: Runs) -> None:
    s = started(check_runs, "check-command-line-box", host=False)
    box: dict = {}

    def read(session: h.Session, proc) -> None:
        box["text"] = session.env.driver("message-box", "Apexer Check", "60000", timeout=90)

    result = s.run_check("/bogus", timeout=120, during=read)
    assert result.exit_code == 3
    assert 'Apexer Check cannot read its command line: "/bogus" is not one of its options.' in box["text"]


def test_the_window_shows_each_check_then_the_verdict(check_runs: Runs) -> None:
    s = started(check_runs, "check-window")
    report_dir = s.dir / "reports"
    shutil.rmtree(report_dir, ignore_errors=True)
    report_dir.mkdir()

    def watch(session: h.Session, proc) -> None:
        hwnd = session.find_window("Apexer Check", 60000)
        assert hwnd, "the check's window"
        deadline = time.monotonic() + 300
        while not reports_in(report_dir) and time.monotonic() < deadline:
            time.sleep(0.2)
        verdict = h.sample_until(lambda: session.env.driver("controls", hwnd),
                                 lambda text: "Verdict: all held" in text)
        assert "Verdict: all held" in verdict, verdict
        session.env.screenshot(session.shots / "check-window.png")
        session.env.driver("close", hwnd)

    result = s.run_check("/report", h.winpath(report_dir), during=watch, timeout=400)
    assert result.exit_code == 0
    report = read_report(report_dir)
    assert report.verdict == "ALL HELD"
    assert reports_in(s.app_dir) == [], "/report: nothing beside the program"


def damaged_signature(signed_file: bytes) -> bytes:
    """A byte of the signer's own signature value changed: the last element of the signature, ahead of the
    table's padding."""
    pe = int.from_bytes(signed_file[0x3C:0x40], "little")
    optional = pe + 24
    directories = optional + (112 if int.from_bytes(signed_file[optional:optional + 2], "little") == 0x20B else 96)
    table = int.from_bytes(signed_file[directories + 32:directories + 36], "little")
    length = int.from_bytes(signed_file[table:table + 4], "little")
    data = bytearray(signed_file)
    data[table + length - 10] ^= 0x01
    return bytes(data)


# How Apexer.exe is made beside a signed ApexerCheck.exe: the rows on its image and on its signature.
SIGNATURES = [
    pytest.param("trusted", "held", "held", 'its certificate chain ends in "Apexer Test CA", a root this computer '
                 "trusts", id="signed_and_trusted"),
    pytest.param("stamped", "held", "held", "time-stamped; the signed image SHA-256 is the file's own",
                 id="signed_and_time_stamped"),
    pytest.param("unsigned", "held", "could not be checked", "it carries no signature, so nothing shows who made it",
                 id="unsigned_development_build"),
    pytest.param("untrusted", "held", "differs", "but its certificate chain is not trusted on this computer: "
                 "CERT_E_UNTRUSTEDROOT", id="signed_under_an_untrusted_root"),
    pytest.param("changed", "differs", "differs", "the signature does not match the file, which was changed after "
                 "it was signed", id="signed_then_changed"),
    pytest.param("damaged", "held", "differs", "but Windows does not accept the signature", id="signature_damaged"),
]


@pytest.mark.parametrize("how, image, signature, says", SIGNATURES)
def test_the_signature_of_apexers_files(check_runs: Runs, how: str, image: str, signature: str, says: str) -> None:
    s = started(check_runs, f"check-signature-{how}", host=False)
    program = s.app_dir / "Apexer.exe"
    built, signed_file = h.APEXER_EXE.read_bytes(), program.read_bytes()
    if how == "unsigned":
        program.write_bytes(built)
    elif how == "untrusted":
        signing.self_signed(s.dir / "self-signed", h.APEXER_EXE, program)
    elif how == "changed":
        data = bytearray(signed_file)
        data[len(built) // 2] ^= 0x01
        program.write_bytes(bytes(data))
    elif how == "damaged":
        program.write_bytes(damaged_signature(signed_file))
    elif how == "stamped":
        authority = check_runs.signed["authority"]
        with signing.TimestampServer(authority) as tsa:
            authority.sign(h.APEXER_EXE, program, timestamp=tsa.url)
    result = s.run_check("/quiet")
    report = read_report(s.app_dir)
    check_consistent(report)
    assert report.row("Apexer.exe is the file this release built").verdict == image
    row = report.row("Apexer.exe carries a valid signature")
    assert row.verdict == signature, row.details
    said = row.details.get("Seen", "") + " / " + row.details.get("Why not", "")
    assert says in said, said
    check = report.row("ApexerCheck.exe carries a valid signature")
    assert check.verdict == "held", check.details
    assert result.exit_code == (1 if "differs" in (image, signature) else 2), "no host runs: incomplete at best"
    if how == "trusted":
        shutil.copy2(report.text_path, s.dir / "signed-report.txt")
