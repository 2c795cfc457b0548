"""Upload bodies in the plug-in's layout, for the tests, the benchmark and the
dashboard's picture: a machine report, the log's lines, the empty line and the dashes.
The logs of typical runs are made of the plug-in's own texts (product_texts.py)."""

from product_texts import ProductTexts

FIREFOX = "Mozilla/5.0 (Windows; U; Windows NT 5.1; en-US; rv:1.8.0.12) Gecko/20070508 Firefox/1.5.0.12"
SEPARATOR = "-" * 80
UTF8 = "text/html; charset=utf-8"
ASCII = "text/html; charset=us-ascii"


def title(text):
    """A title line as the plug-in centres it in 80 dashes."""
    text = " %s " % text
    left = (80 - len(text)) // 2
    return "-" * left + text + "-" * (80 - left - len(text))


def report_lines(platform="Windows XP", version="5.1.2600", service_pack="Service Pack 3", client_dir=None,
                 plugin_version="7.5.1.1", user_agent=FIREFOX, accept_language="en-us", code_page="1252"):
    return [
        "", title("NPOstrelUpdater.dll"),
        "Operating System Information", "  Platform: " + platform, "  Version: %s  %s" % (version, service_pack),
        "Client installation directory: " + (client_dir or "An installation could not be found."),
        "Temporary directory: C:\\Documents and Settings\\user\\Local Settings\\Temp\\",
        "Windows directory: C:\\WINDOWS", "Windows system directory: C:\\WINDOWS\\system32",
        "Downloader location: C:\\Program Files\\Mozilla Firefox\\plugins\\NPOstrelUpdater.dll",
        "NPOstrelUpdater.dll Information", "  NPOstrelUpdater.dll version: " + plugin_version,
        "Locale Information", "  Language ID: 1033", "  Locale Identifier: 1033",
        "  LOCALE_IDEFAULTANSICODEPAGE: " + code_page, "  LOCALE_SENGCOUNTRY: United States",
        "  LOCALE_SENGLANGUAGE: English", "  LOCALE_SISO3166CTRYNAME: US", "  LOCALE_SISO639LANGNAME : en",
        "  User Agent: >%s<" % user_agent, "  Accept language header: >Accept-Language: %s<" % accept_language,
        title("Log of NPOstrelUpdater.dll Messages"),
    ]


def body(log, encoding="utf-8", **report):
    """The whole body, CR LF line ends, in that encoding."""
    return "\r\n".join(report_lines(**report) + list(log) + ["", SEPARATOR, ""]).encode(encoding)


class RunLogs:
    """Logs of typical runs, line for line as the plug-in writes them."""

    def __init__(self, texts=None):
        self.texts = texts or ProductTexts()

    def line(self, *pieces):
        return self.texts.line(*pieces)

    def unchecked_update(self):
        return [self.line("Releases are not checked for a signature: this plug-in carries no release key.")]

    def signed_install(self, version="7.5.2.0", date="2026-12-09"):
        return [self.texts.text("Release %s of %s, signed by release key %d of %d.") % (version, date, 1, 2)]

    def failed_download(self, url="http://conference.example/client/client.cab", rc="6"):
        return self.unchecked_update() + [
            self.line("DownloadFile failed to open URL: ", url),
            self.line("Number of URL open retries exceeded in CMyPlugin::DownloadFile().  lastError: ", "0"),
            self.line("Unable to download client files.  rc: ", rc)]

    def refused_release(self, url="http://elsewhere.example/packages.properties.manifest"):
        return [self.line("Release refused: ", "", "the manifest could not be had: ", url),
                self.line("Unable to download client files.  rc: ", "14")]

    def failed_unpack(self, path="C:\\Temp\\Ostrel_client_install\\client.cab"):
        return self.unchecked_update() + [
            self.line("The package file could not be unpacked, the update stops: ", path),
            self.line("Unable to download client files.  rc: ", "8")]

    def fault(self, method="CMyPlugin::SetWindow()"):
        return [self.line("pluginExceptionHandler() was called!"),
                self.line("Exception caught in ", method, ".  Exception number: ", "3221225477")]

    def updater_failed(self):
        return self.unchecked_update() + [self.line('Unable to call "updater.exe -install".')]

    def cancelled(self):
        return self.unchecked_update() + [self.line("The run was cancelled: the page was left before it ended.")]
