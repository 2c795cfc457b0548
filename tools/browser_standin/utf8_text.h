// Writing characters as UTF-8, the form in which the stand-in hands texts on. Pure text
// work.
#pragma once

#include <cstdint>
#include <string>

// Appends the character (up to U+10FFFF) in UTF-8.
void appendUtf8(std::string& out, uint32_t code);
