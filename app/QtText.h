#pragma once
// The edge between the program's CP936 texts and Qt's UTF-16 strings.
#include <QString>

#include <string>
#include <string_view>

namespace vkr {

QString FromCp936(std::string_view cp936);
std::string ToCp936(const QString& text);

}  // namespace vkr
