"""Every include of the repository runs down the layers of docs/ARCHITECTURE.md (check_layers.py)."""
from pathlib import Path

from check_layers import check

ROOT = Path(__file__).resolve().parents[2]


def test_every_include_runs_down_the_layers() -> None:
    checked, problems = check(ROOT)
    assert checked > 0, "no include read: the check no longer finds the sources"
    assert problems == []
