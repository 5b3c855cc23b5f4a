#!/usr/bin/env python3
"""The main job on a sample: the stand-in host on it, Apexer.exe beside the host libraries, a summary.

    demo.py [--sample FILE] [--out DIR] [--channel DESC]

FILE is a stand-in sample (.ivs) or an mzML/mzXML file (imported on the way); without it a synthesised
sample is used. DIR (default out/) receives the printed pages, the journal, Apexer.INI and screenshots.
"""
from __future__ import annotations

import argparse
import os
import shutil
import subprocess
import sys
import threading
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import harness as h  # noqa: E402


def linux_path(windows: str) -> Path:
    return Path(windows[2:].replace("\\", "/")) if windows.upper().startswith("Z:") else Path(windows)


def window_rect(env: h.WineEnv, hwnd: str) -> tuple[int, int, int, int] | None:
    for part in env.driver("info", hwnd).split():
        if part.startswith("rect="):
            left, top, width, height = (int(v) for v in part[5:].split(","))
            return left, top, width, height
    return None


def shoot(env: h.WineEnv, path: Path, hwnd: str | None = None, margin: int = 8) -> None:
    """A screenshot of the whole screen, and one cropped to the window when one is given."""
    rect = window_rect(env, hwnd) if hwnd else None
    env.screenshot(path.with_name(path.stem + "-screen.png"))
    if rect is None:
        return
    left, top, width, height = rect
    crop = f"{width + 2 * margin}x{height + 2 * margin}+{max(0, left - margin)}+{max(0, top - margin)}"
    subprocess.run(["convert", str(path.with_name(path.stem + "-screen.png")), "-crop", crop, "+repage", str(path)],
                   check=True, timeout=30)


class Photographer:
    """Takes the run's pictures as it goes: the status window, the filled dialog, the spectra, the About box."""

    def __init__(self, session: h.Session):
        self.s = session
        self.env = session.env
        self.taken: list[Path] = []
        self.errors: list[str] = []
        self.stuck = False

    def __call__(self, session: h.Session, proc) -> None:
        thread = threading.Thread(target=self._work, args=(proc,), daemon=True)
        thread.start()
        thread.join(timeout=120)
        if self.stuck:
            raise h.HarnessError("the About box the demo opened could not be closed, so the run could not go on")

    def _wait(self, predicate, timeout: float) -> bool:
        try:
            self.s.wait_journal(predicate, timeout, "the run")
            return True
        except h.HarnessError:
            return False

    def _take(self, name: str, hwnd: str | None) -> bool:
        """One picture; a window that went meanwhile costs only this picture."""
        if not hwnd:
            return False
        try:
            shoot(self.env, self.s.shots / name, hwnd)
        except (h.HarnessError, subprocess.SubprocessError) as e:
            self.errors.append(f"{name}: {e}")
            return False
        self.taken.append(self.s.shots / name)
        return True

    def _close_about(self, about: str) -> bool:
        # The run waits while the box is open: it must go, by OK or else by a close request.
        for args in (("click", about, "1"), ("post", about, "0x0010")):
            try:
                self.env.driver(*args)
            except h.HarnessError as e:
                self.errors.append(f"About box: {e}")
            if self._gone("About Apexer", 3):
                return True
        return False

    def _gone(self, title: str, seconds: float) -> bool:
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            if self.s.find_window(title, 0) is None:
                return True
            time.sleep(0.1)
        return False

    def _work(self, proc) -> None:
        # The filled dialog stays up while the host holds its OK; a later peak's dialog is the next chance.
        for peak in range(1, 4):
            if not self._wait_count("dialog.field", peak, 60):
                return
            if self._take("dialog.png", self.s.find_window("Combine Spectrum", 500)):
                break
        status = self.s.find_window("Apexer", 2000)
        if self._take("status.png", status):
            try:
                self.env.driver("click-menu", status)
            except h.HarnessError as e:
                self.errors.append(f"About menu: {e}")
            about = self.s.find_window("About Apexer", 5000)
            if about:
                time.sleep(0.3)
                self._take("about.png", about)
                self.stuck = not self._close_about(about)
                if self.stuck:
                    return
        # The spectrum window with a batch building up, before its print.
        if self._wait(lambda e: e["ev"] == "combine" and e.get("spectraShown", 0) >= 4, 60):
            spectrum = [e for e in self.s.journal() if e["ev"] == "window.opened" and e.get("role") == "spectrum"]
            if spectrum:
                self._take("spectrum.png", spectrum[-1]["hwnd"])

    def _wait_count(self, event: str, count: int, seconds: float) -> bool:
        deadline = time.monotonic() + seconds
        while len(self.s.events(event)) < count:
            if time.monotonic() > deadline:
                return False
            time.sleep(0.05)
        return True


def prepare_sample(args, out: Path) -> Path:
    if args.sample is None:
        return h.make_sample(out / "sample" / "demo.ivs", seed=7)
    source = Path(args.sample).resolve()
    if not source.exists():
        raise h.HarnessError(f"no such sample: {source}")
    if source.suffix.lower() in (".mzml", ".mzxml"):
        return h.import_sample(source, out / "sample" / (source.stem + ".ivs"))
    return source


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--sample", default=None)
    parser.add_argument("--out", type=Path, default=h.ROOT / "out")
    parser.add_argument("--channel", default="TIC")
    args = parser.parse_args()
    out = args.out.resolve()
    out.mkdir(parents=True, exist_ok=True)

    print(h.ARCH.announce("demo"), flush=True)
    keep_display = bool(os.environ.get("DISPLAY")) and os.environ.get("APEXER_DEMO_XVFB") != "1"
    started = time.monotonic()
    with h.wine_display(h.ROOT / "build" / "wine" / "demo-prefix",
                        use_display=os.environ["DISPLAY"] if keep_display else None) as env:
        sample = prepare_sample(args, out)
        with h.apexer_session(env, "", sample, out, channel=args.channel) as session:
            # Slow enough to be watched and photographed: the filled dialog stays a moment before OK.
            session.write_host_ini(replace="TRUE", trace=args.channel,
                                   delays={"Ok": 600, "Combine": 150, "Print": 400})
            session.start_host()
            camera = Photographer(session)
            # However many peaks a sample has, a run that stops moving is ended, not waited for.
            result = session.run_apexer(timeout=6 * 3600, during=camera, stalled_after=120)
            journal = session.journal()

    integrations = [e for e in journal if e["ev"] == "dll.IntegrateChromatogramRange"]
    combines = [e for e in journal if e["ev"] == "combine"]
    prints = [e for e in journal if e["ev"] == "print" and e.get("ok")]
    failed_prints = [e for e in journal if e["ev"] == "print" and not e.get("ok")]
    shutil.copy2(session.apexer_ini, out / "Apexer.INI") if session.apexer_ini.exists() else None
    record_path = session.app_dir / "Apexer.log"
    record = record_path.read_bytes().decode("cp1252").splitlines() if record_path.exists() else []
    shutil.copy2(record_path, out / "Apexer.log") if record else None
    lines = [
        f"build:             {h.ARCH.how}, {h.ARCH.why}",
        f"sample:            {sample}",
        f"channel:           {args.channel}",
        f"peaks found:       {integrations[-1]['count'] if integrations and integrations[-1].get('result') else 0}",
        f"spectra combined:  {len(combines)}",
        f"pages printed:     {len(prints)}",
        *[f"  {linux_path(p['pdf'])}" for p in prints],
        *[f"print failed:      {p.get('error', 'no reason given')}" for p in failed_prints],
        f"Apexer exit code:  {result.exit_code}",
        f"Apexer run time:   {result.wall_s:.1f} s (whole demo {time.monotonic() - started:.1f} s)",
        f"journal:           {session.journal_path}",
        f"settings:          {out / 'Apexer.INI'}",
        f"screenshots:       {', '.join(p.name for p in camera.taken) or 'none'}",
        f"run record:        {out / 'Apexer.log' if record else 'none'}",
        *[f"  {line}" for line in record],
    ]
    if camera.errors:
        lines.append(f"screenshot trouble: {'; '.join(camera.errors)}")
    summary = "\n".join(lines)
    (out / "summary.txt").write_text(summary + "\n")
    print(summary)
    return 0 if result.exit_code == 0 and not failed_prints else 1


if __name__ == "__main__":
    try:
        sys.exit(main())
    except h.HarnessError as e:
        print(f"demo: {e}", file=sys.stderr)
        sys.exit(1)
