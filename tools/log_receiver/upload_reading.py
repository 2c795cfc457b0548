"""An upload read into the fields the store keeps: the report's, the run's outcome from
the log's lines, and the shape of the body. The body is the report, the title line of
the log, the log's lines, an empty line and a line of 80 dashes; a body cut anywhere, or
one that is not the plug-in's at all, is read as far as it goes."""

import re

from log_receiver.body_text import body_text, text_lines
from log_receiver.browser_names import browser_name
from log_receiver.outcome_rules import read_outcome
from log_receiver.report_fields import report_fields

LOG_TITLE = re.compile(r"^-+ Log of \S+ Messages -+$")
SEPARATOR = "-" * 80
# The report has some fifty lines; a body without a log title is looked at no further
# for report fields.
MOST_REPORT_LINES = 200


def body_parts(lines):
    """(report lines, log lines, complete): complete when the body ends as the plug-in
    ends it."""
    title = next((i for i, line in enumerate(lines[:MOST_REPORT_LINES]) if LOG_TITLE.match(line)), None)
    if title is None:
        return lines[:MOST_REPORT_LINES], lines, False
    log = lines[title + 1:]
    complete = len(log) >= 2 and log[-1] == SEPARATOR and log[-2] == ""
    return lines[:title], log[:-2] if complete else log, complete


def log_lines(body, content_type):
    """The log's own lines of a stored body, for showing it."""
    return body_parts(text_lines(body_text(body, content_type)))[1]


def read_upload(body, content_type):
    """The fields of an upload's body: a dict of the report's fields, browser, outcome,
    step, detail, cause, line_count and complete."""
    report, log, complete = body_parts(text_lines(body_text(body, content_type)))
    fields = report_fields(report)
    outcome = read_outcome(log, fields["platform"])
    fields.update(browser=browser_name(fields["user_agent"]), outcome=outcome.outcome, step=outcome.step,
                  detail=outcome.detail, cause=outcome.cause, line_count=len(log), complete=int(complete))
    return fields
