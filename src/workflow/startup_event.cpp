// The startup event: a manual-reset kernel event known by a fixed name.
#include "workflow/startup_event.h"

namespace {

constexpr char kStartupEventName[] = "{5B2E91C7-3F08-4d6a-B1C4-92E07A5D3F61}";

}  // namespace

HANDLE openStartupEvent() { return CreateEventA(nullptr, TRUE, FALSE, kStartupEventName); }

void signalStartupEvent() {
  // The handle is deliberately never closed: an event without handles would cease to be,
  // and the next one of that name would start unsignalled.
  if (const HANDLE event = openStartupEvent()) SetEvent(event);
}
