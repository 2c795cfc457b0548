// Composing the download error sentence.
#include "net/http_error_message.h"

#include <cstdio>
#include <cstring>

#include "base/bounded_text.h"

const char kDefaultHttpErrorTemplate[] = "An error occurred while downloading from the server: %s";

void composeHttpErrorMessage(const char* messageTemplate, const char* statusText, uint32_t statusCode, char* out,
                             size_t outSize) {
  if (!messageTemplate) messageTemplate = kDefaultHttpErrorTemplate;
  copyCut(out, outSize, messageTemplate);
  const char* placeholder = std::strstr(messageTemplate, "%s");
  if (!placeholder) return;
  const size_t before = static_cast<size_t>(placeholder - messageTemplate);
  if (before < outSize) out[before] = '\0';
  char code[16];
  std::snprintf(code, sizeof code, "%u", static_cast<unsigned>(statusCode));
  if (statusText && statusText[0]) {
    appendCut(out, outSize, statusText);
    appendCut(out, outSize, " (");
    appendCut(out, outSize, code);
    appendCut(out, outSize, ")");
  } else {
    appendCut(out, outSize, code);
  }
}
