#pragma once
// Text helpers shared by every module: descriptions and notes are UTF-8, a
// length limit of a stored form counts bytes and a cut never splits a
// character, and bytes that are not valid UTF-8 (files from older programs)
// are read as Windows-1252.

#include <string>
#include <string_view>

namespace zk {

bool isValidUtf8(std::string_view text);
// Appends the code point (at most 0x10FFFF) in UTF-8.
void appendUtf8(std::string& out, char32_t cp);

// The longest prefix of at most maxBytes bytes that ends on a character
// boundary (for invalid UTF-8, on a byte).
std::string_view utf8Prefix(std::string_view text, size_t maxBytes);

// Text as stored: unchanged when it is valid UTF-8, else read as
// Windows-1252 and converted.
std::string textFromStored(std::string_view bytes);
std::string windows1252ToUtf8(std::string_view bytes);

// Blanks and tabs, which entry fields and profile lines ignore at their ends.
constexpr bool isBlankChar(char c) { return c == ' ' || c == '\t'; }
std::string_view trimBlanks(std::string_view text);

// The key by which lists compare text without regard to case: ASCII
// letters folded to lower case, other bytes unchanged.
std::string caseFoldKey(std::string_view text);
// The same folding, on bytes already copied where the key is kept.
void caseFoldInPlace(char* text, std::size_t length);
int compareIgnoringCase(std::string_view a, std::string_view b);

} // namespace zk
