"""The figures the dashboard, its JSON and the terminal summary show, each one query over
the uploads the filters select: counts by outcome, uploads per hour (per day past a week)
by outcome, the funnel of steps reached, the top failures by cause and system, the
plug-in versions seen and the latest uploads."""

import collections

from log_receiver.outcome_rules import NOT_FAILURES, STEP_NAMES, STEPS

HOUR_SECONDS = 3600
DAY_SECONDS = 86400
# Past this many hours the chart counts per day: a bar per hour would be too thin to see.
MOST_HOURLY_HOURS = 168
MOST_FAILURE_ROWS = 20
MOST_VERSION_ROWS = 20
MOST_RECENT_ROWS = 50
MOST_CHOICES = 100
RECENT_COLUMNS = ("id", "received_at", "path", "outcome", "detail", "system", "browser", "plugin_version",
                  "client_found", "body_bytes")

Failure = collections.namedtuple("Failure", "outcome cause system browser count")
Version = collections.namedtuple("Version", "version count last_seen")
Step = collections.namedtuple("Step", "step name reached")


class Figures:
    def __init__(self, store, filters, now):
        self.store, self.filters, self.now = store, filters, int(now)
        self.condition, self.parameters = filters.where(now)

    def select(self, what, tail="", extra_condition="", extra=()):
        sql = "SELECT %s FROM uploads WHERE %s%s %s" % (what, self.condition, extra_condition, tail)
        return self.store.rows(sql, tuple(self.parameters) + tuple(extra))

    def by_outcome(self):
        """[(outcome, count)], most first."""
        return [tuple(row) for row in self.select("outcome, COUNT(*)", "GROUP BY outcome ORDER BY 2 DESC, 1")]

    def total(self):
        return self.select("COUNT(*)")[0][0]

    def bucket_seconds(self, first):
        hours = self.filters.hours
        if hours is None:
            hours = (self.now - first) / HOUR_SECONDS if first is not None else 0
        return HOUR_SECONDS if hours <= MOST_HOURLY_HOURS else DAY_SECONDS

    def per_bucket(self):
        """(bucket seconds, first bucket's start, last bucket's start, {(start, outcome): count})."""
        first = self.filters.start(self.now)
        if first is None:
            first = self.select("MIN(received_at)")[0][0]
        size = self.bucket_seconds(first)
        counts = {(bucket * size, outcome): count for bucket, outcome, count in
                  self.select("received_at / %d, outcome, COUNT(*)" % size, "GROUP BY 1, 2")}
        start = (first if first is not None else self.now) // size * size
        return size, start, self.now // size * size, counts

    def funnel(self):
        """Every step with the number of uploads that reached it or a later one."""
        reached = dict(tuple(row) for row in self.select("step, COUNT(*)", "GROUP BY step"))
        steps, later = [], 0
        for step in reversed(STEPS):
            later += reached.get(step, 0)
            steps.append(Step(step, STEP_NAMES[step], later))
        return steps[::-1]

    def failures(self):
        marks = ", ".join("?" * len(NOT_FAILURES))
        rows = self.select("outcome, cause, system, browser, COUNT(*)",
                           "GROUP BY outcome, cause, system, browser ORDER BY 5 DESC, 1, 2 LIMIT %d"
                           % MOST_FAILURE_ROWS, " AND outcome NOT IN (%s)" % marks, NOT_FAILURES)
        return [Failure(*row) for row in rows]

    def versions(self):
        rows = self.select("plugin_version, COUNT(*), MAX(received_at)",
                           "GROUP BY plugin_version ORDER BY 2 DESC, 1 LIMIT %d" % MOST_VERSION_ROWS)
        return [Version(*row) for row in rows]

    def recent(self):
        rows = self.select(", ".join(RECENT_COLUMNS), "ORDER BY id DESC LIMIT %d" % MOST_RECENT_ROWS)
        return [dict(zip(RECENT_COLUMNS, row)) for row in rows]


def filter_choices(store, filters, now):
    """The values seen in the window of each filtered column, for the filter form:
    {column: [values]}, the most frequent first."""
    window = filters._replace(outcome="", system="", browser="")
    condition, parameters = window.where(now)
    return {column: [row[0] for row in store.rows(
        "SELECT %s FROM uploads WHERE %s AND %s IS NOT NULL GROUP BY %s ORDER BY COUNT(*) DESC, 1 LIMIT %d"
        % (column, condition, column, column, MOST_CHOICES), parameters)]
        for column in ("outcome", "system", "browser")}
