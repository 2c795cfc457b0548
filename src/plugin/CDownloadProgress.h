// CDownloadProgress: how far an instance's downloads have come, in bytes, and the
// percentage its progress bar shows. The browser's thread sets the declared total while
// the parameters are read; afterwards only the instance's worker moves it. The bar is
// reached with SendMessageA, which any thread may use, and only while there is a dialog.
#pragma once

#include <windows.h>

#include <cstdint>

#include "net/progress_sink.h"

class CDownloadProgress final : public CProgressSink {
 public:
  // dialog is the record's dialog handle, read at each step: a dialog taken down during
  // a download leaves the counters going on without a bar.
  explicit CDownloadProgress(const HWND* dialog);

  // Back to nothing: no total, nothing done, nothing shown.
  void reset();
  // The total in bytes, held to the 32-bit range.
  void setTotal(int64_t bytes) override;
  // A new stage: this total, nothing done, the bar at 0.
  void restart(int64_t total);
  // A file that will not be fetched no longer counts in the total.
  void lower(int bytes);
  // The bar may start again from the lowest percentage.
  void forgetShownPercent();
  // Bytes received; the bar moves when the percentage of the total has grown. No
  // percentage can be formed without a positive total, and none goes above 100.
  void advance(uint32_t bytes) override;
  // The bar at 0 or full, whatever the counters say.
  void showEmpty() const;
  void showFull() const override;

  int total() const { return m_totalBytes; }
  int done() const { return m_bytesDone; }

 private:
  void showPercent(int percent) const;

  const HWND* m_dialog;
  int m_totalBytes = 0;
  int m_bytesDone = 0;
  int m_lastPercent = 0;
};
