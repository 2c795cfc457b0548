// AnswerProbe: a thread that times the browser's thread's answers.
#include "answer_probe.h"

namespace {

// Often enough that a block of 100 ms cannot fall between two questions.
constexpr DWORD kAskEveryMs = 10;
// A browser thread that does not answer within this long is hung, and counted as such.
constexpr UINT kGiveUpMs = 60000;

}  // namespace

AnswerProbe::~AnswerProbe() { stop(); }

bool AnswerProbe::start(HWND window) {
  m_window = window;
  m_stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (m_stop) m_thread = CreateThread(nullptr, 0, probeProcedure, this, 0, nullptr);
  return m_thread != nullptr;
}

unsigned long AnswerProbe::stop() {
  if (m_thread) {
    SetEvent(m_stop);
    // The probe may be waiting for this very thread to answer: answer while waiting.
    MSG message;
    while (MsgWaitForMultipleObjects(1, &m_thread, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1)
      PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    CloseHandle(m_thread);
    m_thread = nullptr;
  }
  if (m_stop) CloseHandle(m_stop);
  m_stop = nullptr;
  return m_longestMs;
}

DWORD WINAPI AnswerProbe::probeProcedure(LPVOID self) {
  auto* probe = static_cast<AnswerProbe*>(self);
  while (WaitForSingleObject(probe->m_stop, kAskEveryMs) == WAIT_TIMEOUT) {
    const LARGE_INTEGER before = [] {
      LARGE_INTEGER now;
      QueryPerformanceCounter(&now);
      return now;
    }();
    DWORD_PTR result = 0;
    SendMessageTimeoutA(probe->m_window, WM_NULL, 0, 0, SMTO_NORMAL, kGiveUpMs, &result);
    LARGE_INTEGER after, frequency;
    QueryPerformanceCounter(&after);
    QueryPerformanceFrequency(&frequency);
    const auto ms = static_cast<unsigned long>((after.QuadPart - before.QuadPart) * 1000 / frequency.QuadPart);
    if (ms > probe->m_longestMs) probe->m_longestMs = ms;
  }
  return 0;
}
