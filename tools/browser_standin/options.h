// The stand-in's command line: what the operator may choose, its defaults, and the
// usage text. Pure text work.
#pragma once

#include <cstdint>
#include <string>

enum class AuthAnswer { Cancel, Ok };

struct Options {
  std::string pagePath;
  std::string dllPath;  // empty: NPOstrelUpdater.dll beside the stand-in
  std::string trustCertificate;  // empty: the trusted authorities stay as they are
  uint16_t npapiVersion = 0x0009;
  int tableSize = -1;  // -1: the size that fits the version
  std::string userAgent =
      "Mozilla/5.0 (Windows; U; Windows NT 5.1; en-US; rv:1.8.0.12) Gecko/20070508 Firefox/1.5.0.12";
  std::string frameName;  // empty: the page is the top-level document
  unsigned long runMs = 3000;
  unsigned long endAfterBoxes = 0;   // 0: message boxes do not end the run
  AuthAnswer authAnswer = AuthAnswer::Cancel;
  bool badWindowRecord = false;
  unsigned long setWindowTimes = 1;  // NPP_SetWindow calls with the window record at the start
  long nullWindowAtMs = -1;          // -1: the plug-in keeps its window for the whole run
  long windowAgainAtMs = -1;         // -1: a window taken away is not given back
  bool answerProbe = false;          // time the browser thread's answers while the page runs
  long captureAtPercent = -1;        // -1: no picture; else when a bar stands part-way past it
  std::string captureFile;           // the BMP file of that picture
  bool noParent = false;             // the plug-in window is a top-level window of its own
  bool dllInfoOnly = false;
  bool help = false;
};

// Exit codes of the stand-in.
constexpr int kExitCompleted = 0;
constexpr int kExitUsage = 2;
constexpr int kExitPage = 3;
constexpr int kExitLibrary = 4;
constexpr int kExitWindow = 5;

// Fills options from the arguments after the program name; false with error set when
// they are not usable.
bool parseOptions(int argc, const char* const argv[], Options& options, std::string& error);

const char* usageText();
