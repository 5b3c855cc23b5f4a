"""A person's clicks during a run: Cancel and About clicked with real X input at random moments of runs
against a fast host, and a button held down on the status window, which holds the run's next request
back until it is released (or for five seconds at most).

    tests/wine/run-e2e.sh [--clicks N] [-k clicked]

Each click's moment comes from its id, so a failing click can be run again as it was.
"""
from __future__ import annotations

import random
import threading
import time

import pytest

import harness as h
import run_record
from checks import CANCEL_ID, ECHOES, REQUESTS, check_run_completed, placement, replace_value
from conftest import Runs
from person import CLICK_MS, Hand, click_about_ok, client_point, control_center, menu_entry

PEAKS = 40
# From the first combine: a 40-peak run with a fast host lasts several seconds more under every build.
MOMENT_S = (0.2, 2.5)
# The yield that dispatches a press comes after the step the run is taking; its requests are no fault.
SEEN_WITHIN_MS = 250
LONGEST_HOLD_MS = 5000


def moment(name: str) -> tuple[float, float]:
    """When after the first combine, and for how long, the person clicks."""
    rng = random.Random(name)
    return rng.uniform(*MOMENT_S), rng.uniform(*CLICK_MS)


def click_during_run(session: h.Session, hand: Hand, where, after_s: float, hold_ms: float) -> str:
    """The person's click: the pointer brought onto `where(status window)` while the run starts, then, once
    the host has combined its first spectrum and `after_s` more have passed, a press of `hold_ms`. Returns the
    status window."""
    status = session.find_window("Apexer", 20000)
    assert status is not None, "no status window"
    point = where(status)
    hand.move_to(point)
    session.wait_journal(lambda e: e["ev"] == "combine", 60, "the first combine")
    time.sleep(after_s)
    hand.press(hold_ms)
    return status


def requests_between(s: h.Session, start_ms: float, end_ms: float) -> list[str]:
    return [e["ev"] for e in s.journal() if e["ev"] in REQUESTS | ECHOES and start_ms <= e["tq"] <= end_ms]


def test_cancel_clicked(runs: Runs, hand: Hand, click: int) -> None:
    name = f"cancel-click{click:02d}"
    after_s, hold_ms = moment(name)
    seen = {}

    def person(session: h.Session, proc) -> None:
        click_during_run(session, hand, lambda status: control_center(session.env, status, CANCEL_ID), after_s, hold_ms)
        released = time.monotonic()
        session.reap(proc, 30)
        seen["exit_ms"] = (proc.reaped[0] - released) * 1000

    s = runs.open_with_host(name, faults={"IntegratorPeaks": PEAKS})
    result = s.run_apexer(timeout=120, during=person)
    combined = len(s.events("combine"))
    assert result.exit_code == 2, \
        f"Cancel pressed {after_s:.2f} s after the first combine for {hold_ms:.0f} ms: the run went on " \
        f"({combined} combines, exit code {result.exit_code})"
    assert replace_value(s) == "TRUE", "Replace after Cancel"
    assert run_record.ending(s) == "cancelled by the user", "the run record's ending"
    assert placement(s) is None, "stored placement"
    runs.measured.update({"after_first_combine_s": round(after_s, 3), "press_ms": round(hold_ms), "combines": combined,
                          "release_to_exit_ms": round(seen["exit_ms"])})


def test_about_clicked(runs: Runs, hand: Hand, click: int) -> None:
    name = f"about-click{click:02d}"
    after_s, hold_ms = moment(name)
    seen = {}

    def person(session: h.Session, proc) -> None:
        click_during_run(session, hand, lambda status: menu_entry(session.env, status), after_s, hold_ms)
        about = session.find_window("About Apexer", 10000)
        assert about is not None, \
            f"About pressed {after_s:.2f} s after the first combine for {hold_ms:.0f} ms: no About box"
        opened = h.host_clock_ms()
        time.sleep(0.3)  # a person reads it
        closing = click_about_ok(hand, session.env, about)
        seen["open_ms"] = (opened, closing)
        gone = h.sample_until(lambda: session.find_window("About Apexer", 0), lambda w: w is None)
        assert gone is None, "OK clicked: the About box did not close"

    s = runs.open_with_host(name, faults={"IntegratorPeaks": PEAKS})
    result = s.run_apexer(timeout=300, during=person)
    check_run_completed(s, result, PEAKS, "TRUE")
    opened, closing = seen["open_ms"]
    asked = requests_between(s, opened, closing)
    assert asked == [], f"requests to the host during the {closing - opened:.0f} ms the About box was open"
    runs.measured.update({"after_first_combine_s": round(after_s, 3), "press_ms": round(hold_ms),
                          "wall_s": round(result.wall_s, 2)})


@pytest.mark.parametrize("hold_ms", [2500, LONGEST_HOLD_MS + 2000], ids=["held-2.5s", "held-past-the-bound"])
def test_press_held_on_the_status_window(runs: Runs, hand: Hand, wine_env: h.WineEnv, hold_ms: int) -> None:
    """A button held down on the status window's client area: the run asks the host nothing until the
    release, at most five seconds, and meanwhile waits without spinning; then it goes on to its end."""
    seen = {}

    def person(session: h.Session, proc) -> None:
        status = session.find_window("Apexer", 20000)
        assert status is not None, "no status window"
        spot = client_point(session.env, status, 4, 4)  # beside the label, on no control
        hand.move_to(spot)
        session.wait_journal(lambda e: e["ev"] == "combine", 60, "the first combine")
        time.sleep(0.5)
        pressing = threading.Thread(target=lambda: seen.update(press=hand.press(hold_ms)))
        pressing.start()
        time.sleep(1.0)
        seen["cpu_percent"] = h.cpu_percent(wine_env, 1.2 if hold_ms < LONGEST_HOLD_MS else 3.0)
        pressing.join(timeout=hold_ms / 1000 + 30)

    s = runs.open_with_host(f"held-{hold_ms}", faults={"IntegratorPeaks": PEAKS})
    result = s.run_apexer(timeout=300, during=person)
    check_run_completed(s, result, PEAKS, "TRUE")
    pressed, released = seen["press"]
    held_until = min(released, pressed + LONGEST_HOLD_MS)
    during = requests_between(s, pressed + SEEN_WITHIN_MS, held_until - 50)
    assert during == [], f"requests while the button was held ({released - pressed:.0f} ms): {during}"
    resumed = [e["tq"] for e in s.journal() if e["ev"] in REQUESTS | ECHOES and e["tq"] > held_until - 50]
    assert resumed, "no request after the hold"
    resumed_ms = resumed[0] - held_until
    assert resumed_ms < 1000, f"the run went on {resumed_ms:.0f} ms after the hold ended"
    assert seen["cpu_percent"] < 25, f"the hold used {seen['cpu_percent']:.1f} % of a core"
    runs.measured.update({"held_ms": round(released - pressed), "resumed_after_ms": round(resumed_ms),
                          "cpu_while_held_percent": round(seen["cpu_percent"], 2), "wall_s": round(result.wall_s, 2)})

