"""A person's hand on the Xvfb display: the pointer moved onto a control, a press, a person's pause, the
release. Real X input (xdotool), so Wine takes it as it takes a mouse: the button or menu under the
pointer gets the press, the focus and the capture, and whatever happens on the desktop before the release
happens to that press too.
"""
from __future__ import annotations

import os
import shutil
import subprocess

import harness as h

# A person's click: between press and release.
CLICK_MS = (100, 120)


class Hand:
    def __init__(self, env: h.WineEnv):
        if shutil.which("xdotool") is None:
            raise h.HarnessError("xdotool is missing: install it with ./scripts/setup (package xdotool)")
        self.env = env

    def _xdotool(self, *args: str) -> None:
        env = {"DISPLAY": self.env.env["DISPLAY"], "PATH": os.environ.get("PATH", "/usr/bin:/bin")}
        done = subprocess.run(["xdotool", *args], env=env, capture_output=True, text=True, timeout=30)
        if done.returncode != 0:
            raise h.HarnessError(f"xdotool {' '.join(args)} failed: {done.stderr.strip()}")

    def move_to(self, point: tuple[int, int]) -> None:
        self._xdotool("mousemove", str(point[0]), str(point[1]))

    def press(self, hold_ms: float) -> tuple[float, float]:
        """Press where the pointer stands, hold, release; in one xdotool run, so that the pause is the
        person's and not a process start. The pointer is moved there beforehand, as a hand comes to rest
        on a button before it presses (after xdotool's `mousemove --sync`, no press was seen here at all).
        Returns (before the press, after the release) on the journal's clock."""
        before = h.host_clock_ms()
        self._xdotool("mousedown", "1", "sleep", f"{hold_ms / 1000:.3f}", "mouseup", "1")
        return before, h.host_clock_ms()


def _numbers(text: str, key: str) -> list[int]:
    return [int(v) for v in text.split(key + "=")[1].split()[0].split(",")]


def control_center(env: h.WineEnv, window: str, control_id: int) -> tuple[int, int]:
    """The middle of a child control, in screen pixels."""
    for line in env.driver("controls", window).splitlines():
        if line.startswith(f"id={control_id} "):
            left, top, width, height = _numbers(line, "rect")
            return left + width // 2, top + height // 2
    raise h.HarnessError(f"window {window} has no control {control_id}")


def client_point(env: h.WineEnv, window: str, x: int, y: int) -> tuple[int, int]:
    """A point of the window's client area, in screen pixels."""
    left, top = _numbers(env.driver("info", window), "client")[:2]
    return left + x, top + y


def menu_entry(env: h.WineEnv, window: str) -> tuple[int, int]:
    """The first entry of the window's menu bar, where the driver's click-menu clicks."""
    x, y = (int(v) for v in env.driver("menu-point", window).split(","))
    return x, y
