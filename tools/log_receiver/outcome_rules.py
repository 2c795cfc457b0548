"""How a run went, read from the lines of its install log. The plug-in logs failures and
a few milestones; a run that went well logs nothing of its launch or redirect, so an
update that began and logged no failure is read as succeeded. The rules are one table:
each names a line the plug-in writes, the step of the run that line shows it reached, and
the outcome it means, if any. When several outcome lines are in one log, the one higher in
the table wins: a refused release also logs its failed download (rc 14), a fault in the
update its rc 7."""

import collections
import ntpath

from log_receiver.line_template import LineTemplate

# The steps of a run in their order, for the funnel.
STEPS = ("report", "update", "download", "unpack", "install", "launch")
STEP_NAMES = {
    "report": "the plug-in ran",
    "update": "the update",
    "download": "the packages' download",
    "unpack": "unpacking",
    "install": "the updater's install run",
    "launch": "the launch or redirect",
}
SUCCEEDED = "succeeded"
NO_UPDATE = "no update"
UNSUPPORTED = "unsupported system"
FAULT = "fault"
# The outcomes that are no failure, for the failure table.
NOT_FAILURES = (SUCCEEDED, NO_UPDATE)
# The platform names of the systems the plug-in refuses before it does anything.
UNSUPPORTED_PLATFORMS = ("Windows 95", "Windows 98", "Windows ME", "Win32s on Windows 3.1")
MOST_DETAIL_CHARACTERS = 512

Rule = collections.namedtuple("Rule", "template outcome step detail cause")
# What follows "Release refused: ", grouped by its kind; the first that matches counts.
REFUSAL_REASONS = tuple(LineTemplate(text) for text in (
    "the manifest could not be had: {url}",
    "the manifest cannot be read: {why}",
    "there is no package list to check against a signed manifest.",
    "this system cannot check a signature (it has no SHA-256).",
    "the manifest is not signed by a key this plug-in trusts.",
    "the manifest expired on {date}.",
    "version {version} is older than the installed version {installed}.",
    "the package list differs from the one the manifest names.",
    "the page's FileSha256 for {name} differs from the manifest.",
    "{name} is not named in the manifest.",
    "{name} differs from the one the manifest names.",
))


def rule(text, outcome=None, step=None, detail="", cause=None):
    """cause is how uploads are grouped in the failure table: a format of the slots, a
    function of them, or by default the line's own kind (its template, values left out)."""
    return Rule(LineTemplate(text), outcome, step, detail, cause)


def refusal_kind(values):
    reason = values["reason"]
    return next((template.shown() for template in REFUSAL_REASONS if template.match(reason) is not None), reason)


def unpacked_file(values):
    return "could not unpack " + ntpath.basename(values["path"])


RULES = (
    rule("Exception caught in {method}.  Exception number: {code:number}", FAULT,
         detail="{method}, exception {code}", cause="{method}"),
    rule("The run was cancelled: the page was left before it ended.", "cancelled"),
    rule("Release refused: {reason}", "refused release", "update", detail="{reason}", cause=refusal_kind),
    rule("The package file could not be unpacked, the update stops: {path}", "failed unpack", "unpack",
         detail="{path}", cause=unpacked_file),
    rule('Unable to call "updater.exe -install".', "updater failed", "install"),
    rule("Unabled to launch the client.", "launch failed", "launch"),
    rule("CMyPlugin::StartupClient was executed without a client installation.", "launch failed", "launch"),
    rule("Unable to download client files.  rc: {rc:number}", "failed download", "download", detail="rc {rc}",
         cause="rc {rc}"),
    # Failed downloads that log no rc: a package list that cannot be had fails the run
    # after the updater ran; an installed client's configuration file that cannot be had
    # is logged at its launch.
    rule("downloadPackageList failed to open URL: {url}", "failed download", "download",
         detail="the package list: {url}", cause="the package list could not be had"),
    rule("downloadPackageList: the package list is larger than 64 MiB.", "failed download", "download"),
    rule("downloadPackageList: no memory for the package list.", "failed download", "download"),
    rule("DownloadFile failed to open URL: {url}", "failed download", "download", detail="{url}",
         cause="a URL could not be opened"),
    rule("Releases are not checked for a signature: this plug-in carries no release key.", step="update"),
    rule("Release {version} of {date}, signed by release key {key:number} of {keys:number}.", step="update"),
)
PREFIXES = tuple({rule.template.prefix for rule in RULES})
# Every outcome, the good ones first: the order of the chart's stacks and legend.
OUTCOMES = (SUCCEEDED, NO_UPDATE) + tuple(dict.fromkeys(r.outcome for r in RULES if r.outcome)) + (UNSUPPORTED,)

Outcome = collections.namedtuple("Outcome", "outcome step detail cause")


def cause_of(rule, values):
    if callable(rule.cause):
        return rule.cause(values)
    return rule.cause.format(**values) if rule.cause else rule.template.shown()


def first_matches(lines):
    """Each rule's first matching line's values, by rule."""
    found = {}
    for line in lines:
        if not line.startswith(PREFIXES):
            continue
        for each in RULES:
            if each not in found:
                values = each.template.match(line)
                if values is not None:
                    found[each] = values
    return found


def furthest_step(rules):
    reached = [STEPS.index(each.step) for each in rules if each.step]
    return STEPS[max(reached)] if reached else "report"


def read_outcome(lines, platform=None):
    """The outcome, the step reached, a detail and the cause for grouping, of a log's lines
    (and the report's platform: a refused system does nothing else)."""
    found = first_matches(lines)
    step = furthest_step(found)
    deciding = next((each for each in RULES if each.outcome and each in found), None)
    if platform in UNSUPPORTED_PLATFORMS and (deciding is None or deciding.outcome != FAULT):
        return Outcome(UNSUPPORTED, "report", platform, platform)
    if deciding:
        # The deciding line's own step: the lines it brings after it (a refusal's rc 14)
        # tell of no later step.
        step = deciding.step or step
        values = found[deciding]
        detail = deciding.detail.format(**values)[:MOST_DETAIL_CHARACTERS]
        return Outcome(deciding.outcome, step, detail, cause_of(deciding, values)[:MOST_DETAIL_CHARACTERS])
    if step != "report":
        return Outcome(SUCCEEDED, STEPS[-1], "", "")
    return Outcome(NO_UPDATE, step, "", "")
