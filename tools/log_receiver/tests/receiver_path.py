"""Puts tools/ on the import path, where the receiver's package lives: imported first by
the tests and their helpers."""

import sys
from pathlib import Path

TOOLS = Path(__file__).resolve().parents[2]
if str(TOOLS) not in sys.path:
    sys.path.insert(0, str(TOOLS))
