"""The browser family and version a user agent names, for grouping uploads by browser.
The plug-in runs in browsers that take Netscape plug-ins; several of them name another
family's token too (Chrome says Safari, SeaMonkey and Netscape 9 say Firefox), so the
table is tried in order and the first match names the browser."""

import re

BROWSERS = (
    ("SeaMonkey", re.compile(r"SeaMonkey/(\d+(?:\.\d+)?)")),
    ("Netscape", re.compile(r"(?:Navigator|Netscape\d?)/(\d+(?:\.\d+)?)")),
    ("Opera", re.compile(r"Opera[/ ](\d+(?:\.\d+)?)")),
    ("Firefox", re.compile(r"Firefox/(\d+(?:\.\d+)?)")),
    ("Chrome", re.compile(r"Chrome/(\d+)")),
    ("Safari", re.compile(r"Version/(\d+(?:\.\d+)?).*Safari/")),
    ("Internet Explorer", re.compile(r"MSIE (\d+(?:\.\d+)?)")),
    ("Mozilla", re.compile(r"rv:(\d+(?:\.\d+)?)\) Gecko/")),
    # Netscape 4 and earlier: "Mozilla/4.7 [en] (WinNT; I)", no "compatible".
    ("Netscape", re.compile(r"^Mozilla/([1-4]\.\d+) (?!\(compatible)")),
)


def browser_name(user_agent):
    """'Firefox 1.5', 'Netscape 4.7', ...; 'other' for an agent the table does not know,
    None without one."""
    if not user_agent:
        return None
    for family, pattern in BROWSERS:
        found = pattern.search(user_agent)
        if found:
            return "%s %s" % (family, found.group(1))
    return "other"
