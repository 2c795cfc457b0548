// Text in fixed buffers, never past their end. Two contracts, named apart:
// - "Cut": the text always goes in, shortened to the room there is (messages, log texts).
// - "Whole": the text goes in whole or not at all (paths and names, where a shortened text
//   would name something else).
// Every buffer is left terminated. Pure text, no system calls.
#pragma once

#include <cstddef>

// Copies text into out (outSize bytes), cut to outSize - 1 characters.
void copyCut(char* out, size_t outSize, const char* text);
// Appends text to the text in out, cut to the room left. False when it had to be cut.
bool appendCut(char* out, size_t outSize, const char* text);

// Copies text into out (outSize bytes). False, with out empty, when it does not fit.
bool copyWhole(char* out, size_t outSize, const char* text);
// Appends count bytes of text to the text in out. False, with out unchanged, when the
// result would not fit.
bool appendWhole(char* out, size_t outSize, const char* text, size_t count);
// As above, for the whole of text.
bool appendWhole(char* out, size_t outSize, const char* text);
