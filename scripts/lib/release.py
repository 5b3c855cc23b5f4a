#!/usr/bin/env python3
"""Packs a Windows build of Apexer: an MSI (wixl), a zip archive of the same files, and their SHA-256 sums.

    release.py --build DIR [--arch i686|x86_64] [--out DIR] [--as-version X.Y.Z]
               [--sign FILE.p12 | --sign pkcs11:URI --pkcs11-module LIB --certs CHAIN.pem [--pkcs11-engine LIB]]
               [--timestamp URL]

The version is the one in Apexer.exe's own version resource. --as-version packs the same files under
another version; the installer checks use it to have a "next version" to upgrade to.

--sign signs Apexer.exe and ApexerCheck.exe (Authenticode, SHA-256, with osslsigncode) before they are
packed, then the MSI once its tables are final. The key is a PKCS#12 file, or a private key on a PKCS#11
token named by its URI, with the token's library and the signer's certificate chain. The PKCS#12 file's
password, or the token's PIN, comes from the environment variable APEXER_SIGN_PASSWORD (unset: empty); it
never appears on a command line. --timestamp has each signature time-stamped by that RFC 3161 server. A
release made without --sign says so in its output and in its sums file.
"""
from __future__ import annotations

import argparse
import hashlib
import html.parser
import os
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


SIGN_PASSWORD = "APEXER_SIGN_PASSWORD"
# What Windows shows as the signed program's name (the UAC prompt, the installer's dialog).
SIGNED_NAMES = {"Apexer.exe": "Apexer", "ApexerCheck.exe": "Apexer Check"}


class ReleaseError(RuntimeError):
    pass


def _run(args: list[str], what: str, **kwargs) -> subprocess.CompletedProcess:
    try:
        return subprocess.run(args, capture_output=True, text=True, timeout=300, **kwargs)
    except FileNotFoundError:
        raise ReleaseError(f"{args[0]} is missing: install it with ./scripts/setup ({what})") from None
    except subprocess.TimeoutExpired:
        raise ReleaseError(f"{args[0]} did not finish within 300 s ({what})") from None


def _said(done: subprocess.CompletedProcess) -> str:
    lines = [line.strip() for line in (done.stderr + done.stdout).splitlines() if line.strip()]
    return "; ".join(lines[-4:]) or f"exit code {done.returncode}"


def _certificate_facts(pem: str) -> dict[str, str] | None:
    """Subject, issuer and end of validity of the first certificate in the text."""
    done = _run(["openssl", "x509", "-noout", "-subject", "-issuer", "-enddate", "-nameopt", "oneline,-space_eq"],
                "openssl", input=pem)
    if done.returncode != 0:
        return None
    facts = dict(line.split("=", 1) for line in done.stdout.splitlines() if "=" in line)
    return {k: facts.get(k, "?").strip() for k in ("subject", "issuer", "notAfter")}


class Signer:
    """Signs files in place with osslsigncode: Authenticode, SHA-256, the key from a PKCS#12 file or a
    PKCS#11 token, optionally time-stamped (RFC 3161)."""

    def __init__(self, key: str, certs: Path | None, module: Path | None, engine: Path | None,
                 timestamp: str | None, password: str, work: Path):
        self.key, self.certs, self.module, self.engine = key, certs, module, engine
        self.timestamp = timestamp
        self.token = key.startswith("pkcs11:")
        self.work = work
        self._password = password
        self._password_file: Path | None = None
        if password:
            # Handed over in a file only this user can read, so that no process list shows it.
            self._password_file = work / "sign-password"
            fd = os.open(self._password_file, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o600)
            with os.fdopen(fd, "w") as f:
                f.write(password)
        self.signer = self._read_signer()

    @classmethod
    def from_args(cls, args: argparse.Namespace, work: Path) -> "Signer | None":
        token_options = [name for name, value in (("--pkcs11-module", args.pkcs11_module), ("--certs", args.certs),
                                                  ("--pkcs11-engine", args.pkcs11_engine)) if value]
        if args.sign is None:
            if args.timestamp or token_options:
                given = "--timestamp" if args.timestamp else token_options[0]
                raise ReleaseError(f"{given} goes with --sign: nothing would be signed")
            return None
        if args.sign.startswith("pkcs11:"):
            for option, value in (("--pkcs11-module", args.pkcs11_module), ("--certs", args.certs)):
                if not value:
                    raise ReleaseError(f"--sign with a PKCS#11 token needs {option}"
                                       + (" (the token's library)" if option == "--pkcs11-module"
                                          else " (the signer's certificate and its chain, PEM)"))
            for option, path in (("--pkcs11-module", args.pkcs11_module), ("--certs", args.certs),
                                 ("--pkcs11-engine", args.pkcs11_engine)):
                if path and not path.is_file():
                    raise ReleaseError(f"{option} {path}: no such file")
        else:
            if token_options:
                raise ReleaseError(f"{token_options[0]} goes with a PKCS#11 token (--sign pkcs11:...); "
                                   "a PKCS#12 file carries its own certificates")
            if not Path(args.sign).is_file():
                raise ReleaseError(f"--sign {args.sign}: no such file (a PKCS#12 file, or a pkcs11: URI)")
        if args.timestamp and not re.fullmatch(r"https?://\S+", args.timestamp):
            raise ReleaseError(f"--timestamp {args.timestamp}: an http:// or https:// address of an RFC 3161 server")
        if shutil.which("osslsigncode") is None:
            raise ReleaseError("osslsigncode is missing: install it with ./scripts/setup (package osslsigncode)")
        return cls(args.sign, args.certs, args.pkcs11_module, args.pkcs11_engine, args.timestamp,
                   os.environ.get(SIGN_PASSWORD, ""), work)

    def _read_signer(self) -> str:
        """The signer's certificate as "subject (issued by issuer, valid until date)"; reading it also
        proves the password before anything is built."""
        if self.token:
            facts = self._chain_end()
        else:
            password = f"file:{self._password_file}" if self._password_file else "pass:"
            done = _run(["openssl", "pkcs12", "-in", self.key, "-clcerts", "-nokeys", "-passin", password], "openssl")
            if done.returncode != 0:
                raise ReleaseError(f"--sign {self.key} cannot be opened with the password in {SIGN_PASSWORD} "
                                   f"({'set' if self._password_file else 'empty'}): {_said(done)}")
            facts = _certificate_facts(done.stdout)
            if facts is None:
                raise ReleaseError(f"--sign {self.key} holds no certificate for its key")
        return f"{facts['subject']} (issued by {facts['issuer']}, valid until {facts['notAfter']})"

    def _chain_end(self) -> dict[str, str]:
        """Of the certificates in --certs, the one that issued none of the others: the signer's."""
        text = self.certs.read_text(errors="replace")
        blocks = re.findall(r"-----BEGIN CERTIFICATE-----.*?-----END CERTIFICATE-----", text, re.S)
        certificates = [facts for facts in map(_certificate_facts, blocks) if facts]
        if not certificates:
            raise ReleaseError(f"--certs {self.certs}: no certificate can be read from it (PEM)")
        issuers = {c["issuer"] for c in certificates if c["issuer"] != c["subject"]}
        ends = [c for c in certificates if c["subject"] not in issuers]
        if len(ends) != 1:
            raise ReleaseError(f"--certs {self.certs}: the signer's certificate cannot be told from its chain "
                               f"({len(ends)} certificates issue none of the others)")
        return ends[0]

    def sign(self, path: Path, name: str) -> None:
        signed = path.with_name(path.name + ".signed")
        args = ["osslsigncode", "sign", "-h", "sha256", "-n", name]
        if path.suffix == ".msi":
            # The extended signature covers the package's structure too, not only its streams' contents.
            args.append("-add-msi-dse")
        if self.token:
            args += ["-pkcs11module", str(self.module), "-certs", str(self.certs), "-key", self.key]
            if self.engine:
                args += ["-pkcs11engine", str(self.engine)]
        else:
            args += ["-pkcs12", self.key]
        args += ["-readpass", str(self._password_file)] if self._password_file else ["-pass", ""]
        if self.timestamp:
            args += ["-ts", self.timestamp]
        done = _run(args + ["-in", str(path), "-out", str(signed)], "osslsigncode")
        if done.returncode != 0 or not signed.is_file():
            stamp = f" or the time-stamp server {self.timestamp} did not answer" if self.timestamp else ""
            raise ReleaseError(f"osslsigncode could not sign {path.name} (the key{stamp}): {_said(done)}")
        os.replace(signed, path)

    def statement(self) -> list[str]:
        stamped = (f"time-stamped by {self.timestamp} (RFC 3161)" if self.timestamp
                   else "not time-stamped: the signatures are valid only while the certificate is")
        return ["Signed: Apexer.exe, ApexerCheck.exe and the MSI carry an Authenticode signature (SHA-256) by",
                f"  {self.signer};",
                f"  {stamped}."]


UNSIGNED_STATEMENT = [
    "NOT SIGNED: Apexer.exe, ApexerCheck.exe and the MSI carry no code signature, so nothing shows who made",
    "  them and Windows names no publisher. A laboratory that installs only signed software must not deploy it.",
]


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
    parser.add_argument("--sign", metavar="FILE.p12|pkcs11:URI", default=None,
                        help=f"sign with this PKCS#12 file or PKCS#11 key (password or PIN: ${SIGN_PASSWORD})")
    parser.add_argument("--pkcs11-module", type=Path, default=None, help="with a token: its PKCS#11 library")
    parser.add_argument("--certs", type=Path, default=None,
                        help="with a token: the signer's certificate first, then its chain (PEM)")
    parser.add_argument("--pkcs11-engine", type=Path, default=None,
                        help="with a token: the OpenSSL PKCS#11 engine, when not the installed one")
    parser.add_argument("--timestamp", metavar="URL", default=None, help="an RFC 3161 time-stamp server")
    args = parser.parse_args()
    try:
        version = args.as_version or resource_version(args.build / "src" / "Apexer.exe")
        if not re.fullmatch(r"\d+\.\d+\.\d+(\.\d+)?", version):
            raise ReleaseError(f"'{version}' is not a version MSI accepts (major.minor.build)")
        name = f"Apexer-{version}-{args.arch}"
        with tempfile.TemporaryDirectory() as tmp:
            signer = Signer.from_args(args, Path(tmp))
            stage_dir = Path(tmp) / name
            shipped = stage(args.build, stage_dir)
            if signer:
                for program in SIGNED_NAMES:
                    signer.sign(stage_dir / program, SIGNED_NAMES[program])
            # Made aside and moved into place at the end, so a release that fails leaves nothing half-made.
            made = Path(tmp) / "made"
            made.mkdir()
            msi, archive, sums = (made / f"{name}{suffix}" for suffix in (".msi", ".zip", ".sha256"))
            build_msi(stage_dir, version, args.arch, msi)
            if signer:
                signer.sign(msi, f"Apexer {version} installer")
            build_zip(shipped, name, archive)
            statement = signer.statement() if signer else UNSIGNED_STATEMENT
            sums.write_text(f"# Apexer {version} ({args.arch}): SHA-256 sums, for sha256sum -c\n"
                            + "".join(f"# {line}\n" for line in statement)
                            + "".join(f"{sha256(p)}  {p.name}\n" for p in (msi, archive)))
            args.out.mkdir(parents=True, exist_ok=True)
            done = [Path(shutil.move(str(p), args.out / p.name)) for p in (msi, archive, sums)]
            print(f"Apexer {version} ({args.arch}) in {args.out}:")
            for p in done:
                print(f"  {p.name:32} {p.stat().st_size:>9} bytes")
            print("  contents:")
            for path, inside in shipped:
                print(f"    {inside:30} {path.stat().st_size:>9} bytes")
            for line in statement:
                print(line)
    except ReleaseError as e:
        print(f"release: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
