#include "platform/CodePage.h"

#include <iconv.h>

#include <cerrno>
#include <algorithm>
#include <vector>

namespace vkr {
namespace {

// How far to skip over an input unit that cannot be converted.
enum class SourceUnit { Byte, Utf8Character, Utf16CodeUnit };

// Bytes taken by the unconvertible unit at the start of input.
size_t UnitLength(SourceUnit unit, const char* input, size_t left) {
    if (unit == SourceUnit::Utf16CodeUnit) {
        // A surrogate pair is one character: one "?" for both halves.
        bool pair = left >= 4 && (static_cast<unsigned char>(input[1]) & 0xFC) == 0xD8 &&
                    (static_cast<unsigned char>(input[3]) & 0xFC) == 0xDC;
        return pair ? 4 : std::min<size_t>(2, left);
    }
    if (unit == SourceUnit::Byte) return 1;
    unsigned char lead = static_cast<unsigned char>(*input);
    size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    size_t valid = 1;
    while (valid < length && valid < left && (static_cast<unsigned char>(input[valid]) & 0xC0) == 0x80) ++valid;
    return valid;
}

// Converts with iconv, replacing each unconvertible or invalid input unit with
// the target's "?" and going on with the next one. std::nullopt when iconv
// does not know one of the two encodings.
std::optional<std::string> TryConvert(const char* to, const char* from, std::string_view input,
                                      std::string_view replacement, SourceUnit unit) {
    std::string out;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::vector<char> buffer(input.size() * 4 + 16);
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    while (inLeft > 0) {
        char* outPtr = buffer.data();
        size_t outLeft = buffer.size();
        size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer.data(), buffer.size() - outLeft);
        if (rc != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) continue;
        // EILSEQ or EINVAL: skip one unit of the source and put "?" in its place.
        size_t step = UnitLength(unit, in, inLeft);
        in += step;
        inLeft -= step;
        out.append(replacement);
    }
    iconv_close(cd);
    return out;
}

std::string Convert(const char* to, const char* from, std::string_view input, std::string_view replacement,
                    SourceUnit unit) {
    if (input.empty()) return {};
    return TryConvert(to, from, input, replacement, unit).value_or(std::string());
}

std::string_view AsBytes(std::u16string_view text) {
    return {reinterpret_cast<const char*>(text.data()), text.size() * sizeof(char16_t)};
}

}  // namespace

std::string Utf8ToCp936(std::string_view utf8) {
    // Most console output is ASCII, which both encodings spell alike.
    if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        return std::string(utf8);
    }
    return Convert("CP936", "UTF-8", utf8, "?", SourceUnit::Utf8Character);
}

std::string Cp936ToUtf8(std::string_view cp936) { return Convert("UTF-8", "CP936", cp936, "?", SourceUnit::Byte); }

std::u16string Cp936ToUtf16(std::string_view cp936) {
    static const std::u16string_view question = u"?";
    std::string bytes = Convert("UTF-16LE", "CP936", cp936, AsBytes(question), SourceUnit::Byte);
    return std::u16string(reinterpret_cast<const char16_t*>(bytes.data()), bytes.size() / 2);
}

std::string Utf16ToCp936(std::u16string_view utf16) {
    return Convert("CP936", "UTF-16LE", AsBytes(utf16), "?", SourceUnit::Utf16CodeUnit);
}

std::optional<std::string> CharsetToCp936(std::string_view bytes, std::string_view charset) {
    // Through UTF-8, so a character CP936 lacks becomes one "?" instead of its
    // bytes being misread one at a time.
    auto utf8 = TryConvert("UTF-8", std::string(charset).c_str(), bytes, "?", SourceUnit::Byte);
    if (!utf8) return std::nullopt;
    return Utf8ToCp936(*utf8);
}

namespace {

// Length of the unfinished UTF-8 sequence at the end of text (0 when it ends whole).
size_t IncompleteTailLength(std::string_view text) {
    size_t back = 0;
    while (back < text.size() && back < 4) {
        unsigned char c = static_cast<unsigned char>(text[text.size() - 1 - back]);
        ++back;
        if ((c & 0xC0) == 0x80) continue;  // continuation byte: keep looking for the lead
        size_t need = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        return need > back ? back : 0;
    }
    return 0;
}

}  // namespace

std::string Utf8StreamDecoder::Decode(std::string_view piece) {
    if (pending_.empty()) {
        // The usual case: convert the piece where it lies, keep only its unfinished tail.
        size_t tail = IncompleteTailLength(piece);
        pending_.assign(piece.substr(piece.size() - tail));
        return Utf8ToCp936(piece.substr(0, piece.size() - tail));
    }
    pending_.append(piece);
    size_t tail = IncompleteTailLength(pending_);
    std::string complete = pending_.substr(0, pending_.size() - tail);
    pending_.erase(0, pending_.size() - tail);
    return Utf8ToCp936(complete);
}

std::string Utf8StreamDecoder::Finish() {
    std::string rest = pending_.empty() ? std::string() : std::string("?");
    pending_.clear();
    return rest;
}

}  // namespace vkr
