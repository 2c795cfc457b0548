// Faults on demand in the plug-in's guarded methods, for tests of their recovery paths.
// Linking this support code replaces the plug-in's empty raiseArmedFault with one that
// acts on what armFaultFor armed.
#pragma once

// The next method guarded under traceName faults with an access violation as it starts,
// as if its first step had. Null disarms. One name at a time per process.
void armFaultFor(const char* traceName);

// The same, but only on a thread other than the caller's: the first job that runs a step
// for a method guarded under traceName faults on its own thread.
void armJobFaultFor(const char* traceName);
