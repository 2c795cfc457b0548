"""The dashboard's figures as text for a terminal: `log-receiver summary`."""

import time

from log_receiver.figures import Figures


def when(seconds):
    return time.strftime("%Y-%m-%d %H:%M UTC", time.gmtime(seconds)) if seconds is not None else "-"


def summary_lines(store, filters, now):
    figures = Figures(store, filters, now)
    total = figures.total()
    lines = ["%d upload(s) in %s" % (total, filters.window_name), "", "by outcome:"]
    lines += ["  %-20s %7d  %5.1f %%" % (outcome, count, 100.0 * count / total)
              for outcome, count in figures.by_outcome()]
    lines += ["", "how far the runs got:"]
    lines += ["  %-30s %7d" % (step.name, step.reached) for step in figures.funnel()]
    lines += ["", "top failures by cause and system:"]
    lines += ["  %7d  %s: %s; %s; %s" % (f.count, f.outcome, f.cause, f.system or "unknown system",
                                          f.browser or "unknown browser") for f in figures.failures()] or ["  none"]
    lines += ["", "plug-in versions seen:"]
    lines += ["  %-16s %7d  last %s" % (v.version or "unknown", v.count, when(v.last_seen))
              for v in figures.versions()]
    return lines
