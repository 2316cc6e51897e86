#pragma once
// Text forms shared by JsonDocument and JsonView: the CP936 boundary, JSON
// parsing and writing, number texts and single-quoted script literals.
// Texts held in the value tree are UTF-8.
#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <string_view>

namespace vkr::json_internal {

using Json = nlohmann::ordered_json;

// Deepest nesting accepted in a JSON text and longest path; keeps every
// recursive walk over a value far from the stack's end.
inline constexpr int kMaxDepth = 512;

// U+2400, which JsonDocument stores in place of a caller's backslash.
inline constexpr std::string_view kBackslashMarker = "\xE2\x90\x80";

// CP936 <-> UTF-8; ASCII-only texts pass without conversion.
std::string ToUtf8(std::string_view cp936);
std::string FromUtf8(std::string_view utf8);

// The value of a UTF-8 JSON text; nullopt when it is not JSON or nests
// deeper than kMaxDepth.
std::optional<Json> ParseJson(std::string_view utf8);

// How backslash markers in texts are written.
enum class Markers {
    Plain,      // U+2400 is an ordinary character
    Backslash,  // U+2400 is a caller's backslash: it writes the escape
                // sequence it starts, or a literal backslash when it starts none
};

// Compact JSON (no blanks), as a script's JSON.stringify writes it: quote,
// backslash and control characters escaped, plus the invisible and
// line-separator code points stringify escapes; other characters as they are.
// Numbers that are not finite are written as null.
std::string WriteJson(const Json& value, Markers markers);

// A double as a script engine writes it: the shortest digits that read back
// as the same number, all integer digits below 1e21, exponent form outside
// [1e-6, 1e21). 200 => "200", 0.1 => "0.1", 1e21 => "1e+21".
std::string ScriptNumberText(double value);

// A number node: integers with all their digits, doubles by ScriptNumberText.
std::string NumberText(const Json& number);

enum class NumberStyle { Shortest, Format13g };

// The text a value reads as when a script converts it to text: a text as it
// is, a number in the given style, "true"/"false", "" for null, an array's
// elements joined by "," and "[object Object]" for an object (UTF-8).
std::string ValueText(const Json& value, NumberStyle numbers);

// "%.13g": at most 13 significant digits. 1234567890123 => "1234567890123",
// 12345678901234 => "1.234567890123e+13".
std::string Format13g(double value);

// The text that the content of a single-quoted script literal denotes, its
// escape sequences decoded (\n, \t, \', \\, \x41, \u4E2D, octal, a backslash
// before any other character stands for that character). nullopt when the
// literal would not compile: an unescaped quote or line break, a trailing
// backslash, a malformed \x or \u.
std::optional<std::string> DecodeScriptLiteral(std::string_view content, char quote = '\'');

// Strict number reading of a text (surrounding blanks allowed), as a
// conversion from text to number accepts it; nullopt otherwise.
std::optional<double> ParseNumberText(std::string_view text);

// Runs operation, turning any exception (a library's, or running out of
// memory) into fallback: no public operation throws.
template <typename Result, typename Operation>
Result Safely(Result fallback, Operation&& operation) noexcept {
    try {
        return operation();
    } catch (...) {
        return fallback;
    }
}

}  // namespace vkr::json_internal
