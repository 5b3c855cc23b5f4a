"""The installer under Wine, in a fresh prefix with the stand-in host installed in C:\\Ionvane.

A silent install, then the installed program runs the whole job; a changed Apexer.INI survives the next
version installed over it; uninstall takes the program and its shortcut and leaves Apexer.INI and the
host's files; INSTALLDIR on the command line puts the program elsewhere.

    python3 -m pytest -x tests/e2e/test_installer.py --out DIR

Each test stands on the one before it (-x stops at the first failure).

The packages are made here by scripts/lib/release.py from the build that runs on this machine's Wine path
(harness.ARCH): the version in the program's resource, and the same files as the next version, signed by a
throwaway authority that the fresh machine trusts, as a laboratory's IT trusts its publisher's.
"""
from __future__ import annotations

import hashlib
import shutil
import subprocess
import sys
import tempfile
import zipfile
from pathlib import Path

import pytest

import check_report
import checks
import harness as h
import run_record
import signing

sys.path.insert(0, str(h.ROOT / "cmake"))
from file_manifest import image_digest  # noqa: E402

RELEASE = h.ROOT / "scripts" / "lib" / "release.py"
UNINSTALL_KEYS = (r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall",
                  r"HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall")


def make_package(out: Path, signer: signing.Authority, version: str | None = None,
                 arch: str | None = None) -> tuple[Path, str]:
    arch = arch or h.ARCH.arch
    build = h.WIN_BUILD if arch == h.ARCH.arch else h.ROOT / "build" / f"mingw-{arch}"
    args = [sys.executable, str(RELEASE), "--build", str(build), "--arch", arch, "--out", str(out),
            "--sign", str(signer.p12)]
    if version:
        args += ["--as-version", version]
    done = subprocess.run(args, capture_output=True, text=True, timeout=300)
    if done.returncode != 0:
        raise h.HarnessError(f"release.py failed: {done.stderr.strip() or done.stdout.strip()}")
    made = done.stdout.split()[1]  # "Apexer <version> (<arch>) in <dir>:"
    return out / f"Apexer-{made}-{arch}.msi", made


PE_MACHINES = {"i686": 0x14C, "x86_64": 0x8664}
RECORD_LIMIT = 1024 * 1024


def check_package(msi: Path, arch: str, signer: signing.Authority) -> dict:
    """What the release wrote, read back without installing: the MSI's files are the build's programs
    (signed, the image unchanged), the guide and the default settings; the zip holds the same bytes; the
    sums match; the settings file is kept; the MSI and both programs verify."""
    exe = h.ROOT / "build" / f"mingw-{arch}" / "src" / "Apexer.exe"
    with tempfile.TemporaryDirectory() as tmp:
        done = subprocess.run(["msiextract", "-C", tmp, str(msi)], capture_output=True, text=True, timeout=120)
        assert done.returncode == 0, f"msiextract {msi.name}"
        root = Path(tmp) / "Ionvane"
        in_msi = {str(p.relative_to(root)): p.read_bytes() for p in root.rglob("*") if p.is_file()}
        for name in ("Apexer.exe", "ApexerCheck.exe"):
            verified = signer.verify(root / name)
            assert verified.returncode == 0, f"osslsigncode verify {name} in {msi.name}: {verified.stdout}"
    program = in_msi.get("Apexer.exe", b"")
    assert image_digest(program) == image_digest(exe.read_bytes()), f"Apexer.exe in {msi.name} against {exe}"
    assert image_digest(in_msi.get("ApexerCheck.exe", b"")) == \
        image_digest((exe.parent / "ApexerCheck.exe").read_bytes()), f"ApexerCheck.exe in {msi.name} against the build's"
    verified = signer.verify(msi)
    assert verified.returncode == 0, f"osslsigncode verify {msi.name}: {verified.stdout}"
    pe = int.from_bytes(program[0x3C:0x40], "little")
    assert int.from_bytes(program[pe + 4:pe + 6], "little") == PE_MACHINES[arch], f"machine of Apexer.exe in {msi.name}"
    assert "ChroDesc=TIC" in in_msi.get("Apexer.INI", b"").decode(), f"{msi.name}: the default settings lack TIC"
    assert "Apexer Guide/index.html" in in_msi, f"{msi.name} ships no guide"
    with zipfile.ZipFile(msi.with_suffix(".zip")) as z:
        top = msi.stem
        in_zip = {n[len(top) + 1:]: z.read(n) for n in z.namelist() if not n.endswith("/")}
    assert sorted(in_zip) == sorted(in_msi), f"files of {msi.stem}.zip against the MSI"
    assert all(in_zip[n] == in_msi[n] for n in in_msi), f"{msi.stem}.zip and the MSI differ in a file's bytes"
    sums = dict(reversed(line.split("  ", 1)) for line in msi.with_suffix(".sha256").read_text().splitlines()
                if not line.startswith("#"))
    assert sums == {p.name: digest(p) for p in (msi, msi.with_suffix(".zip"))}, f"{msi.stem}.sha256"
    summary = subprocess.run(["msiinfo", "suminfo", str(msi)], capture_output=True, text=True, timeout=60).stdout
    assert f"Template: {'x64' if arch == 'x86_64' else 'Intel'};1033" in summary, f"{msi.name} platform: {summary}"
    components = subprocess.run(["msiinfo", "export", str(msi), "Component"], capture_output=True, text=True,
                                timeout=60).stdout
    settings = [row.split("\t") for row in components.splitlines() if row.startswith("Settings\t")]
    assert len(settings) == 1 and int(settings[0][3]) & 0x90 == 0x90, \
        f"{msi.name}: Apexer.INI is not marked never to be overwritten and kept on uninstall: {settings}"
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
        assert done.returncode == 0, f"msiexec {' '.join(args)} exit code ({done.stdout}{done.stderr})".strip()

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
        assert now == self.host_files, "the host's files"

    # --- the steps --------------------------------------------------------------------------------
    def install(self, msi: Path, version: str) -> dict:
        self.msiexec("/i", h.winpath(msi), "/qn")
        for name in ("Apexer.exe", "ApexerCheck.exe", "Apexer.INI", "Apexer Guide/index.html"):
            assert (self.host_dir / name).is_file(), f"{name} was not installed in C:\\Ionvane"
        with zipfile.ZipFile(msi.with_suffix(".zip")) as z:
            assert (self.host_dir / "Apexer.exe").read_bytes() == z.read(f"{msi.stem}/Apexer.exe"), \
                "the installed program"
        settings = h.read_ini(self.host_dir / "Apexer.INI")
        assert settings.get("combine", {}).get("chrodesc") == "TIC", "the default channel"
        assert [p.name for p in self.shortcuts()] == ["Apexer Check.lnk", "Apexer Guide.lnk", "Apexer.lnk"], \
            "Start-menu entries"
        assert self.installed_entries() == [f"Apexer {version}"], "installed programs"
        self.check_host_files_kept()
        return {"installed": sorted(str(p.relative_to(self.host_dir)) for p in self.host_dir.rglob("*")
                                    if p.is_file() and p.name not in self.host_files)}

    def run_whole_job(self, peaks: int = 7) -> dict:
        """The installed program's run, its record starting a new file: the full one moves to Apexer.log.1."""
        log = self.host_dir / "Apexer.log"
        full = b"x" * (RECORD_LIMIT - 40)
        log.write_bytes(full)
        log.with_suffix(".log.1").write_bytes(b"the oldest record")
        with InstalledSession(self.env, "installed-run", self.sample, self.out, self.host_dir) as s:
            s.write_host_ini(replace="TRUE", faults={"IntegratorPeaks": peaks})
            s.start_host()
            result = s.run_apexer(timeout=300)
            checks.check_run_completed(s, result, peaks, "TRUE")
            assert checks.check_ranges(s) == peaks, "peaks whose range was checked"
            run_record.check_record(s)
            assert log.with_suffix(".log.1").read_bytes() == full, "Apexer.log.1 after the record reached 1 MB"
            return {"peaks": peaks, "pages": len(s.pages_printed()), "exit_code": result.exit_code,
                    "wall_s": round(result.wall_s, 1), "record_bytes": log.stat().st_size}

    def installed_check_qualifies_the_host(self) -> dict:
        """The self-check from its installed place, read-only against the stand-in host: all held, nothing
        combined or printed, the host's settings file as it was."""
        reports = self.out / "installed-check-reports"
        shutil.rmtree(reports, ignore_errors=True)
        reports.mkdir(parents=True)
        with InstalledSession(self.env, "installed-check", self.sample, self.out, self.host_dir) as s:
            s.write_host_ini(replace="TRUE")
            s.start_host()
            before = s.host_ini.read_bytes()
            result = s.run_check("/quiet", "/report", h.winpath(reports), "/reason", "installation qualification")
            report = check_report.read_report(reports)
            assert result.exit_code == 0, f"the installed check's exit code: {result.stdout}\n{report.text}"
            check_report.check_consistent(report)
            assert report.verdict == "ALL HELD", report.text
            assert s.events("dialog.ok", "combine", "print") == [], "the check combined or printed"
            assert s.host_ini.read_bytes() == before, "the host's settings file"
            return {"wall_s": round(result.wall_s, 1), "checks": report.counts["planned"]}

    def record_in_the_users_folder(self) -> dict:
        """Where nothing can be written beside the program (a folder stands where the file would: the
        fixture `record_beside_the_program_blocked`), the record goes to the user's local application data."""
        with InstalledSession(self.env, "record-elsewhere", self.sample, self.out, self.host_dir) as s:
            s.write_host_ini(replace="TRUE", faults={"IntegratorPeaks": 2})
            s.start_host()
            result = s.run_apexer(timeout=120)
            checks.check_run_completed(s, result, 2, "TRUE")
            found = list(self.env.drive_c.glob("users/*/AppData/Local/Apexer/Apexer.log"))
            assert len(found) == 1, f"run records in the user's local application data ({found})"
            run_record.check_record(s, found[0])
            return {"record": str(found[0].relative_to(self.env.drive_c))}

    def upgrade_keeps_settings(self, msi: Path, version: str) -> dict:
        ini = self.host_dir / "Apexer.INI"
        changed = ini.read_text().replace("ChroDesc=TIC", "ChroDesc=BPI")
        assert "ChroDesc=BPI" in changed, f"no channel to change in {ini.read_text()!r}"
        ini.write_text(changed)
        before = ini.read_bytes()
        self.msiexec("/i", h.winpath(msi), "/qn")
        assert ini.read_bytes() == before, "Apexer.INI after the upgrade"
        assert (self.host_dir / "Apexer.exe").is_file(), "the program is gone after the upgrade"
        assert self.installed_entries() == [f"Apexer {version}"], "installed programs after the upgrade"
        self.check_host_files_kept()
        return {"settings": before.decode(errors="replace").splitlines()}

    def downgrade_refused(self, older: Path, installed: str) -> dict:
        ini = self.host_dir / "Apexer.INI"
        before = ini.read_bytes(), digest(self.host_dir / "Apexer.exe")
        done = self.env.run(["msiexec", "/i", h.winpath(older), "/qn"], timeout=300)
        assert done.returncode != 0, "msiexec installed an older version over a newer one"
        assert self.installed_entries() == [f"Apexer {installed}"], "installed programs after the refused downgrade"
        assert (ini.read_bytes(), digest(self.host_dir / "Apexer.exe")) == before, "the installed files"
        return {"msiexec_exit": done.returncode}

    def uninstall_keeps_settings_and_host(self, msi: Path) -> dict:
        ini = self.host_dir / "Apexer.INI"
        before = ini.read_bytes()
        self.msiexec("/x", h.winpath(msi), "/qn")
        for name in ("Apexer.exe", "ApexerCheck.exe", "Apexer Guide/index.html"):
            assert not (self.host_dir / name).exists(), f"{name} is still there after uninstall"
        assert self.shortcuts() == [], "Start-menu entries after uninstall"
        assert self.installed_entries() == [], "installed programs after uninstall"
        assert ini.read_bytes() == before, "Apexer.INI after uninstall"
        assert (self.host_dir / "Apexer.log").is_file(), "the run record is gone after uninstall"
        assert (self.host_dir / "Ionvane.ini").is_file(), "the host's settings file is gone"
        self.check_host_files_kept()
        return {"left": sorted(p.name for p in self.host_dir.iterdir())}

    def install_elsewhere(self, msi: Path, upgrade: Path, folder: Path) -> dict:
        """INSTALLDIR on the command line, into a folder that already holds a lab's Apexer.INI (the fixture
        `lab_tools`); the upgrade and the uninstall find the program where it went."""
        ours = (folder / "Apexer.INI").read_bytes()
        self.msiexec("/i", h.winpath(msi), "/qn", "INSTALLDIR=C:\\Lab Tools\\")
        assert (folder / "Apexer.exe").is_file(), "INSTALLDIR did not move the program"
        assert (folder / "Apexer.INI").read_bytes() == ours, "a settings file that was there before the install"
        assert not (self.host_dir / "Apexer.exe").exists(), "the program went into C:\\Ionvane all the same"
        self.msiexec("/i", h.winpath(upgrade), "/qn")
        assert (folder / "Apexer.exe").is_file(), "the upgrade took the program out of its folder"
        assert not (self.host_dir / "Apexer.exe").exists(), "the upgrade went into C:\\Ionvane"
        self.msiexec("/x", h.winpath(upgrade), "/qn")
        assert not (folder / "Apexer.exe").exists(), "the program stayed in C:\\Lab Tools after uninstall"
        assert (folder / "Apexer.INI").read_bytes() == ours, "the settings file after uninstall"
        return {"folder": "C:\\Lab Tools"}


@pytest.fixture(scope="module")
def authority(out: Path) -> signing.Authority:
    """The publisher's certificate, made for this run and thrown away."""
    shutil.rmtree(out / "authority", ignore_errors=True)
    return signing.Authority(out / "authority")


@pytest.fixture(scope="module")
def packages(out: Path, authority: signing.Authority) -> dict:
    """This build's package, the same files as the next version, and the shipping package: it is checked as
    written even where this machine runs the other build under Wine. All signed."""
    dist = out / "dist"
    shutil.rmtree(dist, ignore_errors=True)
    first, version = make_package(dist, authority)
    second, upgraded = make_package(dist, authority, next_version(version))
    shipping = first if h.ARCH.arch == "i686" else make_package(dist, authority, arch="i686")[0]
    return {"first": first, "version": version, "second": second, "upgraded": upgraded, "shipping": shipping,
            "authority": authority}


@pytest.fixture(scope="module")
def lab(out: Path, authority: signing.Authority):
    """A fresh machine every time, with the stand-in host installed as a lab has it, and the publisher's
    certificate authority among its trusted roots."""
    with h.wine_display(out / "prefix", fresh=True) as env:
        env.driver("trust-root", h.winpath(authority.ca_cer))
        checks_ = Checks(env, out, h.make_sample(out / "samples" / "installer.ivs", seed=11))
        checks_.install_host()
        yield checks_


# The package of this machine's Wine path, and the shipping package where that is another one.
PACKAGES = [pytest.param("shipping", "i686", id="shipping-i686")] + (
    [pytest.param("first", h.ARCH.arch, id=f"this-path-{h.ARCH.arch}")] if h.ARCH.arch != "i686" else [])


@pytest.mark.parametrize("which, arch", PACKAGES)
def test_packages(packages: dict, record_property, which: str, arch: str) -> None:
    record_property(packages[which].name, check_package(packages[which], arch, packages["authority"]))


def test_install(lab: Checks, packages: dict, record_property) -> None:
    record_property("measured", lab.install(packages["first"], packages["version"]))


def test_installed_program_runs_the_whole_job(lab: Checks, record_property) -> None:
    record_property("measured", lab.run_whole_job())


def test_installed_check_qualifies_the_host(lab: Checks, record_property) -> None:
    record_property("measured", lab.installed_check_qualifies_the_host())


@pytest.fixture
def record_beside_the_program_blocked(lab: Checks):
    """A folder stands where the installed program's Apexer.log is, so nothing can be written there; the
    record is put back after the test."""
    log = lab.host_dir / "Apexer.log"
    kept = log.read_bytes()
    log.unlink()
    log.mkdir()
    yield
    log.rmdir()
    log.write_bytes(kept)


def test_record_in_the_users_folder(lab: Checks, record_beside_the_program_blocked, record_property) -> None:
    record_property("measured", lab.record_in_the_users_folder())


def test_upgrade_keeps_settings(lab: Checks, packages: dict, record_property) -> None:
    record_property("measured", lab.upgrade_keeps_settings(packages["second"], packages["upgraded"]))


def test_downgrade_refused(lab: Checks, packages: dict, record_property) -> None:
    record_property("measured", lab.downgrade_refused(packages["first"], packages["upgraded"]))


def test_uninstall_keeps_settings_and_host(lab: Checks, packages: dict, record_property) -> None:
    record_property("measured", lab.uninstall_keeps_settings_and_host(packages["second"]))


@pytest.fixture
def lab_tools(lab: Checks, packages: dict):
    """C:\\Lab Tools holding a lab's own Apexer.INI; a program the test leaves installed there is removed
    after it, by whichever of the two packages put it there."""
    folder = lab.env.drive_c / "Lab Tools"
    folder.mkdir(parents=True, exist_ok=True)
    (folder / "Apexer.INI").write_bytes(b"[Combine]\r\nChroDesc=301.1+445.2\r\n")
    yield folder
    for msi in (packages["second"], packages["first"]):
        if (folder / "Apexer.exe").exists():
            lab.env.run(["msiexec", "/x", h.winpath(msi), "/qn"], timeout=300)


def test_install_elsewhere(lab: Checks, packages: dict, lab_tools: Path, record_property) -> None:
    record_property("measured", lab.install_elsewhere(packages["first"], packages["second"], lab_tools))
