#!/usr/bin/env python3
"""The layer check holds against a small tree of its own: an include that runs up, in either bracket
style, or that reaches the OS outside the Win32 layers, fails it; includes that run down pass."""
import subprocess
import sys
import tempfile
from pathlib import Path

CHECK = Path(__file__).resolve().parent / "check_layers.py"
HEADERS = ["src/platform/types.h", "src/common/text.h", "src/processing/run.h", "src/win32/desktop.h",
           "shared/include/shared/cp1252.h", "shared/include/shared/win32/gdi.h"]
# (what, file, its text, whether the check passes)
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


def main():
    failures = 0
    for what, name, text, passes in ROWS:
        with tempfile.TemporaryDirectory() as tmp:
            root = Path(tmp)
            (root / "standin").mkdir()
            for header in HEADERS:
                (root / header).parent.mkdir(parents=True, exist_ok=True)
                (root / header).write_text("#pragma once\n")
            (root / name).write_text(text)
            result = subprocess.run([sys.executable, str(CHECK), str(root)], capture_output=True, text=True)
            if (result.returncode == 0) != passes:
                failures += 1
                print(f"{what}: expected the check to {'pass' if passes else 'fail'}\n{result.stdout}")
    print(f"{len(ROWS)} cases, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
