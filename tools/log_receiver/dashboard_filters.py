"""The dashboard's filters, read from a page's query: the time window, the outcome, the
system and the browser. Every value reaches SQL as a parameter; the window must be one of
the offered ones."""

import collections

# (value in the query, name shown, hours; None: all that is stored).
WINDOWS = (("24", "the last 24 hours", 24), ("168", "the last 7 days", 168), ("720", "the last 30 days", 720),
           ("2160", "the last 90 days", 2160), ("all", "everything stored", None))
DEFAULT_WINDOW = "168"
MOST_VALUE_CHARACTERS = 256
HOUR_SECONDS = 3600


class Filters(collections.namedtuple("Filters", "window outcome system browser")):
    @classmethod
    def from_query(cls, query):
        window = query.get("since", DEFAULT_WINDOW)
        if window not in (value for value, _, _ in WINDOWS):
            window = DEFAULT_WINDOW
        return cls(window, *(query.get(name, "")[:MOST_VALUE_CHARACTERS] for name in ("outcome", "system", "browser")))

    @property
    def hours(self):
        return next(hours for value, _, hours in WINDOWS if value == self.window)

    @property
    def window_name(self):
        return next(name for value, name, _ in WINDOWS if value == self.window)

    def start(self, now):
        """The window's first second, or None for everything."""
        return None if self.hours is None else int(now) - self.hours * HOUR_SECONDS

    def where(self, now, prefix=""):
        """An SQL condition and its parameters."""
        conditions, parameters = [], []
        if self.start(now) is not None:
            conditions.append(prefix + "received_at >= ?")
            parameters.append(self.start(now))
        for column in ("outcome", "system", "browser"):
            if getattr(self, column):
                conditions.append("%s%s = ?" % (prefix, column))
                parameters.append(getattr(self, column))
        return " AND ".join(conditions) or "1 = 1", parameters

    def query(self, **changes):
        """The filters as a page query, with some changed: for links."""
        values = self._replace(**changes)
        pairs = {"since": values.window, "outcome": values.outcome, "system": values.system,
                 "browser": values.browser}
        return {name: value for name, value in pairs.items() if value}
