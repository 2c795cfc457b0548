// Limits of the tests that measure how long something took: inside the emulated x86
// machine every step of a program runs several times slower than on a real one, so a
// limit that says "this did not hang" or "this did not wait twice" is stretched there.
#pragma once

#include <windows.h>

// ms on a machine that starts the tests itself; ms times the emulated machine's factor
// when the tests run inside it (the environment has OSTREL_IN_GUEST).
DWORD scaledMs(DWORD ms);
