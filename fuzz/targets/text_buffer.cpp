// Fuzz target: CTextBuffer driven by a script of appends, cuts, copies and releases, with
// title and separator lines, against a plain string that says what the text must be; the
// allocator may be told to run out on the way.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "base/host_services.h"
#include "fuzz_check.h"
#include "log/CTextBuffer.h"
#include "log/title_line.h"

namespace {

constexpr size_t kDoublingLimit = 16384;

// The text as strlen sees it: what the buffer keeps of bytes that hold a NUL.
std::string upToNul(const std::string& text) { return text.substr(0, text.find('\0')); }

class Script {
 public:
  explicit Script(FuzzedDataProvider& input) : m_input(input) {}

  void step() {
    const std::string before = m_expected;
    switch (m_input.ConsumeIntegralInRange(0, 14)) {
      case 0: {
        const std::string text = m_input.ConsumeRandomLengthString(64);
        expectAppend(m_buffer.append(text.c_str()), upToNul(text));
        break;
      }
      case 1: {
        const std::string bytes = m_input.ConsumeRandomLengthString(64);
        m_buffer.appendCounted(bytes.data(), bytes.size());
        expectAppendOf(upToNul(bytes));
        break;
      }
      case 2: {
        const char c = m_input.ConsumeIntegral<char>();
        m_buffer.appendChar(c);
        expectAppendOf(c ? std::string(1, c) : std::string());
        break;
      }
      case 3: {
        const int32_t n = m_input.ConsumeIntegral<int32_t>();
        expectAppend(m_buffer.appendSigned(n), std::to_string(n));
        break;
      }
      case 4: {
        const uint32_t n = m_input.ConsumeIntegral<uint32_t>();
        expectAppend(m_buffer.appendUnsigned(n), std::to_string(n));
        break;
      }
      case 5: {
        const std::string text = upToNul(m_input.ConsumeRandomLengthString(64));
        m_other.append(text.c_str());
        m_buffer.appendBuffer(m_other);
        expectAppendOf(m_other.text());
        break;
      }
      case 6:
        // Doubling is capped, or a script of self-appends would ask for exabytes.
        if (m_expected.size() > kDoublingLimit) break;
        m_buffer.appendBuffer(m_buffer);
        expectAppendOf(before);
        break;
      case 7: {
        const int32_t n = m_input.ConsumeIntegralInRange<int32_t>(-8, 4096);
        m_buffer.setLength(n);
        if (n < static_cast<int32_t>(m_expected.size())) m_expected.resize(n < 0 ? 0 : static_cast<size_t>(n));
        else if (!m_mayFail) FUZZ_CHECK(m_buffer.capacity() > n);
        break;
      }
      case 8: {
        const int32_t size = static_cast<int32_t>(m_expected.size());
        const int32_t start = m_input.ConsumeIntegralInRange<int32_t>(-8, size + 8);
        const int32_t n = m_input.ConsumeIntegralInRange<int32_t>(-8, size + 8);
        m_buffer.removeRange(start, n);
        if (n > 0 && start >= 0 && start < size) m_expected.erase(static_cast<size_t>(start), static_cast<size_t>(n));
        break;
      }
      case 9: {
        char* copy = m_buffer.copyText();
        if (copy) FUZZ_CHECK(m_expected == copy);
        else FUZZ_CHECK(m_mayFail);
        NPN_MemFree(copy);
        break;
      }
      case 10:
        m_buffer.release();
        FUZZ_CHECK(m_buffer.capacity() == 0);
        m_expected.clear();
        break;
      case 11: {
        const int32_t n = m_input.ConsumeIntegralInRange<int32_t>(-8, 4096);
        if (m_buffer.ensureCapacity(n)) FUZZ_CHECK(m_buffer.capacity() >= n);
        else FUZZ_CHECK(m_mayFail);
        break;
      }
      case 12:
        titleLine();
        break;
      case 13:
        appendSeparatorLine(m_buffer);
        if (adoptLine() == std::string(80, '-') + "\r\n") break;
        FUZZ_CHECK(m_mayFail);
        break;
      default:
        m_mayFail = m_input.ConsumeBool();
        native_browser::failAllocationsAfter(m_mayFail ? m_input.ConsumeIntegralInRange<long>(0, 3) : -1);
        break;
    }
    FUZZ_CHECK(m_expected == m_buffer.text());
    FUZZ_CHECK(m_buffer.length() == static_cast<int32_t>(m_expected.size()));
    FUZZ_CHECK(m_buffer.capacity() == 0 || m_buffer.capacity() > m_buffer.length());
  }

 private:
  void expectAppend(CTextBuffer& returned, const std::string& added) {
    FUZZ_CHECK(&returned == &m_buffer);
    expectAppendOf(added);
  }

  // An append goes in whole, or, only while the allocator may fail, not at all.
  void expectAppendOf(const std::string& added) {
    if (m_mayFail && m_expected == m_buffer.text()) return;
    m_expected += added;
  }

  // A line is many appends, of which some may fail while the allocator may: the text
  // before it stays as it was, and whatever came after it is the line.
  std::string adoptLine() {
    const std::string text = m_buffer.text();
    FUZZ_CHECK(text.compare(0, m_expected.size(), m_expected) == 0);
    const std::string line = text.substr(m_expected.size());
    m_expected = text;
    return line;
  }

  // A centred line: CR LF at its end, the title with a blank on each side, and, with a
  // one-character fill, exactly the width (or the title's own width when it is wider).
  void titleLine() {
    const std::string title = upToNul(m_input.ConsumeRandomLengthString(32));
    const std::string fill = upToNul(m_input.ConsumeRandomLengthString(3));
    const int32_t width = m_input.ConsumeIntegralInRange<int32_t>(-100, 300);
    const bool useTitle = m_input.ConsumeBool();
    appendTitleLine(useTitle ? title.c_str() : nullptr, fill.c_str(), width, m_buffer);
    const std::string line = adoptLine();
    if (m_mayFail) return;
    const int64_t titleWidth = useTitle && !title.empty() ? static_cast<int64_t>(title.size()) + 2 : 0;
    FUZZ_CHECK(line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0);
    if (titleWidth) FUZZ_CHECK(line.find(" " + title + " ") != std::string::npos);
    if (fill.size() == 1) FUZZ_CHECK(static_cast<int64_t>(line.size()) == std::max<int64_t>(width, titleWidth) + 2);
  }

  FuzzedDataProvider& m_input;
  CTextBuffer m_buffer;
  CTextBuffer m_other;
  std::string m_expected;
  bool m_mayFail = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  {
    Script script(input);
    for (int steps = 0; steps < 64 && input.remaining_bytes() > 0; ++steps) script.step();
  }
  native_browser::failAllocationsAfter(-1);
  FUZZ_CHECK_NO_LIVE_BLOCKS();
  return 0;
}
