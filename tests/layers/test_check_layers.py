"""The layer check holds against a small tree of its own: an include that runs up, in either bracket
style, or that reaches the OS outside the Win32 layers, fails it; includes that run down pass."""
from pathlib import Path

import pytest

from check_layers import check

HEADERS = ["src/platform/types.h", "src/common/text.h", "src/processing/run.h", "src/win32/desktop.h",
           "shared/include/shared/cp1252.h", "shared/include/shared/win32/gdi.h"]
# (id, file, its text, whether the check passes)
ROWS = [
    ("down, quoted", "src/processing/run.cpp", '#include "common/text.h"\n#include "platform/types.h"\n', True),
    ("down, bracketed", "src/processing/run.cpp", "#include <common/text.h>\n#include <vector>\n", True),
    ("the OS in the backend", "src/win32/desktop.cpp", "#include <windows.h>\n", True),
    ("the shared rules in the core", "src/common/text.cpp", '#include "shared/cp1252.h"\n', True),
    ("the shared GDI owners in the backend", "src/win32/desktop.cpp", "#include <shared/win32/gdi.h>\n", True),
    ("the shared GDI owners in the core", "src/common/text.cpp", "#include <shared/win32/gdi.h>\n", False),
    ("up, quoted", "src/common/text.cpp", '#include "processing/run.h"\n', False),
    ("up, bracketed", "src/common/text.cpp", "#include <processing/run.h>\n", False),
    ("the core reaching the backend", "src/processing/run.cpp", "#include <win32/desktop.h>\n", False),
    ("the backend reaching the core above common", "src/win32/desktop.cpp", '#include "processing/run.h"\n', False),
    ("the OS in the core", "src/common/text.cpp", "#include <windows.h>\n", False),
    ("a quoted file that is not there", "src/common/text.cpp", '#include "common/gone.h"\n', False),
]


@pytest.fixture
def tree(tmp_path: Path) -> Path:
    """A repository of empty headers, one in each layer a row reaches."""
    (tmp_path / "standin").mkdir()
    for header in HEADERS:
        (tmp_path / header).parent.mkdir(parents=True, exist_ok=True)
        (tmp_path / header).write_text("#pragma once\n")
    return tmp_path


@pytest.mark.parametrize("name, text, passes", [pytest.param(*row[1:], id=row[0]) for row in ROWS])
def test_an_include(tree: Path, name: str, text: str, passes: bool) -> None:
    (tree / name).write_text(text)
    checked, problems = check(tree)
    assert checked > 0, "the file's includes were not read"
    assert (problems == []) == passes, problems
