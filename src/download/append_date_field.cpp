// appendDateField: one "_NN" field of a dated configuration file name.
#include "download/config_files.h"

#include "log/CTextBuffer.h"
#include "log/method_guard.h"

void appendDateField(const CLogInstance* instance, CTextBuffer& buffer, uint16 value, uint16 width) {
  runGuarded(instance, "CMyPlugin::appendDateField()", [&] {
    buffer.appendChar('_');
    // Pads to at most five digits, the most an unsigned 16-bit value has.
    uint32_t limit = 10000;
    for (uint16 position = 5; position >= 2; --position, limit /= 10)
      if (position <= width && value < limit) buffer.appendChar('0');
    buffer.appendUnsigned(value);
  });
}
