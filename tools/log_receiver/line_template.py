"""A log line as the plug-in writes it, with its variable parts named: "Unable to
download client files.  rc: {rc:number}". A slot is {name} (any text) or {name:number}
(decimal digits). The literal parts are the plug-in's own texts, which the tests look up
in its sources."""

import re

SLOT = re.compile(r"\{(\w+)(?::(number))?\}")
SLOT_PATTERNS = {None: "(?P<%s>.+)", "number": "(?P<%s>\\d+)"}


class LineTemplate:
    def __init__(self, text):
        self.text = text
        self.pieces = SLOT.split(text)[::3]
        pattern, position = [], 0
        for slot in SLOT.finditer(text):
            pattern.append(re.escape(text[position:slot.start()]))
            pattern.append(SLOT_PATTERNS[slot.group(2)] % slot.group(1))
            position = slot.end()
        pattern.append(re.escape(text[position:]))
        self.pattern = re.compile("".join(pattern) + "$")

    @property
    def prefix(self):
        """The literal text the line starts with ('' when it starts with a slot)."""
        return self.pieces[0]

    @property
    def literals(self):
        """The template's literal parts, in order, without empty ones."""
        return [piece for piece in self.pieces if piece]

    def match(self, line):
        """The slots' values when the line is one of this template's, else None."""
        found = self.pattern.match(line)
        return found.groupdict() if found else None

    def shown(self):
        """The template with its slots shown as an ellipsis: the kind of line, whatever
        its values."""
        return SLOT.sub("\u2026", self.text)
