#pragma once
// Texts inside the program are byte strings in code page 936 (GBK); these
// conversions are the edge where they meet UTF-8 (Linux, HTTP) and UTF-16 (Qt).
// A character the target cannot hold becomes "?", as Windows' default character does.
#include <optional>
#include <string>
#include <string_view>

namespace vkr {

// "你好" in UTF-8 (6 bytes) => "\xC4\xE3\xBA\xC3" (4 bytes).
std::string Utf8ToCp936(std::string_view utf8);
// The reverse; an invalid CP936 byte sequence becomes "?".
std::string Cp936ToUtf8(std::string_view cp936);
std::u16string Cp936ToUtf16(std::string_view cp936);
std::string Utf16ToCp936(std::u16string_view utf16);
// Bytes in a named charset ("big5", "utf-8", ...) => CP936; std::nullopt when
// the charset is unknown.
std::optional<std::string> CharsetToCp936(std::string_view bytes, std::string_view charset);

// Converts a UTF-8 byte stream that arrives in arbitrary pieces (a pipe's
// reads): a character split across two pieces is kept back and completed by
// the next piece, never mangled. Not thread-safe; one per stream.
class Utf8StreamDecoder {
public:
    // Returns the CP936 text of every complete character in pending + piece.
    std::string Decode(std::string_view piece);
    // Returns what is still held back (an unfinished sequence at end of stream) as "?".
    std::string Finish();

private:
    std::string pending_;
};

}  // namespace vkr
