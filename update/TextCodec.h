#pragma once
// Code-page conversions at the edge of the HTTP routines. Texts are CP936.
#include <optional>
#include <string>
#include <string_view>

namespace vkr {

// CP936 text => UTF-16LE bytes with a terminating zero character (two zero
// bytes) unless dropTerminator; "" => "" (no terminator either).
std::string AnsiToWide(std::string_view text, bool dropTerminator = false);

// UTF-16LE bytes => CP936 text, up to the first zero character. An odd last
// byte is ignored.
std::string WideToAnsi(std::string_view bytes);

// UTF-8 bytes => CP936 text, up to the first zero byte of the result.
std::string Utf8ToAnsi(std::string_view bytes);

// Re-decodes bytes declared to be in charset (an IANA/iconv name such as
// "utf-8", "big5") into CP936, unrepresentable or invalid input becoming "?".
// std::nullopt when the charset is unknown to the converter.
std::optional<std::string> DecodeCharset(std::string_view bytes, std::string_view charset);

}  // namespace vkr
