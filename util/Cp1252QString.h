// The Windows-1252 code page at the widget boundary: bytes <-> QString. The core never converts.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace torvel {

QString ToQString(std::string_view bytes1252);
// Characters without a Windows-1252 byte become '?'.
std::string FromQString(const QString& text);

} // namespace torvel
