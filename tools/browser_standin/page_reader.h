// Reading an HTML page the way a browser finds a plug-in's embed: every <embed> tag with
// its attributes in document order, names as written, values with their character
// references decoded. Comments and the raw text of scripts and style sheets hold no
// tags. Pure text work.
#pragma once

#include <string>
#include <vector>

struct EmbedAttribute {
  std::string name;
  std::string value;
};

struct EmbedTag {
  std::vector<EmbedAttribute> attributes;
  int line;  // where the tag starts, counted from 1

  // The value of the first attribute of that name (compared without regard to case),
  // or empty.
  std::string attribute(const std::string& name) const;
};

struct PageEmbeds {
  std::vector<EmbedTag> embeds;
  // Set when the page cannot be read to its end, as a phrase that follows the page's
  // name ("has an <embed> tag that is not closed ...").
  std::string error;
};

PageEmbeds readEmbeds(const std::string& html);

// Decodes &amp; &lt; &gt; &quot; &apos; &#39; &#NNN; and &#xHH;. Numeric references
// become UTF-8, the form in which Netscape-family browsers hand over parameter values.
// A reference that is unknown, unterminated or names no character stays as written.
std::string decodeCharacterReferences(const std::string& text);

// The embeds whose type is mimeType, in page order (MIME types compare without regard to
// case).
std::vector<EmbedTag> embedsOfType(const std::vector<EmbedTag>& embeds, const std::string& mimeType);

bool equalsIgnoringCase(const std::string& a, const std::string& b);
