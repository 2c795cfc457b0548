// Command-line parsing for the stand-in, with the usage text operators read.
#include "options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// The largest table this stand-in has: every slot up to forceredraw.
constexpr unsigned long kLargestTableSize = 88;
constexpr unsigned long kLongestRunMs = 600000;
constexpr unsigned long kMostSetWindowTimes = 1000;
constexpr unsigned long kMostEndingBoxes = 1000;

const char kUsage[] =
    "usage: browser_standin [options] PAGE.html\n"
    "       browser_standin [--dll PATH] --dll-info\n"
    "\n"
    "Plays a Netscape-family browser (plug-in interface 0.9) to the plug-in DLL: loads it,\n"
    "reads the <embed type=\"application/x-ostrel-updater-plugin\" ...> tags of PAGE.html,\n"
    "creates an instance for each, in page order, with the tag's attributes as its\n"
    "parameters, gives each a window, runs the page until the plug-in closes the browser\n"
    "window, sends the page elsewhere, or the run time is over, then destroys the instances\n"
    "in page order and unloads the DLL. Every event, the plug-in's progress dialogs in its\n"
    "windows included, is printed as one line starting with \"standin: \"; with several\n"
    "embeds, the lines about one instance go on with \"instance N: \", and the window\n"
    "options below apply to each instance.\n"
    "\n"
    "Paths are Windows paths; under Wine, the Unix path /a/b.html is Z:\\a\\b.html.\n"
    "\n"
    "options:\n"
    "  --dll PATH             plug-in DLL to load (default: NPOstrelUpdater.dll beside this\n"
    "                         program)\n"
    "  --dll-info             print the DLL's registration data (version resource) and stop\n"
    "  --npapi-version V      browser interface version, (major << 8) + minor, decimal or\n"
    "                         0x-hexadecimal (default 0x0009; 0x0008 is a browser from before\n"
    "                         URL notification)\n"
    "  --table-size BYTES     size of the browser function table handed over; slots beyond\n"
    "                         it stay empty (default 88, or 60 below version 0x0009)\n"
    "  --user-agent TEXT      the browser's user-agent text (default: Firefox 1.5 on\n"
    "                         Windows XP)\n"
    "  --frame-name NAME      name of the frame that holds the page; a request into it\n"
    "                         replaces the page (default: the page is the top-level document,\n"
    "                         replaced by requests into \"_self\", \"_top\" or \"_parent\")\n"
    "  --run-ms N             how long the page stays open at the most, in milliseconds\n"
    "                         (default 3000)\n"
    "  --end-after-boxes N    end the run once N message boxes have been answered (a page\n"
    "                         whose every instance ends its update with a box)\n"
    "  --auth-answer ok|cancel  answer to authentication dialogs (default cancel); message\n"
    "                         boxes are always answered OK\n"
    "  --bad-window-record    give the first NPP_SetWindow an unreadable window record, then\n"
    "                         a good one\n"
    "  --set-window-times N   call NPP_SetWindow N times with the same window record at the\n"
    "                         start, as a browser does while it lays out the page (default 1)\n"
    "  --null-window-at MS    at MS milliseconds into the run, take the window away:\n"
    "                         NPP_SetWindow with no window record\n"
    "  --window-again-at MS   with --null-window-at: give the window record again at MS\n"
    "                         milliseconds into the run (not before the window was taken)\n"
    "  --answer-probe         time the browser thread's answers while the page runs and\n"
    "                         report the longest\n"
    "  --capture-at PERCENT   with --capture-file: when a shown progress bar first stands\n"
    "                         part-way, from PERCENT to 99, write a picture of the browser\n"
    "                         window (BMP) to\n"
    "  --capture-file FILE    FILE\n"
    "  --no-parent            make the plug-in window a top-level window of its own, outside\n"
    "                         the browser window, so that the plug-in finds nothing to close\n"
    "  --trust-certificate FILE  add the DER certificate in FILE to the user's trusted root\n"
    "                         authorities before the run (a test server's own authority)\n"
    "  --help                 print this text\n"
    "\n"
    "exit status: 0 the run completed (whatever the plug-in answered), 2 usage error,\n"
    "3 the page cannot be read or has no embed of the plug-in's type, 4 the DLL cannot be\n"
    "loaded or lacks its exports or registration data, 5 the browser window cannot be made.\n";

bool parseNumber(const char* text, unsigned long maximum, unsigned long& value) {
  if (!*text || *text == '-' || *text == '+') return false;
  char* end = nullptr;
  errno = 0;
  value = std::strtoul(text, &end, 0);
  return errno == 0 && *end == '\0' && value <= maximum;
}

// Applies an option that takes a value; false with error set when the value is bad.
bool applyValueOption(const std::string& name, const char* value, Options& options, std::string& error) {
  unsigned long number = 0;
  if (name == "--dll") options.dllPath = value;
  else if (name == "--trust-certificate") options.trustCertificate = value;
  else if (name == "--user-agent") options.userAgent = value;
  else if (name == "--frame-name") options.frameName = value;
  else if (name == "--npapi-version" && parseNumber(value, 0xFFFF, number))
    options.npapiVersion = static_cast<uint16_t>(number);
  else if (name == "--table-size" && parseNumber(value, kLargestTableSize, number) && number >= 4)
    options.tableSize = static_cast<int>(number);
  else if (name == "--run-ms" && parseNumber(value, kLongestRunMs, number))
    options.runMs = number;
  else if (name == "--end-after-boxes" && parseNumber(value, kMostEndingBoxes, number) && number >= 1)
    options.endAfterBoxes = number;
  else if (name == "--set-window-times" && parseNumber(value, kMostSetWindowTimes, number) && number >= 1)
    options.setWindowTimes = number;
  else if (name == "--null-window-at" && parseNumber(value, kLongestRunMs, number))
    options.nullWindowAtMs = static_cast<long>(number);
  else if (name == "--window-again-at" && parseNumber(value, kLongestRunMs, number))
    options.windowAgainAtMs = static_cast<long>(number);
  else if (name == "--capture-at" && parseNumber(value, 100, number))
    options.captureAtPercent = static_cast<long>(number);
  else if (name == "--capture-file" && *value)
    options.captureFile = value;
  else if (name == "--auth-answer" && (std::strcmp(value, "ok") == 0 || std::strcmp(value, "cancel") == 0))
    options.authAnswer = std::strcmp(value, "ok") == 0 ? AuthAnswer::Ok : AuthAnswer::Cancel;
  else {
    error = "bad value for " + name + ": \"" + value + "\"";
    return false;
  }
  return true;
}

bool takesValue(const std::string& name) {
  for (const char* known : {"--dll", "--user-agent", "--frame-name", "--npapi-version",
                            "--table-size", "--run-ms", "--end-after-boxes", "--auth-answer", "--set-window-times",
                            "--null-window-at", "--window-again-at", "--trust-certificate", "--capture-at",
                            "--capture-file"})
    if (name == known) return true;
  return false;
}

bool applyFlag(const std::string& name, Options& options) {
  if (name == "--bad-window-record") options.badWindowRecord = true;
  else if (name == "--dll-info") options.dllInfoOnly = true;
  else if (name == "--no-parent") options.noParent = true;
  else if (name == "--answer-probe") options.answerProbe = true;
  else if (name == "--help" || name == "-h") options.help = true;
  else return false;
  return true;
}

// A window can only come back after it was taken away; a picture needs its file.
bool windowTimesFit(const Options& options, std::string& error) {
  if ((options.captureAtPercent >= 0) != !options.captureFile.empty()) {
    error = "--capture-at and --capture-file go together";
    return false;
  }
  if (options.windowAgainAtMs < 0) return true;
  if (options.nullWindowAtMs < 0) error = "--window-again-at needs --null-window-at";
  else if (options.windowAgainAtMs < options.nullWindowAtMs) error = "--window-again-at is before --null-window-at";
  return error.empty();
}

}  // namespace

bool parseOptions(int argc, const char* const argv[], Options& options, std::string& error) {
  for (int i = 0; i < argc; ++i) {
    const std::string argument = argv[i];
    if (takesValue(argument)) {
      if (i + 1 >= argc) {
        error = argument + " needs a value";
        return false;
      }
      if (!applyValueOption(argument, argv[++i], options, error)) return false;
    } else if (argument.size() > 1 && argument[0] == '-') {
      if (!applyFlag(argument, options)) {
        error = "unknown option " + argument;
        return false;
      }
    } else if (options.pagePath.empty()) {
      options.pagePath = argument;
    } else {
      error = "more than one page given: " + argument;
      return false;
    }
  }
  if (!options.help && !options.dllInfoOnly && options.pagePath.empty()) {
    error = "no page given";
    return false;
  }
  return windowTimesFit(options, error);
}

const char* usageText() { return kUsage; }
