// Fuzz target: version texts of the package list ("7,5,0,123"), the tokenizer behind them
// with any separators, and the comparison of the versions they give.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "download/CFileVersion.h"
#include "fuzz_check.h"

namespace {

// The input as up to three texts separated by NUL bytes: two versions and a separator set.
std::vector<std::string> splitAtNul(const uint8_t* data, size_t size) {
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0 && parts.size() < 3)
      parts.emplace_back();
    else
      parts.back().push_back(static_cast<char>(data[i]));
  }
  parts.resize(3);
  return parts;
}

bool sameNumbers(const CFileVersion& a, const CFileVersion& b) {
  return a.major == b.major && a.minor == b.minor && a.build == b.build && a.revision == b.revision;
}

// Tokens are never empty, hold no separator and lie inside the text, in order.
void checkTokens(std::string text, const char* separators) {
  std::vector<char> buffer(text.begin(), text.end());
  buffer.push_back('\0');
  char* resume = nullptr;
  const char* last = buffer.data();
  for (char* token = nextVersionToken(buffer.data(), separators, &resume); token;
       token = nextVersionToken(nullptr, separators, &resume)) {
    const size_t length = std::strlen(token);
    FUZZ_CHECK(length > 0 && token >= last && token + length < buffer.data() + buffer.size());
    FUZZ_CHECK(std::strcspn(token, separators) == length);
    last = token + length;
  }
  FUZZ_CHECK(nextVersionToken(nullptr, separators, &resume) == nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string> parts = splitAtNul(data, size);
  CFileVersion listed;
  CFileVersion installed;
  listed.parseVersionText(parts[0].c_str(), ",");
  installed.parseVersionText(parts[1].c_str(), ",");
  FUZZ_CHECK(!(listed.isNewerThan(installed) && installed.isNewerThan(listed)));
  FUZZ_CHECK(!listed.isNewerThan(listed));
  FUZZ_CHECK(sameNumbers(listed, installed) ==
             (!listed.isNewerThan(installed) && !installed.isNewerThan(listed)));

  // Parsing is a function of the text alone, whatever the version held before.
  CFileVersion again;
  again.parseVersionText("9,9,9,9", ",");
  again.parseVersionText(parts[0].c_str(), ",");
  FUZZ_CHECK(sameNumbers(again, listed));

  const char* separators = parts[2].c_str();
  checkTokens(parts[0], separators);
  again.parseVersionText(parts[0].c_str(), separators);
  return 0;
}
