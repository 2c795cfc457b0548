// The embed reader: a small scanner over the page text that knows just enough of HTML
// to find embed tags where a browser would.
#include "page_reader.h"

#include <cctype>
#include <cstdlib>

#include "utf8_text.h"

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool startsWithIgnoringCase(const std::string& text, size_t at, const char* prefix) {
  for (size_t i = 0; prefix[i]; ++i)
    if (at + i >= text.size() || lower(text[at + i]) != prefix[i]) return false;
  return true;
}

// True when a tag of that name starts at the '<' at position at.
bool isTagStart(const std::string& html, size_t at, const char* name) {
  if (!startsWithIgnoringCase(html, at + 1, name)) return false;
  const size_t after = at + 1 + std::char_traits<char>::length(name);
  return after >= html.size() || isSpace(html[after]) || html[after] == '/' || html[after] == '>';
}

// The character a numeric reference body ("#233" or "#xE9") names, or 0 for none.
uint32_t numericReference(const std::string& body) {
  const bool hex = body.size() > 1 && (body[1] == 'x' || body[1] == 'X');
  const std::string digits = body.substr(hex ? 2 : 1);
  if (digits.empty() || digits.size() > 8) return 0;
  for (char c : digits)
    if (!(hex ? std::isxdigit(static_cast<unsigned char>(c)) : std::isdigit(static_cast<unsigned char>(c))))
      return 0;
  const uint32_t code = static_cast<uint32_t>(std::strtoul(digits.c_str(), nullptr, hex ? 16 : 10));
  const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  return (code > 0x10FFFF || surrogate) ? 0 : code;
}

// Appends the character of the reference body between '&' and ';'; false when unknown.
bool appendReference(std::string& out, const std::string& body) {
  static const struct { const char* name; char character; } kNamed[] = {
      {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
  for (const auto& named : kNamed) {
    if (body == named.name) {
      out += named.character;
      return true;
    }
  }
  if (body.empty() || body[0] != '#') return false;
  const uint32_t code = numericReference(body);
  if (code == 0) return false;
  appendUtf8(out, code);
  return true;
}

// Finds where the text that starts at the '<' at position at goes on being scanned for
// tags: after a comment, or after the raw text of a script or style element.
size_t skipNonTagText(const std::string& html, size_t at) {
  if (html.compare(at, 4, "<!--") == 0) {
    const size_t end = html.find("-->", at + 4);
    return end == std::string::npos ? html.size() : end + 3;
  }
  for (const char* element : {"script", "style"}) {
    if (!isTagStart(html, at, element)) continue;
    const std::string closing = std::string("</") + element;
    for (size_t end = html.find("</", at); end != std::string::npos; end = html.find("</", end + 2))
      if (startsWithIgnoringCase(html, end, closing.c_str())) return end;
    return html.size();
  }
  return at;
}

// Reads the attributes of one tag; position is just after the tag name and ends just
// after the closing '>'.
class TagScanner {
 public:
  TagScanner(const std::string& html, size_t position) : m_html(html), m_at(position) {}

  // False with error set when the page ends inside the tag.
  bool read(std::vector<EmbedAttribute>& attributes, std::string& error) {
    while (skipSeparators()) {
      if (m_html[m_at] == '>') {
        ++m_at;
        return true;
      }
      EmbedAttribute attribute{readName(), ""};
      if (!readValue(attribute.value, error)) return false;
      attributes.push_back(attribute);
    }
    error = "has an <embed> tag that is not closed with '>'";
    return false;
  }
  size_t position() const { return m_at; }

 private:
  bool skipSeparators() {
    while (m_at < m_html.size() && (isSpace(m_html[m_at]) || m_html[m_at] == '/')) ++m_at;
    return m_at < m_html.size();
  }
  void skipSpaces() {
    while (m_at < m_html.size() && isSpace(m_html[m_at])) ++m_at;
  }
  std::string readName() {
    const size_t start = m_at++;  // a leading '=' belongs to the name, as in browsers
    while (m_at < m_html.size() && !isSpace(m_html[m_at]) && m_html[m_at] != '/' &&
           m_html[m_at] != '>' && m_html[m_at] != '=')
      ++m_at;
    return m_html.substr(start, m_at - start);
  }
  bool readValue(std::string& value, std::string& error) {
    skipSpaces();
    if (m_at >= m_html.size() || m_html[m_at] != '=') return true;  // a bare name
    ++m_at;
    skipSpaces();
    if (m_at < m_html.size() && (m_html[m_at] == '"' || m_html[m_at] == '\'')) {
      const size_t end = m_html.find(m_html[m_at], m_at + 1);
      if (end == std::string::npos) {
        error = "has an <embed> attribute value without its closing quote";
        return false;
      }
      value = decodeCharacterReferences(m_html.substr(m_at + 1, end - m_at - 1));
      m_at = end + 1;
      return true;
    }
    const size_t start = m_at;
    while (m_at < m_html.size() && !isSpace(m_html[m_at]) && m_html[m_at] != '>') ++m_at;
    value = decodeCharacterReferences(m_html.substr(start, m_at - start));
    return true;
  }

  const std::string& m_html;
  size_t m_at;
};

int lineAt(const std::string& html, size_t position, size_t& countedTo, int& line) {
  for (; countedTo < position; ++countedTo)
    if (html[countedTo] == '\n') ++line;
  return line;
}

}  // namespace

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

std::string EmbedTag::attribute(const std::string& name) const {
  for (const EmbedAttribute& a : attributes)
    if (equalsIgnoringCase(a.name, name)) return a.value;
  return "";
}

std::string decodeCharacterReferences(const std::string& text) {
  std::string out;
  size_t at = 0;
  while (at < text.size()) {
    const size_t semicolon = text[at] == '&' ? text.find(';', at) : std::string::npos;
    // Reference bodies are short; a far ';' belongs to other text.
    if (semicolon != std::string::npos && semicolon - at <= 12 &&
        appendReference(out, text.substr(at + 1, semicolon - at - 1))) {
      at = semicolon + 1;
    } else {
      out += text[at++];
    }
  }
  return out;
}

PageEmbeds readEmbeds(const std::string& html) {
  PageEmbeds page;
  size_t countedTo = 0;
  int line = 1;
  for (size_t at = html.find('<'); at != std::string::npos; at = html.find('<', at)) {
    const size_t skipped = skipNonTagText(html, at);
    if (skipped != at) {
      at = skipped;
      continue;
    }
    if (!isTagStart(html, at, "embed")) {
      ++at;
      continue;
    }
    EmbedTag tag{{}, lineAt(html, at, countedTo, line)};
    TagScanner scanner(html, at + 6);
    if (!scanner.read(tag.attributes, page.error)) {
      page.error += " (line " + std::to_string(tag.line) + ")";
      return page;
    }
    page.embeds.push_back(tag);
    at = scanner.position();
  }
  return page;
}

std::vector<EmbedTag> embedsOfType(const std::vector<EmbedTag>& embeds, const std::string& mimeType) {
  std::vector<EmbedTag> ofType;
  for (const EmbedTag& embed : embeds)
    if (equalsIgnoringCase(embed.attribute("type"), mimeType)) ofType.push_back(embed);
  return ofType;
}
