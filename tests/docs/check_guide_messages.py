"""What the program can show and what the user's guide says: test_guide_messages.py holds every text to
the guide (ctest `guide_messages`).

The texts are the string literals that reach an error (AppError, RaiseAppError, ReportUncaughtError), the
error box (MessageBoxA) or the status window (SetStatusText) in src/, or a function of src/ that hands its
arguments on to one of those: written there directly, through a named constant, or built by a function of
src/ whose literals are then taken. A text built from pieces must
have each piece (of three characters or more) in the guide; the guide is read as its words, with tags and
entities resolved and runs of white space made one space.
"""
from __future__ import annotations

import html
import html.parser
import re
from pathlib import Path

SHOWN_BY = ["AppError", "RaiseAppError", "ReportUncaughtError", "MessageBoxA", "SetStatusText"]
LITERAL = re.compile(r'"((?:[^"\\\n]|\\.)*)"')
CONSTANT = re.compile(r'\b(k[A-Z]\w*)\s*=\s*"((?:[^"\\\n]|\\.)*)"')
FUNCTION = re.compile(r"\bstd::string\s+(\w+)\s*\([^;{)]*\)\s*(?:const\s*)?\{")
PROCEDURE = re.compile(r"\bvoid\s+(\w+)\s*\([^;{)]*\)\s*(?:const\s*)?(?:noexcept\s*)?\{")
IDENTIFIER = re.compile(r"\b([A-Za-z_]\w*)\b(\s*\()?")
SHORTEST = 3


def unescape_c(text: str) -> str:
    out, i = [], 0
    while i < len(text):
        c = text[i]
        if c != "\\":
            out.append(c)
            i += 1
            continue
        nxt = text[i + 1]
        if nxt == "x":
            m = re.match(r"[0-9A-Fa-f]+", text[i + 2:])
            out.append(bytes([int(m.group(0), 16) & 0xFF]).decode("cp1252", errors="replace"))
            i += 2 + len(m.group(0))
            continue
        out.append({"n": "\n", "r": "\r", "t": "\t", "0": "\0"}.get(nxt, nxt))
        i += 2
    return "".join(out)


def balanced(text: str, start: int, opening: str, closing: str) -> str:
    """The text from just after an opening bracket at `start - 1` to its matching closing one."""
    depth, i, in_string = 1, start, False
    while i < len(text) and depth:
        c = text[i]
        if in_string:
            if c == "\\":
                i += 1
            elif c == '"':
                in_string = False
        elif c == '"':
            in_string = True
        elif c == opening:
            depth += 1
        elif c == closing:
            depth -= 1
        i += 1
    return text[start:i - 1]


class Source:
    def __init__(self, root: Path):
        self.files = {p: p.read_text(errors="replace") for p in sorted(root.rglob("*")) if p.suffix in (".h", ".cpp")}
        self.constants: dict[str, list[str]] = {}
        self.functions: dict[str, list[str]] = {}
        procedures: dict[str, list[str]] = {}
        for text in self.files.values():
            for m in CONSTANT.finditer(text):
                self.constants.setdefault(m.group(1), []).append(m.group(2))
            for m in FUNCTION.finditer(text):
                self.functions.setdefault(m.group(1), []).append(balanced(text, m.end(), "{", "}"))
            for m in PROCEDURE.finditer(text):
                procedures.setdefault(m.group(1), []).append(balanced(text, m.end(), "{", "}"))
        # A procedure that passes its arguments on to a call that shows them shows them too.
        shown_by = list(SHOWN_BY)
        while True:
            sites = re.compile(r"\b(" + "|".join(shown_by) + r")\s*\(")
            more = [name for name, bodies in procedures.items()
                    if name not in shown_by and any(sites.search(body) for body in bodies)]
            if not more:
                break
            shown_by += more
        self.sites = sites

    def pieces(self, code: str, seen: set[str]) -> list[str]:
        """The literals an expression is built from, through constants and text-building functions."""
        found = [unescape_c(m.group(1)) for m in LITERAL.finditer(code)]
        without_literals = LITERAL.sub('""', code)
        for m in IDENTIFIER.finditer(without_literals):
            name, called = m.group(1), m.group(2)
            if name in seen:
                continue
            if not called and name in self.constants:
                seen.add(name)
                found += [unescape_c(v) for v in self.constants[name]]
            elif called and name in self.functions:
                seen.add(name)
                for body in self.functions[name]:
                    found += self.pieces(body, seen)
        return found

    def messages(self) -> list[tuple[str, str]]:
        """(where, piece) for every piece of every text shown."""
        out = []
        for path, text in self.files.items():
            for m in self.sites.finditer(text):
                line = text.count("\n", 0, m.start()) + 1
                for piece in self.pieces(balanced(text, m.end(), "(", ")"), set()):
                    piece = " ".join(piece.split())
                    if len(piece) >= SHORTEST:
                        out.append((f"{path.name}:{line}", piece))
        return out


class _Words(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.parts: list[str] = []

    def handle_data(self, data):
        self.parts.append(data)


def guide_words(path: Path) -> str:
    parser = _Words()
    parser.feed(path.read_text(encoding="utf-8"))
    return " ".join(html.unescape("".join(parser.parts)).split())

