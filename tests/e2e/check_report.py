"""Reads the self-check's report back, both formats, and holds them to each other.

The plain text carries its own SHA-256 on its last line; the HTML carries the same rows with the same
verdicts.
"""
from __future__ import annotations

import hashlib
import html.parser
import re
from dataclasses import dataclass, field
from pathlib import Path

ROW = re.compile(r"^  (\d+)\. \[(held|differs|could not be checked)\] ([^:]+): (.+)$")
DETAIL = re.compile(r"^       (How|Expected|Seen|Why not): +(.*)$")
COUNTS = re.compile(r"^Checks planned: (\d+); run: (\d+); held: (\d+); differ: (\d+); could not be checked: (\d+)$")
DIGEST = "SHA-256 of this report above this line: "


@dataclass
class Row:
    number: int
    verdict: str
    group: str
    assumption: str
    details: dict[str, str] = field(default_factory=dict)


@dataclass
class Report:
    text_path: Path
    text: str
    verdict: str
    counts: dict[str, int]
    rows: list[Row]
    changes: list[str]
    html_verdicts: list[str]

    def row(self, starts: str) -> Row:
        found = [r for r in self.rows if r.assumption.startswith(starts)]
        assert len(found) == 1, f"rows starting {starts!r}: {[r.assumption for r in found]}"
        return found[0]

    def with_verdict(self, verdict: str) -> list[str]:
        return [r.assumption for r in self.rows if r.verdict == verdict]


class _HtmlRows(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.classes: list[str] = []

    def handle_starttag(self, tag, attrs):
        cls = dict(attrs).get("class")
        if tag == "tr" and cls:
            self.classes.append(cls)


def reports_in(folder: Path) -> list[Path]:
    return sorted(p for p in folder.glob("ApexerCheck-*.txt") if not p.name.endswith("-command-line.txt"))


def read_report(folder: Path) -> Report:
    """The one report in the folder, read back and checked for its own digest and its HTML twin."""
    found = reports_in(folder)
    assert len(found) == 1, f"reports in {folder}: {[p.name for p in found]}"
    path = found[0]
    raw = path.read_bytes()
    at = raw.rfind(DIGEST.encode())
    assert at > 0 and raw.endswith(b"\r\n"), "the report ends with its digest line"
    assert raw[at + len(DIGEST):].strip().decode() == hashlib.sha256(raw[:at]).hexdigest(), \
        "the report's own SHA-256 covers every byte before its last line"
    text = raw.decode("utf-8")
    lines = text.split("\r\n")
    verdict = next(line.removeprefix("Verdict: ") for line in lines if line.startswith("Verdict: "))
    counts_line = next(COUNTS.match(line) for line in lines if COUNTS.match(line))
    counts = dict(zip(("planned", "run", "held", "differ", "not_checked"), map(int, counts_line.groups())))
    rows: list[Row] = []
    changes: list[str] = []
    section = ""
    for line in lines:
        if line in ("Checks", "Changes the check made, and their undoing", "Signatures"):
            section = line
            continue
        if section == "Checks" and (m := ROW.match(line)):
            rows.append(Row(int(m.group(1)), m.group(2), m.group(3), m.group(4)))
        elif section == "Checks" and (m := DETAIL.match(line)) and rows:
            rows[-1].details[m.group(1)] = m.group(2)
        elif section.startswith("Changes") and line.startswith("       "):
            changes.append(line.strip())
    parser = _HtmlRows()
    parser.feed(path.with_suffix(".html").read_text(encoding="utf-8"))
    html_verdicts = [c for c in parser.classes if c in ("held", "differs", "unchecked")]
    return Report(path, text, verdict, counts, rows, changes, html_verdicts)


def check_consistent(report: Report) -> None:
    """Counts, verdict and both formats agree with the rows."""
    verdicts = [r.verdict for r in report.rows]
    assert report.counts["planned"] == len(report.rows), "planned against the rows listed"
    assert report.counts["held"] == verdicts.count("held")
    assert report.counts["differ"] == verdicts.count("differs")
    assert report.counts["not_checked"] == verdicts.count("could not be checked")
    as_html = {"held": "held", "differs": "differs", "could not be checked": "unchecked"}
    assert report.html_verdicts == [as_html[v] for v in verdicts], "the HTML's rows against the text's"
    expected = ("DIFFERENCES FOUND" if "differs" in verdicts else
                "INCOMPLETE" if "could not be checked" in verdicts else "ALL HELD")
    assert report.verdict == expected, "the verdict against the rows"
    assert "Performed by:" in report.text and "Reviewed by:" in report.text, "the signature lines"
