"""The chart of uploads per hour (or day) by outcome, as the shapes of an SVG drawn on
the server: one stacked bar per period, the outcomes in a fixed order, a few labels on
each axis. The page's template draws the shapes; every text in them is escaped there."""

import collections
import re
import time

from log_receiver.outcome_rules import OUTCOMES

WIDTH, HEIGHT = 960, 240
LEFT, RIGHT, TOP, BOTTOM = 44, 8, 8, 26
MOST_X_LABELS = 8
# Room a period's label takes at the chart's font size: none may run past the right edge.
X_LABEL_WIDTH = 100

Segment = collections.namedtuple("Segment", "x y width height outcome slug count title")
Label = collections.namedtuple("Label", "x y text")


def outcome_slug(outcome):
    """The outcome as a CSS class name part: lower-case letters and dashes."""
    return re.sub(r"[^a-z]+", "-", outcome.lower()).strip("-") or "other"


def period_text(start, size):
    form = "%Y-%m-%d %H:00" if size < 86400 else "%Y-%m-%d"
    return time.strftime(form, time.gmtime(start))


def stacks(size, first, last, counts):
    """[(period start, [(outcome, count)])] for every period, empty ones included."""
    known = [outcome for outcome in OUTCOMES if any(key[1] == outcome for key in counts)]
    others = sorted({outcome for _, outcome in counts} - set(known))
    order = known + others
    return [(start, [(outcome, counts[start, outcome]) for outcome in order if (start, outcome) in counts])
            for start in range(first, last + size, size)], order


def y_labels(highest, plot_height):
    marks = sorted({0, (highest + 1) // 2, highest})
    return [Label(LEFT - 6, TOP + plot_height - plot_height * mark / highest, str(mark)) for mark in marks]


def chart(size, first, last, counts):
    """The chart's shapes: a dict with width, height, segments, y_labels, x_labels,
    legend (outcome, slug) and the period's name."""
    periods, order = stacks(size, first, last, counts)
    plot_width, plot_height = WIDTH - LEFT - RIGHT, HEIGHT - TOP - BOTTOM
    highest = max([sum(count for _, count in stack) for _, stack in periods] + [1])
    bar = plot_width / len(periods)
    segments, x_labels = [], []
    every = max(1, -(-len(periods) // MOST_X_LABELS))
    for index, (start, stack) in enumerate(periods):
        x, base = LEFT + index * bar, TOP + plot_height
        for outcome, count in stack:
            height = plot_height * count / highest
            base -= height
            title = "%s: %d %s" % (period_text(start, size), count, outcome)
            segments.append(Segment(round(x + bar * 0.1, 2), round(base, 2), round(bar * 0.8, 2), round(height, 2),
                                    outcome, outcome_slug(outcome), count, title))
        if index % every == 0 and x + X_LABEL_WIDTH <= WIDTH:
            x_labels.append(Label(round(x, 2), HEIGHT - 8, period_text(start, size)))
    return {"width": WIDTH, "height": HEIGHT, "segments": segments, "y_labels": y_labels(highest, plot_height),
            "x_labels": x_labels, "legend": [(outcome, outcome_slug(outcome)) for outcome in order],
            "period": "hour" if size < 86400 else "day", "axis_y": TOP + plot_height, "left": LEFT,
            "right": WIDTH - RIGHT}
