#!/usr/bin/env python3
"""Makes small signed program files for the unit tests of the signature reader, with a throwaway
certificate authority made here and thrown away (openssl, osslsigncode).

    make_signed_samples.py OUT_DIR

unsigned.exe   a minimal 32-bit PE file
signed.exe     signed (SHA-256) by "Apexer Test Signer", issued by "Apexer Test CA"
sha1.exe       the same signed with SHA-1
changed.exe    signed.exe with one byte of its section changed after signing
"""
import struct
import subprocess
import sys
import tempfile
from pathlib import Path


def minimal_pe() -> bytes:
    """One section of program bytes, no imports: enough for a signing tool and the PE reader."""
    b = bytearray(0x600)
    b[0:2] = b"MZ"
    struct.pack_into("<I", b, 0x3C, 0x40)
    b[0x40:0x44] = b"PE\0\0"
    coff, optional = 0x44, 0x58
    struct.pack_into("<HHIIIHH", b, coff, 0x14C, 1, 0, 0, 0, 224, 0x0102)
    struct.pack_into("<H", b, optional, 0x10B)
    struct.pack_into("<I", b, optional + 16, 0x1000)  # entry point
    struct.pack_into("<III", b, optional + 28, 0x400000, 0x1000, 0x200)  # image base, alignments
    struct.pack_into("<HH", b, optional + 40, 4, 0)  # subsystem version
    struct.pack_into("<II", b, optional + 56, 0x2000, 0x200)  # image size, header size
    struct.pack_into("<H", b, optional + 68, 2)  # GUI subsystem
    struct.pack_into("<I", b, optional + 92, 16)
    section = optional + 224
    b[section:section + 5] = b".text"
    struct.pack_into("<IIII", b, section + 8, 0x400, 0x1000, 0x400, 0x200)
    struct.pack_into("<I", b, section + 36, 0x60000020)
    for i in range(0x200, 0x600):
        b[i] = (i * 7) & 0xFF
    return bytes(b)


def run(*args: str) -> None:
    done = subprocess.run(list(args), capture_output=True, text=True, timeout=120)
    if done.returncode != 0:
        sys.exit(f"make_signed_samples: {' '.join(args[:2])} failed: {done.stderr.strip() or done.stdout.strip()}")


def main() -> int:
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    with tempfile.TemporaryDirectory() as tmp:
        t = Path(tmp)
        run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=Apexer Test CA", "-days", "3650",
            "-keyout", str(t / "ca.key"), "-out", str(t / "ca.pem"), "-addext", "basicConstraints=critical,CA:TRUE")
        run("openssl", "req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=Apexer Test Signer/O=Apexer Tests",
            "-keyout", str(t / "signer.key"), "-out", str(t / "signer.csr"))
        (t / "signer.ext").write_text("basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\n"
                                      "extendedKeyUsage=codeSigning\n")
        run("openssl", "x509", "-req", "-in", str(t / "signer.csr"), "-CA", str(t / "ca.pem"), "-CAkey",
            str(t / "ca.key"), "-CAcreateserial", "-days", "3650", "-extfile", str(t / "signer.ext"),
            "-out", str(t / "signer.pem"))
        (t / "chain.pem").write_text((t / "signer.pem").read_text() + (t / "ca.pem").read_text())
        (out / "unsigned.exe").write_bytes(minimal_pe())
        for name, digest in (("signed.exe", "sha256"), ("sha1.exe", "sha1")):
            target = out / name
            target.unlink(missing_ok=True)
            run("osslsigncode", "sign", "-h", digest, "-certs", str(t / "chain.pem"), "-key", str(t / "signer.key"),
                "-n", "Apexer test", "-in", str(out / "unsigned.exe"), "-out", str(target))
    changed = bytearray((out / "signed.exe").read_bytes())
    changed[0x500] ^= 0x01
    (out / "changed.exe").write_bytes(bytes(changed))
    return 0


if __name__ == "__main__":
    sys.exit(main())
