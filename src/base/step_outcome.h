// What a step of the run tells its caller, in one value: its result code and, where the
// user must hear more, what the server said: the status of an answer that failed an open
// (which the workflow shows in the page's sentence), or the server's own error text
// (which it shows as it stands). Only the workflow turns an outcome into a box.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "base/download_result.h"

enum class OutcomeNotice {
  kNone,
  kServerStatus,  // an open failed: status and text are the last answer's (0 and "" for none)
  kServerError,   // the configuration file's error text, in text
};

// The longest text kept: an answer's status text is read into 1023 characters, the
// server's error text is kept to its first 1000.
constexpr size_t kOutcomeTextCapacity = 1024;

struct StepOutcome {
  DownloadResult code = kDownloadOk;
  OutcomeNotice notice = OutcomeNotice::kNone;
  uint32_t status = 0;
  char text[kOutcomeTextCapacity] = "";

  bool ok() const { return code == kDownloadOk; }
};

// An outcome that is its code alone.
inline StepOutcome outcomeOf(DownloadResult code) {
  StepOutcome outcome;
  outcome.code = code;
  return outcome;
}

// An outcome with a notice and its text, cut to kOutcomeTextCapacity - 1 characters.
inline StepOutcome noticeOutcome(DownloadResult code, OutcomeNotice notice, uint32_t status, const char* text) {
  StepOutcome outcome = outcomeOf(code);
  outcome.notice = notice;
  outcome.status = status;
  const char* from = text ? text : "";
  size_t length = std::strlen(from);
  if (length > kOutcomeTextCapacity - 1) length = kOutcomeTextCapacity - 1;
  std::memcpy(outcome.text, from, length);
  outcome.text[length] = '\0';
  return outcome;
}

// The outcome with another code and the same notice: a step that failed because a step
// under it did keeps what the user must hear of it.
inline StepOutcome withCode(StepOutcome outcome, DownloadResult code) {
  outcome.code = code;
  return outcome;
}
