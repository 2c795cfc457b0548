"""A log line as the plug-in writes it, with its variable parts named: "Unable to
download client files.  rc: {rc:number}". A slot is {name} (any text, at least one
character) or {name:number} (decimal digits). The literal parts are the plug-in's own
texts, which the tests look up in its sources.

A line is matched by finding its literal parts in order, never by a regular expression:
lines come from the uploading machine, and a pattern of two free slots backtracks for a
time that grows with the square of a line built for it."""

import re

SLOT = re.compile(r"\{(\w+)(?::(number))?\}")


class LineTemplate:
    def __init__(self, text):
        self.text = text
        parts = SLOT.split(text)
        self.pieces = parts[::3]
        self.slots = list(zip(parts[1::3], parts[2::3]))

    @property
    def prefix(self):
        """The literal text the line starts with ('' when it starts with a slot)."""
        return self.pieces[0]

    @property
    def literals(self):
        """The template's literal parts, in order, without empty ones."""
        return [piece for piece in self.pieces if piece]

    def shape(self):
        """The template with every slot as {}: compared with a printf format's shape."""
        return SLOT.sub("{}", self.text)

    def match(self, line):
        """The slots' values when the line is one of this template's, else None. Each
        literal part is taken where it first occurs after the slot before it."""
        first, last = self.pieces[0], self.pieces[-1]
        if not self.slots:
            return {} if line == self.text else None
        end = len(line) - len(last)
        if not line.startswith(first) or not line.endswith(last) or end < len(first):
            return None
        values, position = {}, len(first)
        for (name, kind), literal in zip(self.slots, self.pieces[1:-1] + [None]):
            stop = end if literal is None else line.find(literal, position + 1, end)
            value = line[position:stop] if stop >= 0 else ""
            if not value or kind == "number" and not (value.isascii() and value.isdigit()):
                return None
            values[name] = value
            position = stop + len(literal or "")
        return values

    def shown(self):
        """The template with its slots shown as an ellipsis: the kind of line, whatever
        its values."""
        return SLOT.sub("\u2026", self.text)
