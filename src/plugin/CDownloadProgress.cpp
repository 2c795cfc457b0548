// CDownloadProgress: the counters and the progress bar's percentage.
#include "plugin/CDownloadProgress.h"

#include <commctrl.h>

#include <climits>

#include "plugin/dialog_protocol.h"

CDownloadProgress::CDownloadProgress(const HWND* dialog) : m_dialog(dialog) {}

void CDownloadProgress::reset() {
  m_totalBytes = 0;
  m_bytesDone = 0;
  m_lastPercent = 0;
}

void CDownloadProgress::setTotal(int64_t bytes) {
  if (bytes > INT_MAX) bytes = INT_MAX;
  if (bytes < INT_MIN) bytes = INT_MIN;
  m_totalBytes = static_cast<int>(bytes);
}

void CDownloadProgress::restart(int64_t total) {
  setTotal(total);
  m_bytesDone = 0;
  m_lastPercent = 0;
  showEmpty();
}

void CDownloadProgress::lower(int bytes) { m_totalBytes -= bytes; }

void CDownloadProgress::forgetShownPercent() { m_lastPercent = 0; }

void CDownloadProgress::advance(uint32_t bytes) {
  m_bytesDone = static_cast<int>(static_cast<uint32_t>(m_bytesDone) + bytes);
  if (m_totalBytes <= 0) return;
  long long percent = static_cast<long long>(m_bytesDone) * 100 / m_totalBytes;
  if (percent > 100) percent = 100;
  if (percent <= m_lastPercent) return;
  m_lastPercent = static_cast<int>(percent);
  showPercent(m_lastPercent);
}

void CDownloadProgress::showEmpty() const { showPercent(0); }

void CDownloadProgress::showFull() const { showPercent(100); }

void CDownloadProgress::showPercent(int percent) const {
  const HWND dialog = *m_dialog;
  if (dialog) SendMessageA(GetDlgItem(dialog, kProgressBarId), PBM_SETPOS, static_cast<WPARAM>(percent), 0);
}
