"""An upload's bytes as text and lines. The plug-in sends UTF-8, or on systems that do
not convert, its system code page labelled "us-ascii"; the report in front of the log
names that code page, so a body that is not UTF-8 is read with it. Nothing here trusts
the bytes: any byte sequence gives text, NULs included."""

import codecs
import re

CODE_PAGE_LABEL = b"LOCALE_IDEFAULTANSICODEPAGE: "
# Western European, what most systems use: the guess when the body names no code page.
FALLBACK_CODE_PAGE = "cp1252"
LINE_END = re.compile(r"\r\n|\r|\n")


def charset_of(content_type):
    """The charset parameter of a Content-Type value, lower case, or ''."""
    for parameter in content_type.split(";")[1:]:
        name, _, value = parameter.strip().partition("=")
        if name.strip().lower() == "charset":
            return value.strip().strip('"').lower()
    return ""


def named_code_page(body):
    """The codec of the code page the report names, or None when it names none that
    Python knows."""
    start = body.find(CODE_PAGE_LABEL)
    if start < 0:
        return None
    digits = re.match(rb"\d{1,5}", body[start + len(CODE_PAGE_LABEL):])
    if not digits:
        return None
    name = "cp" + digits.group().decode("ascii")
    try:
        return codecs.lookup(name).name
    except LookupError:
        return None


def body_text(body, content_type):
    """The body as text: UTF-8 when it is labelled so or is valid UTF-8, else the report's
    code page. Bytes that do not decode become U+FFFD, and so do NULs, which no text
    column of every store can hold."""
    if charset_of(content_type) == "utf-8":
        text = body.decode("utf-8", errors="replace")
    else:
        try:
            text = body.decode("utf-8")
        except UnicodeDecodeError:
            text = body.decode(named_code_page(body) or FALLBACK_CODE_PAGE, errors="replace")
    return text.replace("\x00", "\ufffd")


def text_lines(text):
    """The text's lines, whatever the line ends (CR LF, LF or CR); no empty last line for
    a text that ends with a line end."""
    lines = LINE_END.split(text)
    if lines and lines[-1] == "":
        lines.pop()
    return lines
