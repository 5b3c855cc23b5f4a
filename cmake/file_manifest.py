#!/usr/bin/env python3
"""Writes the C++ source of the file sums the self-check holds Apexer's files against.

    file_manifest.py --out FILE.cpp PROGRAM.exe...

For each file: its name, the version of its version resource, and the SHA-256 of its image as Authenticode
hashes it: every byte but the header's checksum, the certificate table's directory entry and the
certificate table, so that a release signed after the build still matches. src/check/pe_file.cpp hashes
the same way at run time.
"""
import argparse
import hashlib
import struct
import sys
from pathlib import Path


def image_digest(data: bytes) -> str:
    def u16(at):
        return struct.unpack_from("<H", data, at)[0]

    def u32(at):
        return struct.unpack_from("<I", data, at)[0]

    if len(data) < 64 or data[:2] != b"MZ":
        return hashlib.sha256(data).hexdigest()
    pe = u32(0x3C)
    if data[pe:pe + 4] != b"PE\0\0":
        return hashlib.sha256(data).hexdigest()
    optional = pe + 24
    plus = u16(optional) == 0x20B
    directories = optional + (112 if plus else 96)
    count = u32(optional + (108 if plus else 92))
    checksum = optional + 64
    cert_entry = directories + 4 * 8
    cert_at = cert_end = len(data)
    if count > 4:
        at, size = u32(cert_entry), u32(cert_entry + 4)
        if at > 0 and size > 0 and at + size <= len(data) and at >= cert_entry + 8:
            cert_at, cert_end = at, at + size
    h = hashlib.sha256()
    h.update(data[:checksum])
    h.update(data[checksum + 4:cert_entry])
    h.update(data[cert_entry + 8:cert_at])
    h.update(data[cert_end:])
    return h.hexdigest()


def file_version(data: bytes) -> str:
    at = data.find(struct.pack("<II", 0xFEEF04BD, 0x00010000))
    if at < 0:
        return ""
    ms, ls = struct.unpack_from("<II", data, at + 8)
    return f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"


def main() -> int:
    parser = argparse.ArgumentParser()
    parser.add_argument("--out", type=Path, required=True)
    parser.add_argument("files", type=Path, nargs="+")
    args = parser.parse_args()
    rows = []
    for f in args.files:
        data = f.read_bytes()
        rows.append(f'    {{"{f.name}", "{file_version(data)}", "{image_digest(data)}"}},')
    text = ("// Made by cmake/file_manifest.py from the files this build made; do not edit.\n"
            '#include "check/win32/file_manifest.h"\n\n'
            "namespace apexer::check {\n\n"
            "std::vector<ManifestEntry> BuiltManifest() {\n  return {\n" + "\n".join(rows) + "\n  };\n}\n\n"
            "}  // namespace apexer::check\n")
    if not args.out.exists() or args.out.read_text() != text:
        args.out.write_text(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
