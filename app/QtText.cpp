#include "app/QtText.h"

#include "platform/CodePage.h"

namespace vkr {

QString FromCp936(std::string_view cp936) {
    const std::u16string utf16 = Cp936ToUtf16(cp936);
    return QString::fromUtf16(utf16.data(), static_cast<qsizetype>(utf16.size()));
}

std::string ToCp936(const QString& text) {
    return Utf16ToCp936(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                            static_cast<size_t>(text.size())));
}

}  // namespace vkr
