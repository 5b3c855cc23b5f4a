"""A person's hand on the Xvfb display: the pointer moved onto a control, a press, a person's pause, the
release. Real X input (xdotool), so Wine takes it as it takes a mouse: the button or menu under the
pointer gets the press, the focus and the capture, and whatever happens on the desktop before the release
happens to that press too.
"""
from __future__ import annotations

import os
import re
import shutil
import subprocess
import time

import harness as h
from checks import ABOUT_OK_ID

# A person's click: between press and release.
CLICK_MS = (100, 120)
# A hand that has moved the pointer onto a button comes to rest before it presses.
REST_S = 0.2


class Hand:
    def __init__(self, env: h.WineEnv):
        if shutil.which("xdotool") is None:
            raise h.HarnessError("xdotool is missing: install it with ./scripts/setup (package xdotool)")
        self.env = env

    def _env(self) -> dict[str, str]:
        return {"DISPLAY": self.env.env["DISPLAY"], "PATH": os.environ.get("PATH", "/usr/bin:/bin")}

    def _xdotool(self, *args: str) -> str:
        done = subprocess.run(["xdotool", *args], env=self._env(), capture_output=True, text=True, timeout=30)
        if done.returncode != 0:
            raise h.HarnessError(f"xdotool {' '.join(args)} failed: {done.stderr.strip()}")
        return done.stdout

    def move_to(self, point: tuple[int, int]) -> None:
        """The pointer onto a point, and the hand at rest there: under Wine here a press that follows a move
        of the pointer within a few milliseconds, or any press after xdotool's `mousemove --sync`, is not
        seen at all."""
        self._xdotool("mousemove", str(point[0]), str(point[1]))
        time.sleep(REST_S)

    def sees(self) -> str:
        """The title of the top-level window under the pointer as the display stacks them (Wine names its X
        windows after their titles)."""
        where = dict(line.split("=", 1) for line in self._xdotool("getmouselocation", "--shell").splitlines())
        done = subprocess.run(["xdotool", "getwindowname", where.get("WINDOW", "0")], env=self._env(),
                              capture_output=True, text=True, timeout=30)
        return done.stdout.strip() if done.returncode == 0 else ""

    def raise_window(self, title: str) -> None:
        """Stacks the display's windows of that title above all others, as a window manager does with a
        top-most window."""
        self._xdotool("search", "--name", f"^{re.escape(title)}$", "windowraise", "%@")

    def press(self, hold_ms: float) -> tuple[float, float]:
        """Press where the pointer stands (move_to first), hold, release; in one xdotool run, so that the
        pause is the person's and not a process start. Returns (before the press, after the release) on the journal's clock."""
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


def click_about_ok(hand: Hand, env: h.WineEnv, about: str, title: str = "About Apexer") -> float:
    """Closes the About box with a person's click on OK, and returns when OK was pressed (the journal's
    clock). This display has no window manager, and Wine keeps a top-most window above the others only in
    its own order: a window the host brings to the front afterwards is stacked above the box on the display
    while the box stays on top for Windows. A window manager would raise the box again; this does it."""
    hand.move_to(control_center(env, about, ABOUT_OK_ID))
    if hand.sees() != title:
        hand.raise_window(title)
    seen = hand.sees()
    if seen != title:
        raise h.HarnessError(f"the About box's OK is covered on the display by {seen!r}")
    return hand.press(CLICK_MS[1])[0]
