#!/usr/bin/env python3
"""The installer under Wine, in a fresh prefix with the stand-in host installed in C:\\Ionvane.

A silent install, then the installed program runs the whole job; a changed Apexer.INI survives the next
version installed over it; uninstall takes the program and its shortcut and leaves Apexer.INI and the
host's files; INSTALLDIR on the command line puts the program elsewhere.

    installer.py [--out DIR]

The packages are made here by scripts/lib/release.py from the build that runs on this machine's Wine path
(harness.ARCH): the version in the program's resource, and the same files as the next version.
"""
from __future__ import annotations

import argparse
import hashlib
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import harness as h  # noqa: E402
import run_record  # noqa: E402
import suite  # noqa: E402
from suite import Failed, check, equal  # noqa: E402

RELEASE = h.ROOT / "scripts" / "lib" / "release.py"
UNINSTALL_KEYS = (r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall",
                  r"HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall")


def make_package(out: Path, version: str | None = None, arch: str | None = None) -> tuple[Path, str]:
    arch = arch or h.ARCH.arch
    build = h.WIN_BUILD if arch == h.ARCH.arch else h.ROOT / "build" / f"mingw-{arch}"
    args = [sys.executable, str(RELEASE), "--build", str(build), "--arch", arch, "--out", str(out)]
    if version:
        args += ["--as-version", version]
    done = subprocess.run(args, capture_output=True, text=True, timeout=300)
    if done.returncode != 0:
        raise h.HarnessError(f"release.py failed: {done.stderr.strip() or done.stdout.strip()}")
    made = done.stdout.split()[1]  # "Apexer <version> (<arch>) in <dir>:"
    return out / f"Apexer-{made}-{arch}.msi", made


PE_MACHINES = {"i686": 0x14C, "x86_64": 0x8664}
RECORD_LIMIT = 1024 * 1024


def check_package(msi: Path, arch: str) -> dict:
    """What the release wrote, read back without installing: the MSI's files are the build's program, the
    guide and the default settings; the zip holds the same bytes; the sums match; the settings file is kept."""
    exe = h.ROOT / "build" / f"mingw-{arch}" / "src" / "Apexer.exe"
    with tempfile.TemporaryDirectory() as tmp:
        done = subprocess.run(["msiextract", "-C", tmp, str(msi)], capture_output=True, text=True, timeout=120)
        equal(done.returncode, 0, f"msiextract {msi.name}")
        root = Path(tmp) / "Ionvane"
        in_msi = {str(p.relative_to(root)): p.read_bytes() for p in root.rglob("*") if p.is_file()}
    program = in_msi.get("Apexer.exe", b"")
    equal(program, exe.read_bytes(), f"Apexer.exe in {msi.name} against {exe}")
    pe = int.from_bytes(program[0x3C:0x40], "little")
    equal(int.from_bytes(program[pe + 4:pe + 6], "little"), PE_MACHINES[arch], f"machine of Apexer.exe in {msi.name}")
    check("ChroDesc=TIC" in in_msi.get("Apexer.INI", b"").decode(), f"{msi.name}: the default settings lack TIC")
    check("Apexer Guide/index.html" in in_msi, f"{msi.name} ships no guide")
    with zipfile.ZipFile(msi.with_suffix(".zip")) as z:
        top = msi.stem
        in_zip = {n[len(top) + 1:]: z.read(n) for n in z.namelist() if not n.endswith("/")}
    equal(sorted(in_zip), sorted(in_msi), f"files of {msi.stem}.zip against the MSI")
    check(all(in_zip[n] == in_msi[n] for n in in_msi), f"{msi.stem}.zip and the MSI differ in a file's bytes")
    sums = dict(reversed(line.split("  ", 1)) for line in msi.with_suffix(".sha256").read_text().splitlines())
    equal(sums, {p.name: digest(p) for p in (msi, msi.with_suffix(".zip"))}, f"{msi.stem}.sha256")
    summary = subprocess.run(["msiinfo", "suminfo", str(msi)], capture_output=True, text=True, timeout=60).stdout
    check(f"Template: {'x64' if arch == 'x86_64' else 'Intel'};1033" in summary, f"{msi.name} platform: {summary}")
    components = subprocess.run(["msiinfo", "export", str(msi), "Component"], capture_output=True, text=True,
                                timeout=60).stdout
    settings = [row.split("\t") for row in components.splitlines() if row.startswith("Settings\t")]
    check(len(settings) == 1 and int(settings[0][3]) & 0x90 == 0x90,
          f"{msi.name}: Apexer.INI is not marked never to be overwritten and kept on uninstall: {settings}")
    return {"msi": msi.stat().st_size, "zip": msi.with_suffix(".zip").stat().st_size,
            "files": {n: len(b) for n, b in sorted(in_msi.items())}}


def next_version(version: str) -> str:
    parts = [int(p) for p in version.split(".")]
    parts[2] += 1
    return ".".join(str(p) for p in parts)


def digest(path: Path) -> str:
    return hashlib.sha256(path.read_bytes()).hexdigest()


class InstalledSession(h.Session):
    """A run of the program where the installer put it, beside the host's files."""

    def __init__(self, env: h.WineEnv, name: str, sample: Path, out_root: Path, app_dir: Path):
        super().__init__(env, name, sample, out_root)
        shutil.rmtree(self.app_dir, ignore_errors=True)
        self.app_dir = app_dir


class Checks:
    def __init__(self, env: h.WineEnv, out: Path, sample: Path):
        self.env = env
        self.out = out
        self.sample = sample
        self.host_dir = env.drive_c / "Ionvane"
        self.host_files: dict[str, str] = {}

    # --- what the machine holds -------------------------------------------------------------------
    def msiexec(self, *args: str) -> None:
        done = self.env.run(["msiexec", *args], timeout=300)
        equal(done.returncode, 0, f"msiexec {' '.join(args)} exit code ({done.stdout}{done.stderr})".strip())

    def installed_entries(self) -> list[str]:
        """DisplayName and DisplayVersion of every Apexer entry in the installed-programs list."""
        entries = []
        for key in UNINSTALL_KEYS:
            done = self.env.run(["reg", "query", key, "/s"], timeout=120)
            name = None
            for line in done.stdout.splitlines():
                cells = line.split(None, 2)
                if line.startswith("HKEY_"):
                    name = None
                elif len(cells) == 3 and cells[0] == "DisplayName":
                    name = cells[2].strip()
                elif len(cells) == 3 and cells[0] == "DisplayVersion" and name == "Apexer":
                    entries.append(f"{name} {cells[2].strip()}")
        return entries

    def shortcuts(self) -> list[Path]:
        return sorted(p for p in self.env.drive_c.rglob("*.lnk") if p.parent.name == "Apexer")

    def install_host(self) -> None:
        """The stand-in host as a lab has it: its program and libraries in C:\\Ionvane."""
        self.host_dir.mkdir(parents=True, exist_ok=True)
        # The libraries are of Apexer's build; the host may be of another where Apexer runs emulated.
        shutil.copy2(h.HOST_EXE, self.host_dir / "StandinHost.exe")
        for name in h.HOST_LIBRARIES:
            shutil.copy2(h.LIBRARIES_BIN / name, self.host_dir / name)
        self.host_files = {p.name: digest(p) for p in self.host_dir.iterdir() if p.is_file()}

    def check_host_files_kept(self) -> None:
        now = {name: digest(self.host_dir / name) if (self.host_dir / name).exists() else None
               for name in self.host_files}
        equal(now, self.host_files, "the host's files")

    # --- the steps --------------------------------------------------------------------------------
    def install(self, msi: Path, version: str) -> dict:
        self.msiexec("/i", h.winpath(msi), "/qn")
        for name in ("Apexer.exe", "Apexer.INI", "Apexer Guide/index.html"):
            check((self.host_dir / name).is_file(), f"{name} was not installed in C:\\Ionvane")
        equal(digest(self.host_dir / "Apexer.exe"), digest(h.WIN_BUILD / "src" / "Apexer.exe"), "the installed program")
        settings = h.read_ini(self.host_dir / "Apexer.INI")
        equal(settings.get("combine", {}).get("chrodesc"), "TIC", "the default channel")
        equal([p.name for p in self.shortcuts()], ["Apexer Guide.lnk", "Apexer.lnk"], "Start-menu entries")
        equal(self.installed_entries(), [f"Apexer {version}"], "installed programs")
        self.check_host_files_kept()
        return {"installed": sorted(str(p.relative_to(self.host_dir)) for p in self.host_dir.rglob("*")
                                    if p.is_file() and p.name not in self.host_files)}

    def run_whole_job(self, peaks: int = 7) -> dict:
        """The installed program's run, its record starting a new file: the full one moves to Apexer.log.1."""
        log = self.host_dir / "Apexer.log"
        full = b"x" * (RECORD_LIMIT - 40)
        log.write_bytes(full)
        log.with_suffix(".log.1").write_bytes(b"the oldest record")
        s = InstalledSession(self.env, "installed-run", self.sample, self.out, self.host_dir)
        try:
            s.write_host_ini(replace="TRUE", faults={"IntegratorPeaks": peaks})
            s.start_host()
            result = s.run_apexer(timeout=300)
            suite.check_run_completed(s, result, peaks, "TRUE")
            equal(suite.check_ranges(s), peaks, "peaks whose range was checked")
            run_record.check_record(s)
            equal(log.with_suffix(".log.1").read_bytes(), full, "Apexer.log.1 after the record reached 1 MB")
            return {"peaks": peaks, "pages": len(s.pages_printed()), "exit_code": result.exit_code,
                    "wall_s": round(result.wall_s, 1), "record_bytes": log.stat().st_size}
        finally:
            s.close()

    def record_in_the_users_folder(self) -> dict:
        """Where nothing can be written beside the program (here a folder stands where the file would), the
        record goes to the user's local application data."""
        log = self.host_dir / "Apexer.log"
        kept = log.read_bytes()
        log.unlink()
        log.mkdir()
        s = InstalledSession(self.env, "record-elsewhere", self.sample, self.out, self.host_dir)
        try:
            s.write_host_ini(replace="TRUE", faults={"IntegratorPeaks": 2})
            s.start_host()
            result = s.run_apexer(timeout=120)
            suite.check_run_completed(s, result, 2, "TRUE")
            found = list(self.env.drive_c.glob("users/*/AppData/Local/Apexer/Apexer.log"))
            equal(len(found), 1, f"run records in the user's local application data ({found})")
            run_record.check_record(s, found[0])
            return {"record": str(found[0].relative_to(self.env.drive_c))}
        finally:
            s.close()
            log.rmdir()
            log.write_bytes(kept)

    def upgrade_keeps_settings(self, msi: Path, version: str) -> dict:
        ini = self.host_dir / "Apexer.INI"
        changed = ini.read_text().replace("ChroDesc=TIC", "ChroDesc=BPI")
        check("ChroDesc=BPI" in changed, f"no channel to change in {ini.read_text()!r}")
        ini.write_text(changed)
        before = ini.read_bytes()
        self.msiexec("/i", h.winpath(msi), "/qn")
        equal(ini.read_bytes(), before, "Apexer.INI after the upgrade")
        check((self.host_dir / "Apexer.exe").is_file(), "the program is gone after the upgrade")
        equal(self.installed_entries(), [f"Apexer {version}"], "installed programs after the upgrade")
        self.check_host_files_kept()
        return {"settings": before.decode(errors="replace").splitlines()}

    def downgrade_refused(self, older: Path, installed: str) -> dict:
        ini = self.host_dir / "Apexer.INI"
        before = ini.read_bytes(), digest(self.host_dir / "Apexer.exe")
        done = self.env.run(["msiexec", "/i", h.winpath(older), "/qn"], timeout=300)
        check(done.returncode != 0, "msiexec installed an older version over a newer one")
        equal(self.installed_entries(), [f"Apexer {installed}"], "installed programs after the refused downgrade")
        equal((ini.read_bytes(), digest(self.host_dir / "Apexer.exe")), before, "the installed files")
        return {"msiexec_exit": done.returncode}

    def uninstall_keeps_settings_and_host(self, msi: Path) -> dict:
        ini = self.host_dir / "Apexer.INI"
        before = ini.read_bytes()
        self.msiexec("/x", h.winpath(msi), "/qn")
        for name in ("Apexer.exe", "Apexer Guide/index.html"):
            check(not (self.host_dir / name).exists(), f"{name} is still there after uninstall")
        equal(self.shortcuts(), [], "Start-menu entries after uninstall")
        equal(self.installed_entries(), [], "installed programs after uninstall")
        equal(ini.read_bytes(), before, "Apexer.INI after uninstall")
        check((self.host_dir / "Apexer.log").is_file(), "the run record is gone after uninstall")
        check((self.host_dir / "Ionvane.ini").is_file(), "the host's settings file is gone")
        self.check_host_files_kept()
        return {"left": sorted(p.name for p in self.host_dir.iterdir())}

    def install_elsewhere(self, msi: Path, upgrade: Path) -> dict:
        """INSTALLDIR on the command line, into a folder that already holds a lab's Apexer.INI; the upgrade
        and the uninstall find the program where it went."""
        folder = self.env.drive_c / "Lab Tools"
        folder.mkdir(parents=True, exist_ok=True)
        ours = b"[Combine]\r\nChroDesc=301.1+445.2\r\n"
        (folder / "Apexer.INI").write_bytes(ours)
        self.msiexec("/i", h.winpath(msi), "/qn", "INSTALLDIR=C:\\Lab Tools\\")
        try:
            check((folder / "Apexer.exe").is_file(), "INSTALLDIR did not move the program")
            equal((folder / "Apexer.INI").read_bytes(), ours, "a settings file that was there before the install")
            check(not (self.host_dir / "Apexer.exe").exists(), "the program went into C:\\Ionvane all the same")
            self.msiexec("/i", h.winpath(upgrade), "/qn")
            check((folder / "Apexer.exe").is_file(), "the upgrade took the program out of its folder")
            check(not (self.host_dir / "Apexer.exe").exists(), "the upgrade went into C:\\Ionvane")
        finally:
            self.msiexec("/x", h.winpath(upgrade), "/qn")
        check(not (folder / "Apexer.exe").exists(), "the program stayed in C:\\Lab Tools after uninstall")
        equal((folder / "Apexer.INI").read_bytes(), ours, "the settings file after uninstall")
        return {"folder": "C:\\Lab Tools"}


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--out", type=Path, default=h.ROOT / "build" / "installer")
    args = parser.parse_args()
    out = args.out.resolve()
    out.mkdir(parents=True, exist_ok=True)
    print(h.ARCH.announce("installer"), flush=True)

    dist = out / "dist"
    shutil.rmtree(dist, ignore_errors=True)
    first, version = make_package(dist)
    second, upgraded = make_package(dist, next_version(version))
    # The shipping package is checked as written even where this machine runs the other build under Wine.
    shipping = first if h.ARCH.arch == "i686" else make_package(dist, arch="i686")[0]

    env = h.WineEnv(out / "prefix")
    shutil.rmtree(env.prefix, ignore_errors=True)  # a fresh machine every time
    started = time.monotonic()
    failures = 0
    try:
        env.start()
        checks = Checks(env, out, h.make_sample(out / "samples" / "installer.ivs", seed=11))
        checks.install_host()
        steps = [("packages", lambda: {p.name: check_package(p, a) for p, a in
                                       dict.fromkeys([(shipping, "i686"), (first, h.ARCH.arch)])}),
                 ("install", lambda: checks.install(first, version)),
                 ("installed_program_runs_the_whole_job", checks.run_whole_job),
                 ("record_in_the_users_folder", checks.record_in_the_users_folder),
                 ("upgrade_keeps_settings", lambda: checks.upgrade_keeps_settings(second, upgraded)),
                 ("downgrade_refused", lambda: checks.downgrade_refused(first, upgraded)),
                 ("uninstall_keeps_settings_and_host", lambda: checks.uninstall_keeps_settings_and_host(second)),
                 ("install_elsewhere", lambda: checks.install_elsewhere(first, second))]
        for name, step in steps:
            t0 = time.monotonic()
            try:
                measured = step()
                print(f"ok   {name} ({time.monotonic() - t0:.1f} s) {measured}", flush=True)
            except (Failed, h.HarnessError) as e:
                # Every later step stands on this one.
                failures += 1
                print(f"FAIL {name}: {e}", flush=True)
                break
    finally:
        env.stop()
    print(f"installer: {'failed' if failures else 'passed'} in {time.monotonic() - started:.0f} s "
          f"({version} then {upgraded}, {h.ARCH.arch})")
    return 1 if failures else 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except h.HarnessError as e:
        print(f"installer: {e}", file=sys.stderr)
        sys.exit(1)
