"""The release, signed and unsigned, from the shipping i686 build: what scripts/lib/release.py writes, read
back with the tools a laboratory's IT has (osslsigncode, msitools, sha256sum). Needs no Wine.

    python3 -m pytest tests/e2e/test_release.py --out DIR

Signing material is made for the run and thrown away: a certificate authority and its code-signing
certificate (as a PKCS#12 file, and on a SoftHSM2 token), and a time-stamp server on 127.0.0.1.
"""
from __future__ import annotations

import os
import shutil
import socket
import subprocess
import sys
import tempfile
import zipfile
from pathlib import Path

import pytest

import harness as h
import signing

sys.path.insert(0, str(h.ROOT / "cmake"))
from file_manifest import image_digest  # noqa: E402

RELEASE = h.ROOT / "scripts" / "lib" / "release.py"
BUILD = h.ROOT / "build" / "mingw-i686"
PROGRAMS = ("Apexer.exe", "ApexerCheck.exe")
PASSWORD = "APEXER_SIGN_PASSWORD"


def release(out: Path, *args: str, password: str | None = None, env: dict | None = None) -> subprocess.CompletedProcess:
    environment = dict(env or os.environ)
    environment.pop(PASSWORD, None)
    if password is not None:
        environment[PASSWORD] = password
    return subprocess.run([sys.executable, str(RELEASE), "--build", str(BUILD), "--out", str(out), *args],
                          capture_output=True, text=True, timeout=300, env=environment)


def made(out: Path) -> tuple[Path, Path, Path]:
    msi = next(out.glob("Apexer-*-i686.msi"))
    return msi, msi.with_suffix(".zip"), msi.with_suffix(".sha256")


def programs_in(msi: Path) -> dict[str, bytes]:
    with tempfile.TemporaryDirectory() as tmp:
        subprocess.run(["msiextract", "-C", tmp, str(msi)], check=True, capture_output=True, timeout=120)
        return {name: (Path(tmp) / "Ionvane" / name).read_bytes() for name in PROGRAMS}


def programs_in_zip(archive: Path) -> dict[str, bytes]:
    with zipfile.ZipFile(archive) as z:
        return {name: z.read(f"{archive.stem}/{name}") for name in PROGRAMS}


def settings_kept(msi: Path) -> bool:
    rows = subprocess.run(["msiinfo", "export", str(msi), "Component"], capture_output=True, text=True,
                          timeout=60).stdout.splitlines()
    return any(r.startswith("Settings\t") and int(r.split("\t")[3]) & 0x90 == 0x90 for r in rows)


def sums_check(sums: Path) -> subprocess.CompletedProcess:
    return subprocess.run(["sha256sum", "--strict", "-c", sums.name], cwd=sums.parent, capture_output=True,
                          text=True, timeout=60)


def changed(path: Path, at: int) -> Path:
    data = bytearray(path.read_bytes())
    data[at] ^= 0x20
    out = path.with_name("changed-" + path.name)
    out.write_bytes(bytes(data))
    return out


@pytest.fixture(scope="module")
def authority(out: Path) -> signing.Authority:
    if not (BUILD / "src" / "Apexer.exe").is_file():
        pytest.fail(f"{BUILD} is not built: cmake --preset mingw-i686 && cmake --build --preset mingw-i686")
    folder = out / "authority"
    shutil.rmtree(folder, ignore_errors=True)
    return signing.Authority(folder)


def with_password(authority: signing.Authority, password: str) -> Path:
    p12 = authority.folder / "signer-with-password.p12"
    subprocess.run(["openssl", "pkcs12", "-export", "-inkey", str(authority.key), "-in", str(authority.cert),
                    "-certfile", str(authority.ca_pem), "-passout", "env:P", "-out", str(p12)],
                   check=True, capture_output=True, timeout=60, env=dict(os.environ, P=password))
    return p12


def check_signed(out: Path, authority: signing.Authority, stamped: bool) -> None:
    msi, archive, sums = made(out)
    inside = programs_in(msi)
    assert programs_in_zip(archive) == inside, "the zip carries the MSI's programs"
    verified = {}
    for name, data in inside.items():
        (out / name).write_bytes(data)
        done = authority.verify(out / name, tsa=stamped)
        assert done.returncode == 0, f"osslsigncode verify {name}: {done.stdout}{done.stderr}"
        assert image_digest(data) == image_digest((BUILD / "src" / name).read_bytes()), \
            f"{name}: the image the self-check's built-in sums hold it to"
        assert len(data) > (BUILD / "src" / name).stat().st_size, f"{name} carries its signature"
        verified[name] = done.stdout
    done = authority.verify(msi, tsa=stamped)
    assert done.returncode == 0, f"osslsigncode verify {msi.name}: {done.stdout}{done.stderr}"
    verified[msi.name] = done.stdout
    assert settings_kept(msi), "the tables were final before the MSI was signed"
    for text in verified.values():
        assert "Signature verification: ok" in text and signing.SIGNER_NAME in text
        assert ("Timestamp Server Signature verification: ok" in text) == stamped, text
    # A changed byte breaks each signature.
    for path, at in [(out / "Apexer.exe", 0x1000), (out / "ApexerCheck.exe", 0x1000),
                     (msi, msi.read_bytes().find(b"Apexer Guide"))]:
        done = authority.verify(changed(path, at), tsa=stamped)
        assert done.returncode != 0, f"{path.name} with a byte changed still verifies: {done.stdout}"
    assert "MsiDigitalSignatureEx stream doesn't exist" not in verified[msi.name], "the extended signature"
    (out.parent / f"{out.name}-msi-verify.txt").write_text(verified[msi.name])
    assert sums_check(sums).returncode == 0, sums_check(sums).stdout
    text = sums.read_text()
    assert f"# Signed: Apexer.exe, ApexerCheck.exe and the MSI" in text and signing.SIGNER_NAME in text, text
    assert "NOT SIGNED" not in text


def test_signed_with_a_pkcs12_file_and_an_empty_password(out: Path, authority: signing.Authority) -> None:
    dist = out / "signed-p12"
    shutil.rmtree(dist, ignore_errors=True)
    done = release(dist, "--sign", str(authority.p12))
    assert done.returncode == 0, done.stderr
    assert f"CN={signing.SIGNER_NAME}" in done.stdout and "not time-stamped" in done.stdout, done.stdout
    check_signed(dist, authority, stamped=False)


def test_signed_with_a_password_from_the_environment(out: Path, authority: signing.Authority) -> None:
    p12 = with_password(authority, "lab's s3cret pass")
    dist = out / "signed-password"
    shutil.rmtree(dist, ignore_errors=True)
    done = release(dist, "--sign", str(p12), password="lab's s3cret pass")
    assert done.returncode == 0, done.stderr
    check_signed(dist, authority, stamped=False)

    # The wrong password: refused before anything is built, nothing written.
    wrong = out / "signed-wrong-password"
    shutil.rmtree(wrong, ignore_errors=True)
    done = release(wrong, "--sign", str(p12), password="not it")
    assert done.returncode == 1
    assert f"cannot be opened with the password in {PASSWORD} (set)" in done.stderr, done.stderr
    assert not wrong.exists() or list(wrong.iterdir()) == []


def test_signed_with_a_pkcs11_token(out: Path, authority: signing.Authority) -> None:
    if not signing.SOFTHSM_MODULE.exists():
        pytest.fail(f"{signing.SOFTHSM_MODULE} is missing: ./scripts/setup installs softhsm2")
    token = signing.Token(out / "token", authority)
    # The chain given root first: the release still names the signer, not its authority.
    chain = out / "token" / "root-first.pem"
    chain.write_text(authority.ca_pem.read_text() + authority.cert.read_text())
    dist = out / "signed-token"
    shutil.rmtree(dist, ignore_errors=True)
    done = release(dist, "--sign", token.uri, "--pkcs11-module", str(signing.SOFTHSM_MODULE), "--certs",
                   str(chain), password=token.pin, env=token.env)
    assert done.returncode == 0, done.stderr
    assert f"  CN={signing.SIGNER_NAME}, O=Apexer Tests (issued by CN={authority.name}" in done.stdout, done.stdout
    check_signed(dist, authority, stamped=False)


def test_signed_and_time_stamped(out: Path, authority: signing.Authority) -> None:
    dist = out / "signed-stamped"
    shutil.rmtree(dist, ignore_errors=True)
    with signing.TimestampServer(authority) as tsa:
        done = release(dist, "--sign", str(authority.p12), "--timestamp", tsa.url)
    assert done.returncode == 0, done.stderr
    assert tsa.requests == ["application/timestamp-query"] * 3, "one RFC 3161 request per signed file"
    assert f"time-stamped by {tsa.url} (RFC 3161)" in done.stdout
    check_signed(dist, authority, stamped=True)


def free_port() -> int:
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


@pytest.mark.parametrize("args, message", [
    pytest.param(["--timestamp", "http://127.0.0.1:1/"], "--timestamp goes with --sign", id="stamp_without_key"),
    pytest.param(["--sign", "pkcs11:token=t;object=k"], "needs --pkcs11-module", id="token_without_module"),
    pytest.param(["--sign", "pkcs11:token=t;object=k", "--pkcs11-module", "/usr/lib/softhsm/libsofthsm2.so"],
                 "needs --certs", id="token_without_certs"),
    pytest.param(["--sign", "P12", "--certs", "P12"], "--certs goes with a PKCS#11 token", id="certs_with_a_file"),
    pytest.param(["--sign", "/nowhere/signer.p12"], "no such file", id="missing_key_file"),
    pytest.param(["--sign", "P12", "--timestamp", "ftp://tsa"], "an http:// or https:// address", id="stamp_not_http"),
    pytest.param(["--sign", "P12", "--timestamp", "PORT"], "or the time-stamp server", id="stamp_server_silent"),
])
def test_what_cannot_be_signed_is_refused_and_leaves_nothing(out: Path, authority: signing.Authority,
                                                             args: list[str], message: str) -> None:
    dist = out / "refused"
    shutil.rmtree(dist, ignore_errors=True)
    args = [str(authority.p12) if a == "P12" else f"http://127.0.0.1:{free_port()}/" if a == "PORT" else a
            for a in args]
    done = release(dist, *args)
    assert done.returncode == 1, done.stdout
    assert message in done.stderr, done.stderr
    assert not dist.exists() or list(dist.iterdir()) == [], "a refused release wrote files"


def test_unsigned_says_so(out: Path, authority: signing.Authority) -> None:
    dist = out / "unsigned"
    shutil.rmtree(dist, ignore_errors=True)
    done = release(dist)
    assert done.returncode == 0, done.stderr
    assert "NOT SIGNED: Apexer.exe, ApexerCheck.exe and the MSI carry no code signature" in done.stdout
    msi, archive, sums = made(dist)
    assert "# NOT SIGNED:" in sums.read_text()
    assert sums_check(sums).returncode == 0
    assert programs_in(msi) == {name: (BUILD / "src" / name).read_bytes() for name in PROGRAMS}
    assert authority.verify(msi).returncode != 0
