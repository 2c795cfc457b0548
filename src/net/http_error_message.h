// The sentence shown when a download cannot be opened. Pure text.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kHttpErrorMessageSize = 1600;
extern const char kDefaultHttpErrorTemplate[];

// Fills out with the template whose first "%s" and everything after it are replaced by
// "statusText (statusCode)", or by the code alone when the text is empty. A template
// without "%s" is used unchanged. A null template means the default one. The message is
// cut to outSize - 1 characters.
void composeHttpErrorMessage(const char* messageTemplate, const char* statusText, uint32_t statusCode, char* out,
                             size_t outSize);
