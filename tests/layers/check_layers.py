"""Checks that every #include in src/, standin/ and shared/, in quotes or in angle brackets, runs down the layers of
docs/ARCHITECTURE.md, and that only the Win32 layers include the OS's headers. `check(root)` gives the
number of includes it read and each offending one: test_layers.py holds the repository to it (ctest
`layers`), test_check_layers.py holds the check to a small tree of its own (ctest `layers_check`).
"""
import re
from pathlib import Path

# Lowest first. A file may include from its own layer and from those listed before it in its tree.
# shared/ lies below both products; its Win32 part only below their Win32 layers.
SHARED = ("shared", ["shared/"])
SHARED_WIN32 = ("shared win32", ["shared/include/shared/win32/"])
SRC_LAYERS = [
    SHARED,
    ("seam", ["src/platform/"]),
    ("common", ["src/common/"]),
    ("settings", ["src/settings/"]),
    ("host", ["src/host/"]),
    ("automation", ["src/automation/"]),
    ("processing", ["src/processing/"]),
    ("shell", ["src/shell/"]),
    ("check", ["src/check/"]),
    SHARED_WIN32,
    ("win32 backend", ["src/win32/"]),
    ("win32 program", ["src/shell/win32/"]),
    ("check program", ["src/check/win32/"]),
]
STANDIN_LAYERS = [
    SHARED,
    ("data engine", ["standin/data/"]),
    SHARED_WIN32,
    ("bridge", ["standin/bridge/"]),
    ("libraries", ["standin/libs/"]),
    ("host application", ["standin/host/"]),
]
# Layers that may not include each other although one stands above the other. The Win32 backend stands
# beside the core above the seam: it reaches the seam and common/ only.
APART = {("host application", "libraries"), ("libraries", "host application")} | {
    ("win32 backend", core) for core in ("settings", "host", "automation", "processing", "shell", "check")} | {
    # The two programs stand side by side over the same core and backend.
    ("check program", "win32 program"), ("win32 program", "check program")}
WIN32_LAYERS = {"shared win32", "win32 backend", "win32 program", "check program", "bridge", "libraries", "host application"}
OS_HEADERS = re.compile(r"^(windows|winuser|winbase|commctrl|shellapi|objbase)\.h$", re.I)
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)
SEARCH = ["src", "standin", "standin/data/include", "shared/include"]


def layer_of(path, layers):
    best = None
    for rank, (name, prefixes) in enumerate(layers):
        for prefix in prefixes:
            if path.startswith(prefix) and (best is None or len(prefix) > best[2]):
                best = (rank, name, len(prefix))
    return best


def resolve(root, includer, name, bracket):
    # Angle brackets skip the includer's own folder, as the compiler does; the include folders are the same.
    bases = ([includer.parent] if bracket == '"' else []) + [root / s for s in SEARCH]
    for base in bases:
        candidate = (base / name).resolve()
        if candidate.is_file():
            return candidate.relative_to(root).as_posix()
    return None


def check(root):
    """(how many includes were read, each include against the layers) for the tree at root."""
    root = Path(root).resolve()
    problems = []
    checked = 0
    for tree, layers in (("shared", [SHARED, SHARED_WIN32]), ("src", SRC_LAYERS), ("standin", STANDIN_LAYERS)):
        for file in sorted((root / tree).rglob("*")):
            if file.suffix not in (".h", ".cpp", ".rc"):
                continue
            rel = file.relative_to(root).as_posix()
            own = layer_of(rel, layers)
            if own is None:
                continue  # tools and the like: not layered
            for bracket, name in INCLUDE.findall(file.read_text(errors="replace")):
                checked += 1
                shown = f"<{name}>" if bracket == "<" else f'"{name}"'
                target = resolve(root, file, name, bracket)
                if target is None:
                    if bracket == '"':
                        problems.append(f"{rel}: {shown} is not found")
                    elif OS_HEADERS.match(Path(name).name) and own[1] not in WIN32_LAYERS:
                        problems.append(f"{rel}: {shown} outside the Win32 layers")
                    continue  # a header of the compiler, the OS or a library
                theirs = layer_of(target, layers)
                if theirs is None:
                    problems.append(f"{rel}: {shown} reaches outside the layers of {tree}/")
                elif theirs[0] > own[0] or (own[1], theirs[1]) in APART:
                    problems.append(f"{rel} ({own[1]}): {shown} is in {theirs[1]}, above it or beside it")
    return checked, problems

