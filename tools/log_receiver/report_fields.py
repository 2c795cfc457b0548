"""The machine report at the front of an upload, read into fields. The report is a run of
"label: value" lines in a fixed order; any of them may be missing (a cut body, a system
that could not say), so each field is looked for by its label alone and left None when
absent. Values are cut to a bound: they come from the uploading machine."""

import re

NO_INSTALLATION = "An installation could not be found."
MOST_FIELD_CHARACTERS = 1024
OWN_VERSION = re.compile(r"^  \S+ version: (.*)$")
ACCEPT_LANGUAGE = "Accept-Language: "

# Label at the line's start -> the field its value goes to; the first line with a label
# counts.
LABELS = {
    "  Platform: ": "platform",
    "  Version: ": "version_line",
    "Client installation directory: ": "client_dir",
    "  Language ID: ": "language_id",
    "  Locale Identifier: ": "locale_id",
    "  LOCALE_SISO639LANGNAME : ": "iso_language",
    "  LOCALE_SISO3166CTRYNAME: ": "iso_country",
    "  LOCALE_SENGLANGUAGE: ": "language_name",
    "  LOCALE_SENGCOUNTRY: ": "country_name",
    "  User Agent: >": "user_agent",
    "  Accept language header: >": "accept_language",
}


def bounded(text, most=MOST_FIELD_CHARACTERS):
    return None if text is None else text[:most]


def labelled_values(lines):
    found = {}
    for line in lines:
        for label, field in LABELS.items():
            if line.startswith(label) and field not in found:
                found[field] = line[len(label):]
        if "plugin_version" not in found:
            own = OWN_VERSION.match(line)
            if own:
                found["plugin_version"] = own.group(1)
    return found


def unquoted(value):
    """The value without the report's closing < mark (the label holds the opening >)."""
    return value[:-1] if value is not None and value.endswith("<") else value


def version_parts(line):
    """'6.1.7601  Service Pack 1' -> ('6.1.7601', 'Service Pack 1')."""
    if line is None:
        return None, None
    number, _, service_pack = line.partition("  ")
    return number.strip(), service_pack.strip()


def system_name(platform, os_version, service_pack):
    """Platform, major.minor and service pack in one name, for grouping: the platform
    names the old Windows families only (Windows 7 reports as "Windows XP"), the number
    tells them apart."""
    if platform is None:
        return None
    parts = [platform]
    if os_version:
        parts.append(".".join(os_version.split(".")[:2]))
    name = " ".join(parts)
    return "%s, %s" % (name, service_pack) if service_pack else name


def locale_name(language, country):
    if not language:
        return None
    return "%s-%s" % (language, country) if country else language


def report_fields(lines):
    """The report's fields from its lines, as a dict; None for what is missing."""
    found = labelled_values(lines)
    os_version, service_pack = version_parts(found.get("version_line"))
    client_dir = found.get("client_dir")
    accept = unquoted(found.get("accept_language"))
    if accept is not None and accept.startswith(ACCEPT_LANGUAGE):
        accept = accept[len(ACCEPT_LANGUAGE):]
    fields = {
        "platform": found.get("platform"),
        "os_version": os_version,
        "service_pack": service_pack,
        "system": system_name(found.get("platform"), os_version, service_pack),
        "client_dir": None if client_dir == NO_INSTALLATION else client_dir,
        "client_found": None if client_dir is None else int(client_dir != NO_INSTALLATION),
        "plugin_version": found.get("plugin_version"),
        "language_id": found.get("language_id"),
        "locale_id": found.get("locale_id"),
        "locale_name": locale_name(found.get("iso_language"), found.get("iso_country")),
        "language_name": found.get("language_name"),
        "country_name": found.get("country_name"),
        "user_agent": unquoted(found.get("user_agent")),
        "accept_language": accept,
    }
    return {name: value if isinstance(value, int) else bounded(value) for name, value in fields.items()}
