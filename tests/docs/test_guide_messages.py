"""Every text the program can show (an error, the error box, the status window) is explained in the user's
guide: a message text in src/ that docs/user-guide.html does not contain fails."""
from pathlib import Path

import pytest

from check_guide_messages import Source, guide_words

ROOT = Path(__file__).resolve().parents[2]


@pytest.fixture(scope="module")
def messages() -> list[tuple[str, str]]:
    """(where, piece) for every piece of every text src/ shows."""
    return Source(ROOT / "src").messages()


def test_the_texts_are_found_in_the_sources(messages: list[tuple[str, str]]) -> None:
    assert len(messages) > 10, "the search no longer matches the code"


def test_the_guide_says_every_text_the_program_shows(messages: list[tuple[str, str]]) -> None:
    words = guide_words(ROOT / "docs" / "user-guide.html")
    missing = sorted({f"{where}: {piece!r}" for where, piece in messages if piece not in words})
    assert missing == [], "texts the guide does not say"
