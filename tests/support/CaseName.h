// The name of a table row as a test name: its words run together, each capitalised, without
// anything but letters and digits ("Esc on the list" is "EscOnTheList").
#pragma once

#include <cctype>
#include <string>
#include <string_view>

namespace torvel::test {

inline std::string CaseName(std::string_view words) {
    std::string name;
    bool upper = true;
    for (const char c : words) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            name += upper ? char(std::toupper(static_cast<unsigned char>(c))) : c;
            upper = false;
        } else {
            upper = true;
        }
    }
    return name;
}

} // namespace torvel::test
