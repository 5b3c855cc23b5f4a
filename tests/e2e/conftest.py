"""Fixtures of the Wine-side suites: one prefix and display per pytest run, and runs that are always ended,
then held to the checks every run must pass. Measurements go to results.json beside the JUnit report.

    python3 -m pytest tests/e2e/test_scenarios.py --out DIR [-k NAME]
"""
from __future__ import annotations

import json
import shutil
import sys
import time
from pathlib import Path

import pytest

sys.path.insert(0, str(Path(__file__).resolve().parent))
pytest.register_assert_rewrite("checks", "run_record")
import harness as h  # noqa: E402
import checks  # noqa: E402
import run_record  # noqa: E402
import signing  # noqa: E402
from person import Hand  # noqa: E402


def pytest_addoption(parser: pytest.Parser) -> None:
    parser.addoption("--out", type=Path, default=None, help="where runs, results.json and the pages go")
    parser.addoption("--clicks", type=int, default=20, help="runs of each of test_clicks.py's clicking scenarios")


def pytest_generate_tests(metafunc: pytest.Metafunc) -> None:
    # One run per click, each its own test, so that -k picks one and a failure names its click.
    if "click" in metafunc.fixturenames:
        count = metafunc.config.getoption("--clicks")
        metafunc.parametrize("click", range(1, count + 1), ids=[f"click{n:02d}" for n in range(1, count + 1)])


def pytest_report_header(config: pytest.Config) -> str:
    return h.ARCH.announce("wine")


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item: pytest.Item, call):
    # Lets a fixture see, at its teardown, whether the test body passed.
    outcome = yield
    report = outcome.get_result()
    setattr(item, "outcome_" + report.when, report)


@pytest.fixture(scope="session")
def out(request: pytest.FixtureRequest) -> Path:
    folder = (request.config.getoption("--out") or h.ROOT / "build" / "e2e").resolve()
    folder.mkdir(parents=True, exist_ok=True)
    return folder


@pytest.fixture(scope="session")
def results(out: Path):
    """Each scenario's measurements by name; written once the session ends, passed or not."""
    scenarios: dict[str, dict] = {}
    started = time.monotonic()
    yield scenarios
    failures = sum(1 for r in scenarios.values() if not r["passed"] and not r.get("skipped"))
    (out / "results.json").write_text(json.dumps(
        {"path": h.ARCH.path, "arch": h.ARCH.arch, "host_arch": h.ARCH.host_arch, "wine": f"{h.ARCH.bits}-bit",
         "how": h.ARCH.how, "why": h.ARCH.why, "seconds": round(time.monotonic() - started, 1),
         "failures": failures, "scenarios": scenarios}, indent=2))


@pytest.fixture(scope="session")
def wine_env():
    with h.wine_display(h.ROOT / "build" / "wine" / "e2e-prefix") as env:
        yield env


@pytest.fixture
def hand(wine_env: h.WineEnv) -> Hand:
    """A person's hand on the display: real X input."""
    return Hand(wine_env)


@pytest.fixture(scope="session")
def sample(out: Path) -> Path:
    return h.make_sample(out / "samples" / "suite.ivs", seed=11)


class Runs:
    """The runs of one scenario: each opened here is ended here, however the scenario ends."""

    def __init__(self, env: h.WineEnv, out: Path, sample: Path, signed: dict | None = None):
        self.env = env
        self.out = out
        self.sample = sample
        self.sessions: list[h.Session] = []
        self.measured: dict = {}
        self.signed = signed or {}

    def open(self, name: str, sample: Path | None = None, app_folder: str = "app",
             with_libraries: bool = True) -> h.Session:
        s = h.apexer_session(self.env, name, sample or self.sample, self.out, app_folder=app_folder,
                             with_libraries=with_libraries)
        self.sessions.append(s)
        return s

    def open_with_host(self, name: str, **host) -> h.Session:
        """A run whose stand-in host is up, its settings (faults, delays, "Replace") as `host` gives them."""
        s = self.open(name)
        s.write_host_ini(**host)
        s.start_host()
        return s

    def close(self) -> None:
        for s in self.sessions:
            s.close()


def _scenario(request: pytest.FixtureRequest, wine_env: h.WineEnv, out: Path, sample: Path, results: dict,
              after_passing, signed: dict | None = None):
    """Runs for one scenario, ended however it ends; once its body passes, `after_passing(runs)` checks the
    runs and returns what it measured, and the scenario's measurements go to results.json."""
    name = request.node.name.removeprefix("test_")
    started = time.monotonic()
    r = Runs(wine_env, out, sample, signed)
    try:
        yield r
    finally:
        r.close()
    body = getattr(request.node, "outcome_call", None)
    if body is not None and body.skipped:
        results[name] = {"passed": False, "skipped": True, "reason": str(body.longrepr[-1])}
        return
    if body is None or not body.passed:
        results[name] = {"passed": False, "error": str(body.longrepr).splitlines()[-1] if body else "not run"}
        return
    results[name] = {"passed": False, "error": "the checks after the scenario failed"}
    checked = after_passing(r)
    results[name] = {"passed": True, "seconds": round(time.monotonic() - started, 1), **r.measured, **checked}


def _check_host_runs(r: Runs) -> dict:
    checked = sum(checks.check_ranges(s) for s in r.sessions)
    for s in r.sessions:
        assert [e["key"] for e in s.events("fault.unknown")] == [], "faults the stand-in does not play"
        run_record.check_record(s)
    return {"peaks_range_checked": checked}


@pytest.fixture
def runs(request: pytest.FixtureRequest, wine_env: h.WineEnv, out: Path, sample: Path, results: dict):
    """After a scenario passes, every run of it is held to the checks no scenario may leave out: each OK
    the host saw carries its peak's range, the run record tells the journal's story, and the stand-in knew
    every fault the scenario set (its names are the host doubles' one table, shared/host_faults.def)."""
    yield from _scenario(request, wine_env, out, sample, results, _check_host_runs)


@pytest.fixture
def hostless_runs(request: pytest.FixtureRequest, wine_env: h.WineEnv, out: Path, sample: Path, results: dict):
    """Runs that end before any host could answer (no libraries, a library short of an entry point, a
    folder the fixtures do not own): ended and measured like the others, with no journal to hold them to."""
    yield from _scenario(request, wine_env, out, sample, results, lambda r: {})


@pytest.fixture(scope="session")
def signed_programs(wine_env: h.WineEnv, out: Path):
    """Apexer.exe and ApexerCheck.exe as a release signs them, by a throwaway authority that this prefix
    trusts for the session, as a laboratory's IT trusts its own; taken out of the trusted roots at the end."""
    folder = out / "signing"
    shutil.rmtree(folder, ignore_errors=True)
    authority = signing.Authority(folder / "authority")
    programs = {"authority": authority,
                "Apexer.exe": authority.sign(h.APEXER_EXE, folder / "signed" / "Apexer.exe"),
                "ApexerCheck.exe": authority.sign(h.CHECK_EXE, folder / "signed" / "ApexerCheck.exe", "Apexer Check")}
    wine_env.driver("trust-root", h.winpath(authority.ca_cer))
    try:
        yield programs
    finally:
        wine_env.driver("distrust-root", h.winpath(authority.ca_cer))


@pytest.fixture
def check_runs(request: pytest.FixtureRequest, wine_env: h.WineEnv, out: Path, sample: Path, results: dict,
               signed_programs: dict):
    """Runs of the self-check, ended and measured like the others, with both programs signed as a release
    has them (runs.signed); what a check must leave behind (its report, the host untouched) each test states
    itself."""
    yield from _scenario(request, wine_env, out, sample, results, lambda r: {}, signed_programs)
