#!/usr/bin/env python3
"""Packs a Windows build of Apexer: an MSI (wixl), a zip archive of the same files, and their SHA-256 sums.

    release.py --build DIR [--arch i686|x86_64] [--out DIR] [--as-version X.Y.Z]

The version is the one in Apexer.exe's own version resource. --as-version packs the same files under
another version; the installer checks use it to have a "next version" to upgrade to.
"""
from __future__ import annotations

import argparse
import hashlib
import html.parser
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
GUIDE = ROOT / "docs" / "user-guide.html"
WXS = ROOT / "packaging" / "apexer.wxs"
# A lab's first settings: the total ion current. Written with CRLF, as Windows writes profile files.
DEFAULT_INI = "\r\n".join([
    "; Apexer settings. Every key is described in the Apexer Guide.",
    "[Combine]",
    "ChroDesc=TIC",
    "[SpecPrint]",
    "PrintMode=0",
    "",
])
# Fixed so that the guide's component keeps its identity from one version to the next.
GUIDE_COMPONENT_GUID = "9A3F5B12-7C6E-4D08-B1A4-2E8C0F6D5B93"
# Windows Installer component attributes that wixl cannot write: the settings file is laid down only where
# none exists, and stays on uninstall and upgrade.
NEVER_OVERWRITE, PERMANENT = 0x80, 0x10


class ReleaseError(RuntimeError):
    pass


def resource_version(exe: Path) -> str:
    """The file version in the program's VS_FIXEDFILEINFO, as MSI wants it (three parts, a fourth if set)."""
    data = exe.read_bytes()
    # The fixed part's signature, then its structure version 1.0.
    at = data.find(struct.pack("<II", 0xFEEF04BD, 0x00010000))
    if at < 0:
        raise ReleaseError(f"{exe} carries no version resource")
    ms, ls = struct.unpack_from("<II", data, at + 8)
    parts = [ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF]
    if parts[3] == 0:
        parts = parts[:3]
    return ".".join(str(p) for p in parts)


class _Images(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.sources: list[str] = []

    def handle_starttag(self, tag, attrs):
        if tag == "img":
            self.sources += [v for k, v in attrs if k == "src" and v]


def guide_files() -> list[Path]:
    """The guide and every picture it shows (pictures beside it in docs/)."""
    parser = _Images()
    parser.feed(GUIDE.read_text(encoding="utf-8"))
    files = [GUIDE]
    for src in dict.fromkeys(parser.sources):
        picture = (GUIDE.parent / src).resolve()
        if picture.parent != GUIDE.parent.resolve() or not picture.is_file():
            raise ReleaseError(f"the guide shows {src}, which is not a file beside it in docs/")
        files.append(picture)
    return files


def stage(build: Path, into: Path) -> list[tuple[Path, str]]:
    """Lays out the files to ship; returns (file, name inside the package), in the order listed."""
    exe = build / "src" / "Apexer.exe"
    if not exe.is_file():
        raise ReleaseError(f"{exe} is not built")
    into.mkdir(parents=True)
    shutil.copy2(exe, into / "Apexer.exe")
    check = build / "src" / "ApexerCheck.exe"
    if not check.is_file():
        raise ReleaseError(f"{check} is not built")
    shutil.copy2(check, into / "ApexerCheck.exe")
    (into / "Apexer.INI").write_bytes(DEFAULT_INI.encode("ascii"))
    guide_dir = into / "Apexer Guide"
    guide_dir.mkdir()
    for f in guide_files():
        shutil.copy2(f, guide_dir / ("index.html" if f == GUIDE else f.name))
    shipped = [(into / "Apexer.exe", "Apexer.exe"), (into / "ApexerCheck.exe", "ApexerCheck.exe"),
               (into / "Apexer.INI", "Apexer.INI")]
    shipped += [(p, f"Apexer Guide/{p.name}") for p in sorted(guide_dir.iterdir())]
    return shipped


def guide_component(stage_dir: Path, win64: str) -> str:
    lines = [f'<Component Id="Guide" Guid="{GUIDE_COMPONENT_GUID}" Win64="{win64}">']
    for i, p in enumerate(sorted((stage_dir / "Apexer Guide").iterdir())):
        key = ' KeyPath="yes"' if p.name == "index.html" else ""
        lines.append(f'  <File Id="Guide{i}" Name="{p.name}" Source="$(var.Stage)/Apexer Guide/{p.name}"{key}/>')
    lines.append("</Component>")
    return "\n      ".join(lines)


def build_msi(stage_dir: Path, version: str, arch: str, out: Path) -> None:
    platform = "x64" if arch == "x86_64" else "x86"
    wxs = stage_dir.parent / "apexer.wxs"
    text = WXS.read_text(encoding="utf-8").replace(
        "@GUIDE_COMPONENTS@", guide_component(stage_dir, "yes" if platform == "x64" else "no"))
    wxs.write_text(text, encoding="utf-8")
    if shutil.which("wixl") is None:
        raise ReleaseError("wixl is missing: install it with ./scripts/setup (package wixl)")
    done = subprocess.run(["wixl", "-a", platform, "-D", f"Version={version}", "-D", f"Platform={platform}",
                           "-D", f"Stage={stage_dir.name}", "-o", str(out.resolve()), wxs.name],
                          cwd=wxs.parent, capture_output=True, text=True)
    if done.returncode != 0 or not out.is_file():
        raise ReleaseError(f"wixl failed: {done.stderr.strip() or done.stdout.strip()}")
    keep = component_attributes(out, "Settings") | NEVER_OVERWRITE | PERMANENT
    done = subprocess.run(["msibuild", str(out), "-q",
                           f"UPDATE `Component` SET `Attributes` = {keep} WHERE `Component` = 'Settings'"],
                          capture_output=True, text=True)
    if done.returncode != 0 or component_attributes(out, "Settings") != keep:
        raise ReleaseError(f"msibuild could not mark the settings file to be kept: {done.stderr.strip()}")


def component_attributes(msi: Path, component: str) -> int:
    done = subprocess.run(["msiinfo", "export", str(msi), "Component"], capture_output=True, text=True)
    for row in done.stdout.splitlines()[3:]:
        cells = row.split("\t")
        if cells[0] == component:
            return int(cells[3])
    raise ReleaseError(f"the package has no component {component}")


def build_zip(shipped: list[tuple[Path, str]], top: str, out: Path) -> None:
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        for path, name in shipped:
            z.write(path, f"{top}/{name}")


def sha256(path: Path) -> str:
    h = hashlib.sha256()
    with path.open("rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            h.update(block)
    return h.hexdigest()


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", type=Path, required=True, help="the Windows build folder (build/mingw-i686)")
    parser.add_argument("--arch", choices=("i686", "x86_64"), default="i686")
    parser.add_argument("--out", type=Path, default=ROOT / "dist")
    parser.add_argument("--as-version", default=None)
    args = parser.parse_args()
    try:
        version = args.as_version or resource_version(args.build / "src" / "Apexer.exe")
        if not re.fullmatch(r"\d+\.\d+\.\d+(\.\d+)?", version):
            raise ReleaseError(f"'{version}' is not a version MSI accepts (major.minor.build)")
        args.out.mkdir(parents=True, exist_ok=True)
        name = f"Apexer-{version}-{args.arch}"
        with tempfile.TemporaryDirectory() as tmp:
            stage_dir = Path(tmp) / name
            shipped = stage(args.build, stage_dir)
            msi, archive = args.out / f"{name}.msi", args.out / f"{name}.zip"
            build_msi(stage_dir, version, args.arch, msi)
            build_zip(shipped, name, archive)
            sums = args.out / f"{name}.sha256"
            sums.write_text("".join(f"{sha256(p)}  {p.name}\n" for p in (msi, archive)))
            print(f"Apexer {version} ({args.arch}) in {args.out}:")
            for p in (msi, archive, sums):
                print(f"  {p.name:32} {p.stat().st_size:>9} bytes")
            print("  contents:")
            for path, inside in shipped:
                print(f"    {inside:30} {path.stat().st_size:>9} bytes")
    except ReleaseError as e:
        print(f"release: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
