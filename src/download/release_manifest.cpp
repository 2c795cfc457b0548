// readReleaseManifest: the manifest's lines one after another, each held to the one form
// its keyword allows; manifestUrlFor and the lookup of a file by name.
#include "download/release_manifest.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "base/ascii_case.h"
#include "base/hex_digits.h"

namespace {

constexpr char kFirstLine[] = "ostrel-release-manifest 1";
constexpr char kUrlSuffix[] = ".manifest";
constexpr size_t kMostNameLength = kManifestNameCapacity - 1;
constexpr size_t kMostTextLength = kManifestTextCapacity - 1;
constexpr size_t kDigestLength = kManifestDigestCapacity - 1;
constexpr size_t kMostSizeDigits = 10;  // 4294967295
constexpr uint64_t kMostSize = 0xFFFFFFFFu;

// A piece of the text, not NUL-terminated.
struct Span {
  const char* text;
  size_t length;

  bool is(const char* literal) const {
    return length == std::strlen(literal) && std::memcmp(text, literal, length) == 0;
  }
};

// One line: its content without the line end, where it starts, and its number from 1.
struct Line {
  Span content;
  size_t start;
  int number;
};

// How a "version" or "date" line reads, and where it goes.
struct TextField {
  const char* form;    // the refusal of a line not of the form
  const char* second;  // the refusal of a second such line
  char* out;
  bool* seen;
};

bool allHex(Span s) {
  for (size_t i = 0; i < s.length; ++i)
    if (!isHexDigit(s.text[i])) return false;
  return true;
}

bool printable(Span s) {
  for (size_t i = 0; i < s.length; ++i)
    if (s.text[i] < 0x20 || s.text[i] > 0x7E) return false;
  return true;
}

// Cuts the line that starts at *at; false at the end of the text. A last line without
// its LF ends with the text.
bool nextLine(const char* text, size_t length, size_t* at, int* number, Line& line) {
  if (*at >= length) return false;
  const char* begin = text + *at;
  const char* feed = static_cast<const char*>(std::memchr(begin, '\n', length - *at));
  const char* end = feed ? feed : text + length;
  if (feed && end > begin && end[-1] == '\r') --end;
  line = Line{Span{begin, static_cast<size_t>(end - begin)}, *at, ++*number};
  *at = feed ? static_cast<size_t>(feed - text) + 1 : length;
  return true;
}

// The line's fields between single blanks; false when there are not exactly count of
// them, or two blanks stand together or at either end (an empty field).
bool splitFields(Span content, Span* fields, size_t count) {
  size_t found = 0;
  size_t from = 0;
  for (size_t i = 0; i <= content.length; ++i) {
    if (i < content.length && content.text[i] != ' ') continue;
    if (i == from || found == count) return false;
    fields[found++] = Span{content.text + from, i - from};
    from = i + 1;
  }
  return found == count;
}

bool readSize(Span s, uint32_t* size) {
  if (s.length == 0 || s.length > kMostSizeDigits || (s.length > 1 && s.text[0] == '0')) return false;
  uint64_t value = 0;
  for (size_t i = 0; i < s.length; ++i) {
    if (s.text[i] < '0' || s.text[i] > '9') return false;
    value = value * 10 + static_cast<uint64_t>(s.text[i] - '0');
  }
  if (value > kMostSize) return false;
  *size = static_cast<uint32_t>(value);
  return true;
}

// Blanks and control characters never reach here: the line is printable, and split.
bool readName(Span s, char* out) {
  if (s.length == 0 || s.length > kMostNameLength || s.is(".") || s.is("..")) return false;
  for (size_t i = 0; i < s.length; ++i)
    if (s.text[i] == '/' || s.text[i] == '\\' || s.text[i] == ':') return false;
  std::memcpy(out, s.text, s.length);
  out[s.length] = '\0';
  return true;
}

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int digitsValue(const char* text, size_t count) {
  int value = 0;
  for (size_t i = 0; i < count; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

// YYYY-MM-DD of a day that exists (no 2027-02-29), year 1 on.
bool readDate(Span s, char* out) {
  static const int kDaysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (s.length != kManifestDateCapacity - 1 || s.text[4] != '-' || s.text[7] != '-') return false;
  const int year = digitsValue(s.text, 4);
  const int month = digitsValue(s.text + 5, 2);
  const int day = digitsValue(s.text + 8, 2);
  if (year < 1 || month < 1 || month > 12 || day < 1) return false;
  const int days = kDaysInMonth[month - 1] + (month == 2 && isLeapYear(year) ? 1 : 0);
  if (day > days) return false;
  std::memcpy(out, s.text, s.length);
  out[s.length] = '\0';
  return true;
}

bool readDigest(Span s, char* out) {
  if (s.length != kDigestLength || !allHex(s)) return false;
  std::memcpy(out, s.text, s.length);
  out[s.length] = '\0';
  return true;
}

class ManifestReader {
 public:
  ManifestReader(ReleaseManifest& manifest, char* reason) : m_manifest(manifest), m_reason(reason) {}

  bool read(const char* text, size_t length) {
    if (length > kMostManifestBytes) return refuse("it is larger than 1 MiB");
    size_t at = 0;
    int number = 0;
    Line line;
    if (!nextLine(text, length, &at, &number, line) || !line.content.is(kFirstLine))
      return refuse(1, "is no \"ostrel-release-manifest 1\"");
    while (nextLine(text, length, &at, &number, line)) {
      if (!printable(line.content)) return refuse(line.number, "holds a character that is no printable ASCII");
      if (keyword(line).is("signature")) return readSignature(line) && complete(line) && endsAt(at, length, number);
      if (!readLine(line)) return false;
    }
    char why[kManifestReasonCapacity];
    std::snprintf(why, sizeof why, "it ends at line %d without a \"signature\" line", number);
    return refuse(why);
  }

 private:
  static Span keyword(const Line& line) {
    const void* blank = std::memchr(line.content.text, ' ', line.content.length);
    const size_t length = blank ? static_cast<size_t>(static_cast<const char*>(blank) - line.content.text)
                                : line.content.length;
    return Span{line.content.text, length};
  }

  // The rest of the line after its keyword and one blank; empty without a blank.
  static Span rest(const Line& line) {
    const size_t skip = keyword(line).length + 1;
    if (skip > line.content.length) return Span{line.content.text + line.content.length, 0};
    return Span{line.content.text + skip, line.content.length - skip};
  }

  // A line between the first and the signature.
  bool readLine(const Line& line) {
    const Span word = keyword(line);
    if (word.is("version"))
      return readText(line, {"is no \"version TEXT\"", "is a second \"version\" line", m_manifest.version, &m_version});
    if (word.is("date"))
      return readText(line, {"is no \"date TEXT\"", "is a second \"date\" line", m_manifest.date, &m_date});
    if (word.is("expires")) return readExpiry(line);
    if (word.is("list")) return readList(line);
    if (word.is("file")) return readFile(line);
    return refuse(line.number, "is no line of a manifest");
  }

  bool readText(const Line& line, const TextField& field) {
    const Span text = rest(line);
    if (text.length == 0 || text.length > kMostTextLength || text.text[0] == ' ')
      return refuse(line.number, field.form);
    if (*field.seen) return refuse(line.number, field.second);
    std::memcpy(field.out, text.text, text.length);
    field.out[text.length] = '\0';
    *field.seen = true;
    return true;
  }

  bool readExpiry(const Line& line) {
    Span fields[2];
    if (!splitFields(line.content, fields, 2) || !readDate(fields[1], m_manifest.expires))
      return refuse(line.number, "is no \"expires YYYY-MM-DD\" of a real date");
    if (m_expires) return refuse(line.number, "is a second \"expires\" line");
    m_expires = true;
    return true;
  }

  // NAME SIZE SHA256 after the keyword.
  static bool readItem(const Line& line, ManifestItem& item) {
    Span fields[4];
    return splitFields(line.content, fields, 4) && readName(fields[1], item.name) &&
           readSize(fields[2], &item.size) && readDigest(fields[3], item.sha256);
  }

  bool readList(const Line& line) {
    if (!readItem(line, m_manifest.list)) return refuse(line.number, "is no \"list NAME SIZE SHA256\"");
    if (m_list) return refuse(line.number, "is a second \"list\" line");
    m_list = true;
    return true;
  }

  bool readFile(const Line& line) {
    ManifestItem item;
    if (!readItem(line, item)) return refuse(line.number, "is no \"file NAME SIZE SHA256\"");
    if (findManifestFile(m_manifest, item.name)) return refuse(line.number, "names a file a second time");
    if (m_manifest.files.size() == kMostManifestFiles) return refuse(line.number, "names more than 1000 files");
    m_manifest.files.push_back(item);
    return true;
  }

  bool readSignature(const Line& line) {
    const Span hex = rest(line);
    if (hex.length == 0 || hex.length % 2 != 0 || hex.length > 2 * kMostSignatureBytes || !allHex(hex))
      return refuse(line.number, "is no \"signature HEX\"");
    for (size_t i = 0; i < hex.length / 2; ++i) {
      const int high = hexDigitValue(hex.text[2 * i]);
      m_manifest.signature[i] = static_cast<unsigned char>(high << 4 | hexDigitValue(hex.text[2 * i + 1]));
    }
    m_manifest.signatureLength = hex.length / 2;
    m_manifest.signedLength = line.start;
    return true;
  }

  // Every item the signature line closes must have come.
  bool complete(const Line& line) {
    if (!m_version) return refuse(line.number, "signs a manifest without a \"version\" line");
    if (!m_date) return refuse(line.number, "signs a manifest without a \"date\" line");
    if (!m_list) return refuse(line.number, "signs a manifest without a \"list\" line");
    if (m_manifest.files.empty()) return refuse(line.number, "signs a manifest without a \"file\" line");
    return true;
  }

  bool endsAt(size_t at, size_t length, int number) {
    return at >= length || refuse(number + 1, "follows the signature");
  }

  bool refuse(int number, const char* what) {
    std::snprintf(m_reason, kManifestReasonCapacity, "line %d %s", number, what);
    return false;
  }
  bool refuse(const char* why) {
    std::snprintf(m_reason, kManifestReasonCapacity, "%s", why);
    return false;
  }

  ReleaseManifest& m_manifest;
  char* m_reason;
  bool m_version = false;
  bool m_date = false;
  bool m_expires = false;
  bool m_list = false;
};

}  // namespace

bool readReleaseManifest(const char* text, size_t length, ReleaseManifest& manifest, char* reason) {
  reason[0] = '\0';
  manifest.version[0] = manifest.date[0] = manifest.expires[0] = '\0';
  manifest.list = ManifestItem{};
  manifest.files.clear();
  manifest.signedLength = manifest.signatureLength = 0;
  try {
    return ManifestReader(manifest, reason).read(text ? text : "", text ? length : 0);
  } catch (const std::bad_alloc&) {
    std::snprintf(reason, kManifestReasonCapacity, "there is no memory to read it");
    manifest.files.clear();
    return false;
  }
}

bool manifestExpiredBy(const ReleaseManifest& manifest, const char* today) {
  // Dates of one form compare as their texts do.
  return manifest.expires[0] && std::strcmp(today, manifest.expires) > 0;
}

const ManifestItem* findManifestFile(const ReleaseManifest& manifest, const char* name) {
  for (const ManifestItem& item : manifest.files)
    if (equalsIgnoringCase(item.name, name)) return &item;
  return nullptr;
}

bool manifestUrlFor(const char* listUrl, char* out, size_t capacity) {
  if (capacity == 0) return false;
  out[0] = '\0';
  const size_t path = std::strcspn(listUrl, "?#");
  const size_t length = std::strlen(listUrl);
  if (capacity < sizeof kUrlSuffix || length > capacity - sizeof kUrlSuffix) return false;
  std::memcpy(out, listUrl, path);
  std::memcpy(out + path, kUrlSuffix, sizeof kUrlSuffix - 1);
  std::memcpy(out + path + sizeof kUrlSuffix - 1, listUrl + path, length - path + 1);
  return true;
}
