// The plug-in's raiseArmedFault: nothing is ever armed in the plug-in, so a guarded method
// starts without a fault and without a comparison. Alone in its file so that the unit
// tests' definition (tests/unit/support/armed_fault.cpp), linked from their own objects,
// takes its place, and this one is never pulled from the library into a test program.
#include "log/method_guard.h"

void raiseArmedFault(const char* /*traceName*/) {}
