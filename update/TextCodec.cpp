#include "update/TextCodec.h"

#include <iconv.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/CodePage.h"

namespace vkr {
namespace {

std::string UpToFirstZero(std::string text) {
    if (size_t zero = text.find('\0'); zero != std::string::npos) text.resize(zero);
    return text;
}

// Converts to UTF-8, replacing each byte iconv rejects with "?".
std::optional<std::string> ToUtf8(std::string_view bytes, const std::string& charset) {
    iconv_t cd = iconv_open("UTF-8", charset.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out;
    std::vector<char> buffer(bytes.size() * 4 + 16);
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    while (inLeft > 0) {
        char* outPtr = buffer.data();
        size_t outLeft = buffer.size();
        size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer.data(), buffer.size() - outLeft);
        if (rc != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) continue;
        ++in;
        --inLeft;
        out += '?';
    }
    iconv_close(cd);
    return out;
}

}  // namespace

std::string AnsiToWide(std::string_view text, bool dropTerminator) {
    if (text.empty()) return {};
    std::u16string wide = Cp936ToUtf16(text);
    if (!dropTerminator) wide.push_back(u'\0');
    std::string bytes;
    bytes.reserve(wide.size() * 2);
    for (char16_t unit : wide) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

std::string WideToAnsi(std::string_view bytes) {
    std::u16string wide;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char16_t unit = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                              (static_cast<unsigned char>(bytes[i + 1]) << 8));
        if (unit == 0) break;
        wide.push_back(unit);
    }
    return Utf16ToCp936(wide);
}

std::string Utf8ToAnsi(std::string_view bytes) {
    if (bytes.empty()) return {};
    return UpToFirstZero(Utf8ToCp936(bytes));
}

std::optional<std::string> DecodeCharset(std::string_view bytes, std::string_view charset) {
    std::optional<std::string> utf8 = ToUtf8(bytes, std::string(charset));
    if (!utf8) return std::nullopt;
    return Utf8ToCp936(*utf8);
}

}  // namespace vkr
