#include "support/JsonText.h"

#include "platform/CodePage.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vkr::json_internal {
namespace {

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Reads the UTF-8 character at text[pos]; an invalid sequence reads as one
// byte standing for U+FFFD.
char32_t ReadCodePoint(std::string_view text, size_t pos, size_t& length) {
    unsigned char lead = static_cast<unsigned char>(text[pos]);
    length = 1;
    if (lead < 0x80) return lead;
    size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (need == 0 || pos + need > text.size()) return U'\uFFFD';
    char32_t cp = lead & (0x3F >> (need - 1));
    for (size_t i = 1; i < need; ++i) {
        unsigned char next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80) return U'\uFFFD';
        cp = (cp << 6) | (next & 0x3F);
    }
    length = need;
    return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void AppendUnicodeEscape(std::string& out, char32_t unit) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned>(unit));
    out += buffer;
}

// The code points a script's JSON.stringify writes as \u escapes besides the
// control characters: invisible formatting and line-separator characters.
bool StringifyEscapes(char32_t cp) {
    return (cp >= 0x7F && cp <= 0x9F) || cp == 0xAD || (cp >= 0x600 && cp <= 0x604) || cp == 0x70F ||
           cp == 0x17B4 || cp == 0x17B5 || (cp >= 0x200C && cp <= 0x200F) || (cp >= 0x2028 && cp <= 0x202F) ||
           (cp >= 0x2060 && cp <= 0x206F) || cp == 0xFEFF || (cp >= 0xFFF0 && cp <= 0xFFFF);
}

bool IsHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

// The UTF-16 unit of the 4 hex digits at text[pos], or nullopt.
std::optional<char32_t> HexUnit(std::string_view text, size_t pos, size_t digits) {
    if (pos + digits > text.size()) return std::nullopt;
    char32_t unit = 0;
    for (size_t i = 0; i < digits; ++i) {
        char c = text[pos + i];
        if (!IsHex(c)) return std::nullopt;
        unit = unit * 16 + static_cast<char32_t>(std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (c | 0x20) - 'a' + 10);
    }
    return unit;
}

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Length of the JSON escape that a caller's backslash (the marker at
// text[pos]) starts, counted from after the marker; 0 when it starts none.
size_t MarkedEscapeLength(std::string_view text, size_t pos) {
    size_t after = pos + kBackslashMarker.size();
    if (after >= text.size()) return 0;
    if (text.substr(after).starts_with(kBackslashMarker)) return kBackslashMarker.size();
    char next = text[after];
    if (std::string_view("\"/bfnrt").find(next) != std::string_view::npos) return 1;
    if (next != 'u') return 0;
    std::optional<char32_t> unit = HexUnit(text, after + 1, 4);
    if (!unit) return 0;
    if (IsLowSurrogate(*unit)) return 0;
    if (!IsHighSurrogate(*unit)) return 5;
    // A high surrogate is only valid JSON when the low half follows at once.
    size_t second = after + 5;
    if (!text.substr(second).starts_with(kBackslashMarker)) return 0;
    size_t secondU = second + kBackslashMarker.size();
    if (secondU >= text.size() || text[secondU] != 'u') return 0;
    std::optional<char32_t> low = HexUnit(text, secondU + 1, 4);
    return low && IsLowSurrogate(*low) ? 5 + kBackslashMarker.size() + 5 : 0;
}

// Writes the caller's escape sequence at text[pos] (marker first) and
// returns how many bytes of text it took.
size_t WriteMarkedEscape(std::string& out, std::string_view text, size_t pos) {
    size_t length = MarkedEscapeLength(text, pos);
    if (length == 0) {
        out += "\\\\";  // starts no escape: a literal backslash
        return kBackslashMarker.size();
    }
    std::string_view sequence = text.substr(pos + kBackslashMarker.size(), length);
    out += '\\';
    if (sequence == kBackslashMarker) {
        out += '\\';
    } else if (length > 5) {  // a surrogate pair, a marker between the halves
        out.append(sequence.substr(0, 5)).append("\\").append(sequence.substr(5 + kBackslashMarker.size()));
    } else {
        out += sequence;
    }
    return kBackslashMarker.size() + length;
}

void WriteString(std::string& out, std::string_view text, Markers markers) {
    out += '"';
    size_t pos = 0;
    while (pos < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[pos]);
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            out += static_cast<char>(c);
            ++pos;
            continue;
        }
        switch (c) {
        case '"': out += "\\\""; ++pos; continue;
        case '\\': out += "\\\\"; ++pos; continue;
        case '\b': out += "\\b"; ++pos; continue;
        case '\t': out += "\\t"; ++pos; continue;
        case '\n': out += "\\n"; ++pos; continue;
        case '\f': out += "\\f"; ++pos; continue;
        case '\r': out += "\\r"; ++pos; continue;
        default: break;
        }
        if (markers == Markers::Backslash && text.substr(pos).starts_with(kBackslashMarker)) {
            pos += WriteMarkedEscape(out, text, pos);
            continue;
        }
        size_t length = 0;
        char32_t cp = ReadCodePoint(text, pos, length);
        if (cp < 0x20 || StringifyEscapes(cp)) {
            AppendUnicodeEscape(out, cp);
        } else if (cp == U'\uFFFD' && length == 1) {
            AppendUtf8(out, cp);  // a stray byte never reaches the JSON text
        } else {
            out.append(text.substr(pos, length));
        }
        pos += length;
    }
    out += '"';
}

void WriteValue(std::string& out, const Json& value, Markers markers) {
    switch (value.type()) {
    case Json::value_t::object: {
        out += '{';
        bool first = true;
        for (const auto& [key, member] : value.items()) {
            if (!first) out += ',';
            first = false;
            WriteString(out, key, markers);
            out += ':';
            WriteValue(out, member, markers);
        }
        out += '}';
        return;
    }
    case Json::value_t::array: {
        out += '[';
        for (size_t i = 0; i < value.size(); ++i) {
            if (i > 0) out += ',';
            WriteValue(out, value[i], markers);
        }
        out += ']';
        return;
    }
    case Json::value_t::string: WriteString(out, value.get_ref<const std::string&>(), markers); return;
    case Json::value_t::boolean: out += value.get<bool>() ? "true" : "false"; return;
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
    case Json::value_t::number_float:
        if (value.is_number_float() && !std::isfinite(value.get<double>())) {
            out += "null";
        } else {
            out += NumberText(value);
        }
        return;
    default: out += "null"; return;
    }
}

// Deepest bracket nesting of a JSON text, counted outside strings; stops
// counting once limit is passed.
int NestingDepth(std::string_view text, int limit) {
    int depth = 0;
    int deepest = 0;
    bool inString = false;
    for (size_t i = 0; i < text.size() && deepest <= limit; ++i) {
        char c = text[i];
        if (inString) {
            if (c == '\\') ++i;
            else if (c == '"') inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            deepest = std::max(deepest, ++depth);
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return deepest;
}

// Reads a legacy octal escape (up to three digits, at most \377).
char32_t ReadOctal(std::string_view content, size_t& pos) {
    char32_t value = 0;
    size_t digits = 0;
    while (pos < content.size() && digits < 3 && content[pos] >= '0' && content[pos] <= '7') {
        char32_t next = value * 8 + static_cast<char32_t>(content[pos] - '0');
        if (next > 0377) break;
        value = next;
        ++pos;
        ++digits;
    }
    return value;
}

bool IsLineBreak(char c) { return c == '\n' || c == '\r'; }

}  // namespace

std::string ToUtf8(std::string_view cp936) {
    return IsAscii(cp936) ? std::string(cp936) : Cp936ToUtf8(cp936);
}

std::string FromUtf8(std::string_view utf8) {
    return IsAscii(utf8) ? std::string(utf8) : Utf8ToCp936(utf8);
}

std::optional<Json> ParseJson(std::string_view utf8) {
    if (NestingDepth(utf8, kMaxDepth) > kMaxDepth) return std::nullopt;
    try {
        Json value = Json::parse(utf8.begin(), utf8.end(), nullptr, false);
        if (value.is_discarded()) return std::nullopt;
        return value;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::string WriteJson(const Json& value, Markers markers) {
    std::string out;
    WriteValue(out, value, markers);
    return out;
}

std::string ScriptNumberText(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
    if (value == 0) return "0";
    std::string sign = value < 0 ? "-" : "";
    char buffer[64];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific);
    if (error != std::errc()) return {};
    std::string_view scientific(buffer, static_cast<size_t>(end - buffer));
    size_t e = scientific.find('e');
    std::string digits;
    for (char c : scientific.substr(0, e)) {
        if (c != '.') digits += c;
    }
    int exponent = std::atoi(std::string(scientific.substr(e + 1)).c_str());
    int k = static_cast<int>(digits.size());
    int n = exponent + 1;  // value = 0.digits * 10^n
    if (k <= n && n <= 21) return sign + digits + std::string(static_cast<size_t>(n - k), '0');
    if (0 < n && n <= 21) return sign + digits.substr(0, static_cast<size_t>(n)) + "." + digits.substr(static_cast<size_t>(n));
    if (-6 < n && n <= 0) return sign + "0." + std::string(static_cast<size_t>(-n), '0') + digits;
    std::string mantissa = k == 1 ? digits : digits.substr(0, 1) + "." + digits.substr(1);
    return sign + mantissa + "e" + (n - 1 < 0 ? "-" : "+") + std::to_string(std::abs(n - 1));
}

std::string NumberText(const Json& number) {
    if (number.is_number_integer() && number.is_number_unsigned()) return std::to_string(number.get<std::uint64_t>());
    if (number.is_number_integer()) return std::to_string(number.get<std::int64_t>());
    return ScriptNumberText(number.get<double>());
}

std::string ValueText(const Json& value, NumberStyle numbers) {
    switch (value.type()) {
    case Json::value_t::string: return value.get<std::string>();
    case Json::value_t::boolean: return value.get<bool>() ? "true" : "false";
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
    case Json::value_t::number_float:
        return numbers == NumberStyle::Format13g ? Format13g(value.get<double>()) : NumberText(value);
    case Json::value_t::object: return "[object Object]";
    case Json::value_t::array: {
        std::string joined;
        for (size_t i = 0; i < value.size(); ++i) {
            if (i > 0) joined += ',';
            joined += ValueText(value[i], numbers);
        }
        return joined;
    }
    default: return {};
    }
}

std::string Format13g(double value) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.13g", value);
    return buffer;
}

std::optional<std::string> DecodeScriptLiteral(std::string_view content, char quote) {
    std::string out;
    size_t pos = 0;
    char32_t pendingHigh = 0;  // a \u high surrogate waiting for its low half
    auto flushHigh = [&] {
        if (pendingHigh != 0) AppendUtf8(out, U'\uFFFD');
        pendingHigh = 0;
    };
    while (pos < content.size()) {
        char c = content[pos];
        if (c == quote || IsLineBreak(c)) return std::nullopt;
        if (c != '\\') {
            flushHigh();
            out += c;
            ++pos;
            continue;
        }
        if (++pos >= content.size()) return std::nullopt;  // it escapes the closing quote
        char next = content[pos++];
        if (next == 'u' || next == 'x') {
            size_t digits = next == 'u' ? 4 : 2;
            std::optional<char32_t> unit = HexUnit(content, pos, digits);
            if (!unit) return std::nullopt;
            pos += digits;
            if (IsLowSurrogate(*unit) && pendingHigh != 0) {
                AppendUtf8(out, 0x10000 + ((pendingHigh - 0xD800) << 10) + (*unit - 0xDC00));
                pendingHigh = 0;
                continue;
            }
            flushHigh();
            if (IsHighSurrogate(*unit)) pendingHigh = *unit;
            else AppendUtf8(out, IsLowSurrogate(*unit) ? U'\uFFFD' : *unit);
            continue;
        }
        flushHigh();
        switch (next) {
        case 'b': out += '\b'; break;
        case 't': out += '\t'; break;
        case 'n': out += '\n'; break;
        case 'v': out += '\v'; break;
        case 'f': out += '\f'; break;
        case 'r':
            out += '\r';
            break;
        case '\r':  // a line continuation stands for nothing
            if (pos < content.size() && content[pos] == '\n') ++pos;
            break;
        case '\n': break;
        default:
            if (next >= '0' && next <= '7') {
                --pos;
                AppendUtf8(out, ReadOctal(content, pos));
            } else {
                out += next;  // the escaped character itself
            }
        }
    }
    flushHigh();
    return out;
}

std::optional<double> ParseNumberText(std::string_view text) {
    size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return std::nullopt;
    size_t last = text.find_last_not_of(" \t\r\n");
    std::string trimmed(text.substr(first, last - first + 1));
    // Decimal forms only: no "inf", "nan" or hexadecimal.
    if (trimmed.find_first_not_of("0123456789+-.eE") != std::string::npos) return std::nullopt;
    char* end = nullptr;
    double value = std::strtod(trimmed.c_str(), &end);
    if (end != trimmed.c_str() + trimmed.size()) return std::nullopt;
    return value;
}

}  // namespace vkr::json_internal
