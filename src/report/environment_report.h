// The report of the machine that goes in front of the install log when it is uploaded:
// operating system, directories, the plug-in's own file and version, locale, browser.
#pragma once

class CTextBuffer;

// The plug-in's own file name: it titles the report and names the module reported on.
constexpr char kModuleName[] = "NPOstrelUpdater.dll";

// Appends the report, ending with the title line under which the log's text follows.
// userAgent is the browser's, as it gives it now.
void appendEnvironmentReport(CTextBuffer& buffer, const char* userAgent);
