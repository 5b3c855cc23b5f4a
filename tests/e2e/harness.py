"""Runs the real Apexer.exe against the stand-in host under Wine and Xvfb, and reads what happened.

Everything a run leaves behind stays in its own folder: the host's journal, the printed pages, both
settings files, the screenshots. Processes started here are ended here, by their PID or by this prefix's
wineserver.
"""
from __future__ import annotations

import configparser
import io
import json
import os
import shlex
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from contextlib import contextmanager
from dataclasses import dataclass, field
from pathlib import Path
from typing import Iterator

ROOT = Path(__file__).resolve().parents[2]


class HarnessError(RuntimeError):
    pass


@dataclass(frozen=True)
class WineArch:
    """How the Windows builds run under Wine here, as scripts/lib/wine-arch decides it."""
    path: str        # native32, emulated32 or x86_64
    arch: str        # i686 or x86_64: Apexer.exe and the host libraries it loads
    preset: str      # mingw-i686 or mingw-x86_64
    host_arch: str   # the stand-in host and the drivers (x86_64 where Apexer runs emulated)
    host_preset: str
    winearch: str    # win32 or win64
    prefix_tag: str  # prefixes of different paths are never shared
    wine: str        # the loader to run
    why: str
    runs_32: bool

    @property
    def bits(self) -> int:
        return 64 if self.winearch == "win64" else 32

    @property
    def how(self) -> str:
        """The same phrase as scripts/lib/wine-env.sh uses."""
        if self.path == "native32":
            return "the i686 build on 32-bit Wine"
        if self.path == "emulated32":
            return "the i686 build under qemu-i386 in a 64-bit Wine prefix (the stand-in host and drivers as x86_64)"
        return "the x86_64 build on 64-bit Wine"

    def announce(self, name: str) -> str:
        return f"{name}: {self.how}, {self.why}"


def choose_arch() -> WineArch:
    """Asks the one helper every entry point uses; APEXER_WINE_ARCH=64 forces the 64-bit path."""
    result = subprocess.run([str(ROOT / "scripts" / "lib" / "wine-arch")], capture_output=True, text=True,
                            timeout=30)
    if result.returncode != 0:
        raise HarnessError(result.stderr.strip() or "scripts/lib/wine-arch failed")
    values = {}
    for line in result.stdout.splitlines():
        key, _, value = line.partition("=")
        values[key] = shlex.split(value)[0] if value else ""
    return WineArch(values["APEXER_PATH"], values["APEXER_ARCH"], values["APEXER_PRESET"], values["APEXER_HOST_ARCH"],
                    values["APEXER_HOST_PRESET"], values["APEXER_WINEARCH"], values["APEXER_PREFIX_TAG"],
                    values["APEXER_WINE"], values["APEXER_ARCH_WHY"], values["APEXER_RUNS_32"] == "1")


try:
    ARCH = choose_arch()
except HarnessError as _e:
    raise SystemExit(f"harness: {_e}") from None
WIN_BUILD = ROOT / "build" / ARCH.preset
HOST_BUILD = ROOT / "build" / ARCH.host_preset
NATIVE_BUILD = ROOT / "build" / "native"
# The host libraries beside Apexer.exe are of its build; the host that answers them may be of another.
LIBRARIES_BIN = WIN_BUILD / "standin" / "bin"
HOST_EXE = HOST_BUILD / "standin" / "bin" / "StandinHost.exe"
APEXER_EXE = Path(os.environ.get("APEXER_EXE", WIN_BUILD / "src" / "Apexer.exe"))
CHECK_EXE = Path(os.environ.get("APEXER_CHECK_EXE", WIN_BUILD / "src" / "ApexerCheck.exe"))
DRIVER_EXE = Path(os.environ.get("APEXER_DRIVER_EXE", HOST_BUILD / "tests" / "wine" / "apexer" / "apexer_wine_driver.exe"))
IVTOOL = NATIVE_BUILD / "standin" / "tools" / "ivtool"
HOST_LIBRARIES = ("Iv_vb32.dll", "ivraw32.dll", "ivpeak32.dll")
# The host libraries of Apexer's build each one export short, and the Windows build of the other architecture.
SHORT_LIBRARIES = WIN_BUILD / "standin" / "one-export-short"
OTHER_PRESET = "mingw-x86_64" if ARCH.arch == "i686" else "mingw-i686"
CLOCK_TICKS = os.sysconf("SC_CLK_TCK")
WINE_BIN = ROOT / "scripts" / "lib" / "wine-bin"


def winpath(path: Path) -> str:
    """The Windows name of a Linux path (Wine maps / to Z:)."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


def host_clock_ms() -> float:
    """Now, on the clock of the journal's "tq" (Wine's QueryPerformanceCounter is CLOCK_MONOTONIC_RAW)."""
    return time.clock_gettime(time.CLOCK_MONOTONIC_RAW) * 1000.0


def process_cpu_seconds(pid: int) -> float | None:
    """User plus system CPU time of a live process, from /proc."""
    try:
        fields = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
    except OSError:
        return None
    return (int(fields[11]) + int(fields[12])) / CLOCK_TICKS


def cpu_percent(env: "WineEnv", seconds: float) -> float:
    """Apexer's and the wineserver's CPU over `seconds`, in percent of a core."""
    pids = [env.pid_of("Apexer.exe"), env.wineserver_pid()]
    assert None not in pids, f"Apexer's or wineserver's process not found: {pids}"
    before = [process_cpu_seconds(p) for p in pids]
    t0 = time.monotonic()
    time.sleep(seconds)
    after = [process_cpu_seconds(p) for p in pids]
    elapsed = time.monotonic() - t0
    assert None not in before + after, "a measured process ended during the measurement"
    return 100 * sum(a - b for a, b in zip(after, before)) / elapsed


class WineEnv:
    """A Wine prefix of the chosen architecture (made once, then reused) and a private Xvfb display."""

    def __init__(self, prefix: Path):
        self.prefix = Path(f"{prefix}-{ARCH.prefix_tag}")
        self.xvfb: subprocess.Popen | None = None
        self.env = dict(os.environ)
        # Debian's `wine` picks the 32-bit loader whenever it is installed; ours runs the chosen one.
        self.env.update(WINEARCH=ARCH.winearch, APEXER_WINE=ARCH.wine,
                        PATH=f"{WINE_BIN}:{self.env.get('PATH', '')}", WINEDEBUG="-all",
                        WINEPREFIX=str(self.prefix), WINEDLLOVERRIDES="mscoree,mshtml=")
        # As Debian's own `wine` does when it runs the 64-bit loader.
        if ARCH.winearch == "win64":
            self.env["WINELOADER"] = ARCH.wine
        else:
            self.env.pop("WINELOADER", None)

    @property
    def drive_c(self) -> Path:
        return self.prefix / "drive_c"

    def start(self, use_display: str | None = None) -> None:
        """Prepares the prefix; starts a private Xvfb unless a display to use is given."""
        self.prefix.parent.mkdir(parents=True, exist_ok=True)
        if not os.access(ARCH.wine, os.X_OK):
            if ARCH.path == "emulated32":
                raise HarnessError(f"the emulated 32-bit side of Wine is not prepared ({ARCH.wine} is missing): "
                                   "run ./scripts/setup")
            raise HarnessError(f"{ARCH.wine} is missing: install Wine with ./scripts/setup")
        if not (self.prefix / "system.reg").exists():
            self._make_prefix()
        if use_display:
            self.env["DISPLAY"] = use_display
            subprocess.run(["wineserver", "-p30"], env=self.env, timeout=60)
            self._warm_up()
            return
        if shutil.which("Xvfb") is None:
            raise HarnessError("Xvfb is missing: install it with ./scripts/setup (package xvfb)")
        read_fd, write_fd = os.pipe()
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1280x1024x24",
                                      "-nolisten", "tcp"], pass_fds=(write_fd,),
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        with os.fdopen(read_fd) as pipe:
            display = pipe.readline().strip()
        if not display:
            self.stop()
            raise HarnessError("Xvfb did not report a display")
        self.env["DISPLAY"] = ":" + display
        # A persistent wineserver for this prefix, so programs do not pay for starting one.
        subprocess.run(["wineserver", "-p30"], env=self.env, timeout=60)
        self._warm_up()

    def _warm_up(self) -> None:
        # The first program of a wineserver starts the prefix's services, which is slow, and they inherit
        # its output: with pipes there, the caller would wait for them to exit too. Pay it here, with none.
        if DRIVER_EXE.exists():
            subprocess.run(["wine", str(DRIVER_EXE), "wait", "", "0"], env=self.env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)

    def _make_prefix(self) -> None:
        steps = [["wineboot", "-i"], ["wineserver", "-w"],
                 # No window manager under Xvfb: Wine draws captions itself, and closing windows does not stall.
                 ["wine", "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/t", "REG_SZ", "/d",
                  "N", "/f"], ["wineserver", "-w"]]
        for step in steps:
            try:
                done = subprocess.run(step, env=self.env, capture_output=True, timeout=300)
                failed = done.returncode != 0
                detail = f"exit {done.returncode}"
            except subprocess.TimeoutExpired:
                failed, detail = True, "timed out after 300 s"
            # A 64-bit prefix runs 32-bit programs only once wineboot has filled syswow64 through them.
            if not failed and step[0] == "wineboot" and ARCH.path == "emulated32" and \
                    not (self.drive_c / "windows" / "syswow64" / "kernel32.dll").exists():
                failed, detail = True, "no 32-bit system files in syswow64: the emulated 32-bit side did not run"
            if failed:
                shutil.rmtree(self.prefix, ignore_errors=True)
                raise HarnessError(f"could not make the {ARCH.prefix_tag} Wine prefix {self.prefix} ({' '.join(step)}: "
                                   f"{detail}); check that {ARCH.wine} runs here, or set APEXER_WINE_ARCH=64")

    def stop(self) -> None:
        # Xvfb goes even when wineserver will not.
        for args in (["wineserver", "-k"], ["wineserver", "-w"]):
            try:
                subprocess.run(args, env=self.env, timeout=30, capture_output=True)
            except subprocess.TimeoutExpired:
                pass
        if self.xvfb is not None:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
                self.xvfb.wait(timeout=10)
            self.xvfb = None

    def popen(self, args: list[str], **kwargs) -> subprocess.Popen:
        return subprocess.Popen(["wine", *args], env=self.env, **kwargs)

    def run(self, args: list[str], timeout: float = 60) -> subprocess.CompletedProcess:
        # Window texts come in the ANSI code page.
        return subprocess.run(["wine", *args], env=self.env, capture_output=True, text=True, encoding="cp1252",
                              errors="replace", timeout=timeout)

    def pid_of(self, *names: str) -> int | None:
        """A process of this prefix by its name (its /proc comm)."""
        for proc in Path("/proc").iterdir():
            if not proc.name.isdigit():
                continue
            try:
                if proc.joinpath("comm").read_text().strip() not in names:
                    continue
                environ = proc.joinpath("environ").read_bytes().split(b"\0")
            except OSError:
                continue
            if f"WINEPREFIX={self.prefix}".encode() in environ:
                return int(proc.name)
        return None

    def wineserver_pid(self) -> int | None:
        return self.pid_of("wineserver", "wineserver64")

    def screenshot(self, path: Path) -> None:
        path.parent.mkdir(parents=True, exist_ok=True)
        subprocess.run(["import", "-window", "root", "-display", self.env["DISPLAY"], str(path)],
                       check=True, timeout=30, capture_output=True)

    def driver(self, *args: str, timeout: float = 60) -> str:
        """The window driver: finds, reads and clicks windows as a user would."""
        result = self.run([str(DRIVER_EXE), *args], timeout=timeout)
        if result.returncode != 0:
            raise HarnessError(f"driver {' '.join(args)} failed: {result.stdout}{result.stderr}".strip())
        return result.stdout.strip()


def short_library(dll: str) -> tuple[Path, str]:
    """The stand-in's library `dll` of Apexer's build one export short, and the name of the export it lacks."""
    manifest = SHORT_LIBRARIES / "missing.txt"
    if not manifest.exists():
        raise HarnessError(f"{manifest} is missing: build the {ARCH.preset} preset")
    missing = dict(line.split() for line in manifest.read_text().splitlines() if line.strip())
    if dll not in missing:
        raise HarnessError(f"no library {dll} one export short in {SHORT_LIBRARIES}")
    return SHORT_LIBRARIES / dll, missing[dll]


def other_arch_library(dll: str) -> Path:
    """The stand-in's library `dll` of the other Windows build: on the shipping path a 64-bit library to put
    in place of a 32-bit one (on the 64-bit path, the 32-bit one)."""
    path = ROOT / "build" / OTHER_PRESET / "standin" / "bin" / dll
    if not path.exists():
        raise HarnessError(f"{path} is missing: build the {OTHER_PRESET} preset (./scripts/test builds both)")
    return path


PE_MACHINES = {0x14C: "i386", 0x8664: "x86_64"}


def pe_machine(path: Path) -> str:
    """The machine a PE file is built for, as its file header names it."""
    head = Path(path).read_bytes()[:4096]
    pe = int.from_bytes(head[0x3C:0x40], "little") if head[:2] == b"MZ" else -1
    if pe < 0 or head[pe:pe + 4] != b"PE\0\0":
        raise HarnessError(f"{path} is not a PE file")
    machine = int.from_bytes(head[pe + 4:pe + 6], "little")
    return PE_MACHINES.get(machine, hex(machine))


def sample_until(read, holds, bound_s: float = 5.0, interval_s: float = 0.05):
    """Reads a state until it holds or the bound passes, and returns the last reading: a window's state is
    set by another process a moment after the window shows, so one look can come too early."""
    deadline = time.monotonic() + bound_s
    while True:
        value = read()
        if holds(value) or time.monotonic() >= deadline:
            return value
        time.sleep(interval_s)


def ini_text(sections: dict[str, dict[str, object]]) -> str:
    """An INI file as a Windows program writes one: CRLF lines, `key=value`, keys as given."""
    parser = configparser.RawConfigParser(delimiters=("=",))
    parser.optionxform = str
    for section, keys in sections.items():
        parser[section] = {k: str(v) for k, v in keys.items() if v is not None}
    text = io.StringIO()
    parser.write(text, space_around_delimiters=False)
    return text.getvalue().replace("\n", "\r\n")


def _profile_value(value: str | None) -> str:
    # As the private-profile functions read a value: trimmed, and one pair of matching quotes taken off.
    value = (value or "").strip()
    if len(value) >= 2 and value[0] == value[-1] and value[0] in "\"'":
        value = value[1:-1]
    return value


def read_ini(path: Path) -> dict[str, dict[str, str]]:
    """Sections and keys as the private-profile functions read them: names case-insensitive (given here in
    lower case) and trimmed, values trimmed and unquoted, `;` inside a value kept."""
    if not path.exists():
        return {}
    parser = configparser.RawConfigParser(delimiters=("=",), comment_prefixes=(";",), strict=False,
                                          allow_no_value=True, default_section="\0")
    # Leading spaces do not continue a value there; section names match whatever their case.
    lines = (raw.strip() for raw in path.read_text(errors="replace").splitlines())
    parser.read_string("\n".join(f"[{line[1:line.index(']')].strip().lower()}]" if line.startswith("[") and "]" in line
                                  else line for line in lines))
    return {name: {key: _profile_value(value) for key, value in parser.items(name) if value is not None}
            for name in parser.sections()}


@dataclass
class ApexerResult:
    exit_code: int
    wall_s: float
    cpu_s: float
    max_rss_kb: int  # the process's peak resident size, from wait4
    status_texts: list[str] = field(default_factory=list)


@dataclass
class CheckResult:
    exit_code: int
    wall_s: float
    stdout: str
    stderr: str


class Session:
    """One run: a fresh host on a sample, Apexer.exe with its settings beside it, and their traces."""

    def __init__(self, env: WineEnv, name: str, sample: Path, out_root: Path, app_folder: str = "app"):
        self.env = env
        self.name = name
        self.sample = sample
        self.dir = out_root / name if name else out_root
        self.app_dir = self.dir / app_folder
        self.pages = self.dir / "pages"
        self.journal_path = self.dir / "journal.jsonl"
        self.shots = self.dir / "shots"
        # Only what a run owns is cleared, never the folder it was given.
        for d in (self.app_dir, self.pages, self.shots):
            shutil.rmtree(d, ignore_errors=True)
            d.mkdir(parents=True)
        for f in (self.journal_path, self.dir / "host.log"):
            f.unlink(missing_ok=True)
        self.host_ini = env.drive_c / "Ionvane" / "Ionvane.ini"
        self.host: subprocess.Popen | None = None
        self.host_log = None

    # --- set-up -------------------------------------------------------------------------------
    def install_apexer(self, with_libraries: bool = True, exe: Path | None = None) -> None:
        shutil.copy2(exe or APEXER_EXE, self.app_dir / "Apexer.exe")
        if with_libraries:
            for dll in HOST_LIBRARIES:
                shutil.copy2(LIBRARIES_BIN / dll, self.app_dir / dll)

    @property
    def apexer_ini(self) -> Path:
        return self.app_dir / "Apexer.INI"

    def write_apexer_ini(self, channel: str | None = "TIC", placement: str | None = None,
                         print_mode: int | None = None) -> None:
        sections: dict[str, dict[str, object]] = {"Combine": {"ChroDesc": channel, "Combiner": placement}}
        if print_mode is not None:
            sections["SpecPrint"] = {"PrintMode": print_mode}
        self.apexer_ini.write_text(ini_text(sections))

    def write_host_ini(self, replace: str | None = "TRUE", delays: dict[str, int] | None = None,
                       faults: dict[str, object] | None = None, trace: str = "TIC",
                       integrate: dict[str, object] | None = None, standin: dict[str, object] | None = None) -> None:
        sections: dict[str, dict[str, object]] = {
            # The peak list comes back with each newly opened chromatogram, so the run meets it at its end.
            "Standin": {"Journal": winpath(self.journal_path), "PrintFolder": winpath(self.pages), "Trace": trace,
                        "OpenWithChromatogram": "PeakList", **(standin or {})},
            "StandinDelays": {"Launch": 0, "Dialog": 0, "Combine": 10, "Print": 100, "Close": 0,
                              **(delays or {})},
            "StandinFaults": faults or {},
            "SpeDisplay": {"Replace": replace},
        }
        if integrate:
            sections["ChrIntegrate"] = integrate
        self.host_ini.parent.mkdir(parents=True, exist_ok=True)
        self.host_ini.write_text(ini_text(sections))

    # --- the host -----------------------------------------------------------------------------
    def start_host(self, timeout: float = 30) -> None:
        self.host_log = open(self.dir / "host.log", "w")
        self.host = self.env.popen([str(HOST_EXE), winpath(self.sample)],
                                   stdout=self.host_log, stderr=subprocess.STDOUT)
        # Up once its main window stands: a client started before that would find no host.
        self.wait_journal(lambda e: e["ev"] == "window.opened" and e.get("role") == "main", timeout,
                          "the host's main window")

    def stop_host(self, timeout: float = 30) -> None:
        if self.host is None:
            return
        if self.host.poll() is None:
            # This session's journal names only this host's windows.
            mains = [e for e in self.journal() if e["ev"] == "window.opened" and e.get("role") == "main"]
            if mains:
                try:
                    self.env.driver("close", mains[-1]["hwnd"])
                except HarnessError:
                    pass
            try:
                self.host.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                self.host.kill()
                self.host.wait(timeout=10)
        self.host = None
        if self.host_log:
            self.host_log.close()
            self.host_log = None

    def end_host(self, bound_s: float = 10) -> float:
        """Ends the host by its PID, as one ends a host that no longer answers; the seconds until it was gone."""
        if self.host is None or self.host.poll() is not None:
            raise HarnessError("no host runs to end")
        started = time.monotonic()
        self.host.kill()
        try:
            self.host.wait(timeout=bound_s)
        except subprocess.TimeoutExpired:
            raise HarnessError(f"the host (pid {self.host.pid}) was still there {bound_s:.0f} s after it was killed") \
                from None
        return time.monotonic() - started

    def find_window(self, title: str, wait_ms: int) -> str | None:
        try:
            return self.env.driver("wait", title, str(wait_ms)) or None
        except HarnessError:
            return None

    # --- Apexer -------------------------------------------------------------------------------
    def start_apexer(self) -> subprocess.Popen:
        return self.env.popen([winpath(self.app_dir / "Apexer.exe")], cwd=self.app_dir,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def reap(self, proc: subprocess.Popen, timeout: float, stalled_after: float | None = None) -> None:
        """Waits for Apexer.exe to end, keeping its CPU time and peak memory; callbacks may call it too.
        With stalled_after, a run whose journal has not grown for that long is ended as stuck."""
        if getattr(proc, "reaped", None) is not None:
            return
        deadline = time.monotonic() + timeout
        size, moved = -1, time.monotonic()
        while True:
            pid, status, usage = os.wait4(proc.pid, os.WNOHANG)
            if pid == proc.pid:
                proc.returncode = os.waitstatus_to_exitcode(status)
                proc.reaped = (time.monotonic(), usage.ru_utime + usage.ru_stime, usage.ru_maxrss)
                return
            if stalled_after is not None:
                now_size = self.journal_path.stat().st_size if self.journal_path.exists() else 0
                if now_size != size:
                    size, moved = now_size, time.monotonic()
                elif time.monotonic() - moved > stalled_after:
                    proc.send_signal(signal.SIGKILL)
                    proc.wait(timeout=10)
                    raise HarnessError(f"the run made no progress for {stalled_after:.0f} s and was stopped")
            if time.monotonic() > deadline:
                proc.send_signal(signal.SIGKILL)
                proc.wait(timeout=10)
                raise HarnessError(f"Apexer.exe did not end within {timeout:.0f} s")
            time.sleep(0.02)

    def wait_apexer(self, proc: subprocess.Popen, timeout: float, started: float,
                    stalled_after: float | None = None) -> ApexerResult:
        self.reap(proc, max(1.0, started + timeout - time.monotonic()), stalled_after)
        ended, cpu, peak = proc.reaped
        return ApexerResult(proc.returncode, ended - started, cpu, peak)

    def run_apexer(self, timeout: float = 300, during=None, stalled_after: float | None = None) -> ApexerResult:
        """Runs Apexer.exe to its end; `during(session, proc)` may act on the windows meanwhile."""
        started = time.monotonic()
        proc = self.start_apexer()
        try:
            if during is not None:
                during(self, proc)
            return self.wait_apexer(proc, timeout, started, stalled_after)
        finally:
            if proc.poll() is None:
                proc.kill()
                proc.wait(timeout=10)

    # --- the self-check ------------------------------------------------------------------------
    def install_check(self, exe: Path | None = None) -> None:
        shutil.copy2(exe or CHECK_EXE, self.app_dir / "ApexerCheck.exe")

    def run_check(self, *args: str, timeout: float = 600, during=None) -> CheckResult:
        """Runs ApexerCheck.exe beside Apexer.exe to its end; `during(session, proc)` may act meanwhile."""
        started = time.monotonic()
        proc = self.env.popen([winpath(self.app_dir / "ApexerCheck.exe"), *args], cwd=self.app_dir,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        try:
            if during is not None:
                during(self, proc)
            out, err = proc.communicate(timeout=timeout)
        finally:
            if proc.poll() is None:
                proc.kill()
                proc.wait(timeout=10)
        return CheckResult(proc.returncode, time.monotonic() - started, out.decode("cp1252", "replace"),
                           err.decode("cp1252", "replace"))

    # --- what happened ------------------------------------------------------------------------
    def journal(self) -> list[dict]:
        if not self.journal_path.exists():
            return []
        events = []
        for line in self.journal_path.read_text(errors="replace").splitlines():
            if line.strip():
                events.append(json.loads(line))
        return events

    def events(self, *names: str) -> list[dict]:
        return [e for e in self.journal() if e["ev"] in names]

    def wait_journal(self, predicate, timeout: float, what: str) -> dict:
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            for e in self.journal():
                if predicate(e):
                    return e
            if self.host is not None and self.host.poll() is not None:
                raise HarnessError(f"the host ended (code {self.host.returncode}) while waiting for {what}")
            time.sleep(0.05)
        raise HarnessError(f"timed out waiting for {what}")

    def pages_printed(self) -> list[Path]:
        return sorted(self.pages.glob("*.pdf"))

    def host_settings(self) -> dict[str, dict[str, str]]:
        return read_ini(self.host_ini)

    def apexer_settings(self) -> dict[str, dict[str, str]]:
        return read_ini(self.apexer_ini)

    def close(self) -> None:
        self.stop_host()

    def __enter__(self) -> "Session":
        return self

    def __exit__(self, *exc) -> None:
        self.close()


@contextmanager
def wine_display(prefix: Path, use_display: str | None = None, fresh: bool = False) -> Iterator[WineEnv]:
    """A started prefix with its display for the length of a block, ended however the block ends: the one
    set-up of the suites, the demo and the benchmark report."""
    env = WineEnv(prefix)
    if fresh:
        shutil.rmtree(env.prefix, ignore_errors=True)
    try:
        env.start(use_display)
        yield env
    finally:
        env.stop()


def apexer_session(env: WineEnv, name: str, sample: Path, out: Path, exe: Path | None = None,
                   channel: str = "TIC", app_folder: str = "app", with_libraries: bool = True) -> Session:
    """A run's folder with Apexer.exe, the host libraries and its settings; use it in a `with` block."""
    s = Session(env, name, sample, out, app_folder)
    s.install_apexer(with_libraries, exe)
    s.write_apexer_ini(channel=channel)
    return s


def require_ivtool() -> None:
    if not IVTOOL.exists():
        raise HarnessError(f"{IVTOOL} is not built: build the native preset (the demo, test and bench scripts do)")


def make_sample(path: Path, seed: int = 7, extra: list[str] | None = None) -> Path:
    """A synthesised sample with known peaks, made once and reused."""
    if not path.exists():
        require_ivtool()
        path.parent.mkdir(parents=True, exist_ok=True)
        subprocess.run([str(IVTOOL), "synth", "--seed", str(seed), *(extra or []), str(path)], check=True,
                       capture_output=True, timeout=300)
    return path


def import_sample(source: Path, path: Path) -> Path:
    require_ivtool()
    path.parent.mkdir(parents=True, exist_ok=True)
    result = subprocess.run([str(IVTOOL), "import", str(source), str(path)], capture_output=True, text=True,
                            timeout=600)
    if result.returncode != 0:
        raise HarnessError(f"import of {source} failed: {result.stdout}{result.stderr}".strip())
    return path


def temporary_root() -> Path:
    return Path(tempfile.mkdtemp(prefix="apexer-e2e-"))


def _shell_exports(values: dict[str, str | None]) -> str:
    return "\n".join(f"export {k}={shlex.quote(v)}" if v is not None else f"unset {k}" for k, v in values.items())


def _shell(argv: list[str]) -> int:
    """The same set-up for the shell suites (scripts/lib/wine-env.sh), as lines to `eval`:
        harness.py arch            the chosen path's variables and how it runs the builds (the caller puts
                                   scripts/lib/wine-bin first on PATH)
        harness.py start PREFIX    a started prefix and display; Xvfb outlives this process
        harness.py stop            ends the wineserver of $WINEPREFIX and the Xvfb of $WINE_ENV_XVFB_PID
    """
    verb = argv[0] if argv else ""
    arch = {"APEXER_RUNS_32": "1" if ARCH.runs_32 else "0", "APEXER_PATH": ARCH.path, "APEXER_ARCH": ARCH.arch,
            "APEXER_PRESET": ARCH.preset, "APEXER_HOST_ARCH": ARCH.host_arch, "APEXER_HOST_PRESET": ARCH.host_preset,
            "APEXER_WINEARCH": ARCH.winearch, "APEXER_PREFIX_TAG": ARCH.prefix_tag, "APEXER_WINE": ARCH.wine,
            "APEXER_ARCH_WHY": ARCH.why, "APEXER_HOW": ARCH.how}
    if verb == "arch":
        env = WineEnv(Path("/nonexistent"))
        print(_shell_exports({**arch, **{k: env.env.get(k) for k in ("WINEARCH", "WINELOADER")}}))
        return 0
    if verb == "start" and len(argv) == 2:
        env = WineEnv(Path(argv[1]))
        keep = os.environ.get("DISPLAY") if os.environ.get("APEXER_KEEP_DISPLAY") else None
        env.start(use_display=keep)
        names = ("WINEARCH", "WINELOADER", "APEXER_WINE", "WINEDEBUG", "WINEPREFIX", "WINEDLLOVERRIDES",
                 "DISPLAY")
        print(_shell_exports({**arch, **{k: env.env.get(k) for k in names},
                              "WINE_ENV_XVFB_PID": str(env.xvfb.pid) if env.xvfb else None}))
        return 0
    if verb == "stop" and "WINEPREFIX" in os.environ:
        env = WineEnv(Path("/nonexistent"))
        env.prefix = Path(os.environ["WINEPREFIX"])
        env.env["WINEPREFIX"] = str(env.prefix)
        env.stop()
        pid = int(os.environ.get("WINE_ENV_XVFB_PID") or 0)
        for sig in (signal.SIGTERM, signal.SIGKILL) if pid else ():
            try:
                os.kill(pid, sig)
            except ProcessLookupError:
                break
            alive = sample_until(lambda: Path(f"/proc/{pid}").exists(), lambda alive: not alive, bound_s=10)
            if not alive:
                break
        return 0
    print(_shell.__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    try:
        sys.exit(_shell(sys.argv[1:]))
    except HarnessError as e:
        print(f"wine-env: {e}", file=sys.stderr)
        sys.exit(1)
