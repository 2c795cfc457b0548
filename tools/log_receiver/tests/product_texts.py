"""The plug-in's own texts, read from its C++ sources: every string literal (adjacent
literals joined, escapes resolved). The receiver's rules and the tests' logs are held to
these, so that a line renamed in the plug-in breaks a test instead of a dashboard."""

import re
from pathlib import Path

import receiver_path  # noqa: F401
from log_receiver.line_template import LineTemplate

SOURCE = Path(__file__).resolve().parents[3] / "src"
ESCAPES = {"n": "\n", "r": "\r", "t": "\t", "0": "\0", "\\": "\\", '"': '"', "'": "'"}
PRINTF_CONVERSION = re.compile(r"%[-+ #0]*\d*(?:\.\d+)?(?:hh|h|ll|l|z|j|t|L)?[diouxXcsp]")


def literals_of(code):
    """The string literals of one C++ file, adjacent ones joined (comments may stand
    between them); character literals skipped."""
    found, current, i = [], None, 0
    while i < len(code):
        if code.startswith("//", i):
            i = code.find("\n", i) % (len(code) + 1)
        elif code.startswith("/*", i):
            i = code.find("*/", i) + 2
        elif code[i] == '"':
            text, i = read_literal(code, i + 1)
            current = (current or "") + text
        elif code[i].isspace():
            i += 1
        else:
            i = code.index("'", i + 1 + (code[i + 1] == "\\")) + 1 if code[i] == "'" else i + 1
            if current is not None:
                found.append(current)
                current = None
    if current is not None:
        found.append(current)
    return found


def read_literal(code, i):
    """The literal's text from just after its opening quote; the position after its end."""
    text = []
    while code[i] != '"':
        if code[i] == "\\":
            text.append(ESCAPES.get(code[i + 1], code[i + 1]))
            i += 2
        else:
            text.append(code[i])
            i += 1
    return "".join(text), i + 1


class ProductTexts:
    def __init__(self, source=SOURCE):
        self.literals = set()
        for path in sorted(source.rglob("*.cpp")) + sorted(source.rglob("*.h")):
            self.literals.update(literals_of(path.read_text(encoding="utf-8", errors="replace")))
        self.formats = {PRINTF_CONVERSION.sub("{}", text) for text in self.literals if "%" in text}

    def has(self, text):
        return text in self.literals

    def text(self, text):
        """The text, which must be one of the product's literals."""
        if text not in self.literals:
            raise AssertionError("the plug-in's sources have no text %r" % text)
        return text

    def line(self, *pieces):
        """A line made of product texts and values: pieces alternate text, value, text..."""
        return "".join(self.text(piece) if index % 2 == 0 else piece for index, piece in enumerate(pieces))

    def writes(self, template_text):
        """Whether the plug-in writes lines of that template: a printf format of the same
        shape, or each literal part a text of its own (logged piece by piece)."""
        template = LineTemplate(template_text)
        if template.shape() in self.formats:
            return True
        return bool(template.literals) and all(part in self.literals for part in template.literals)
