"""The emulated 32-bit side of Wine (scripts/lib/emulated32), in a prefix of its own, on the path that uses
it: a 32-bit process runs under WoW64 and can reserve 512 MB in one piece below 2 GB, a warm 32-bit start
takes seconds rather than a minute, processes start one another across both architectures, and nothing
complains on standard error. Uses wow64_probe.exe of both Windows builds (tests/wine/emulation).

    scripts/lib/pytest tests/e2e/test_emulated32.py     (./scripts/test runs it)
"""
from __future__ import annotations

import time
from collections.abc import Iterator

import pytest

import harness as h

pytestmark = pytest.mark.skipif(h.ARCH.path != "emulated32", reason=f"not the path here ({h.ARCH.path})")

PROBE = {bits: h.ROOT / "build" / preset / "tests" / "wine" / "emulation" / "wow64_probe.exe"
         for bits, preset in (("32", "mingw-i686"), ("64", "mingw-x86_64"))}
# 32-bit code lives below 2 GB: a loader that kept the preload's ranges from Wine leaves no 512 MB there.
INFO = {"32": "bits=32 wow64=1 reserve_512mb=1", "64": "bits=64 wow64=0 reserve_512mb=1"}


@pytest.fixture(scope="module")
def wine() -> Iterator[h.WineEnv]:
    for probe_exe in PROBE.values():
        assert probe_exe.is_file(), f"{probe_exe} is missing: build both Windows presets first"
    with h.wine_display(h.ROOT / "build" / "emulated32-check" / "prefix") as env:
        env.run([str(PROBE["32"]), "info"], timeout=120)  # the first 32-bit start of a prefix starts its services
        yield env


def probe(env: h.WineEnv, bits: str, *args: str) -> tuple[str, str]:
    """What the probe of that width printed, and its standard error."""
    done = env.run([str(PROBE[bits]), *args], timeout=120)
    return done.stdout.replace("\r", "").strip(), done.stderr.strip()


def test_a_32bit_process_runs_under_wow64_with_512mb_below_2gb(wine: h.WineEnv) -> None:
    assert probe(wine, "32", "info") == (INFO["32"], "")


def test_a_warm_32bit_start_takes_seconds_not_a_minute(wine: h.WineEnv, record_property) -> None:
    started = time.monotonic()
    probe(wine, "32", "info")
    seconds = time.monotonic() - started
    record_property("warm_32bit_start_s", round(seconds, 1))
    # Without the preload library every 32-bit start probes the address space for over a minute.
    assert seconds < 20


@pytest.mark.parametrize("parent, child", [("64", "32"), ("32", "32"), ("32", "64")],
                         ids=["64-starts-32", "32-starts-32", "32-starts-64"])
def test_processes_start_one_another(wine: h.WineEnv, parent: str, child: str) -> None:
    # A 64-bit child must not complain about the 32-bit preload library on standard error.
    assert probe(wine, parent, "spawn", h.winpath(PROBE[child]), "info") == (f"{INFO[child]}\nchild_exit=0", "")
