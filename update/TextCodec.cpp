#include "update/TextCodec.h"

#include <string>

#include "platform/CodePage.h"

namespace vkr {
namespace {

std::string UpToFirstZero(std::string text) {
    if (size_t zero = text.find('\0'); zero != std::string::npos) text.resize(zero);
    return text;
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
    return CharsetToCp936(bytes, charset);
}

}  // namespace vkr
