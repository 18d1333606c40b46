// What the entry fields do with a typed character, and how TFloatEdit reads and writes its
// number. The widgets hand the text, the selection and the character in and apply the verdict.
#pragma once

#include "controls/DocumentLayout.h"

#include <optional>
#include <string>
#include <string_view>

namespace torvel {

// The decimal separator of every entry field: always a comma, whatever the desktop's locale.
inline constexpr char kDecimalSeparator = ',';
inline constexpr char kEscape = 27;

struct FilterResult {
    enum Kind {
        Ordinary, // the key takes its ordinary effect
        Insert,   // insert `character` (possibly not the typed one: "." becomes ",")
        Refuse,   // drop the key; the text does not change
    };
    Kind kind = Ordinary;
    char character = 0;
    bool resetValue = false; // write the value 0 before anything else (Escape, numeric)
    bool selectAll = false;  // select the whole text before the key takes its effect (Escape)
};

struct FloatEditSettings {
    bool numerico = false;
    int digits = 0;
    bool numNegativo = false;
    bool readOnly = false;
};

// `typed` is the character as typed (Windows-1252), before any forced case.
FilterResult FloatEditFilter(const FloatEditSettings& settings, std::string_view text, int selStart,
                             int selLength, char typed);

// The number the text of a numeric TFloatEdit stands for. The empty text, "-" and "," alone read
// 0; nullopt when the text does not read as a number (the widget tells the user).
std::optional<double> ReadFloatEditValue(std::string_view text);

struct RenderedValue {
    std::string text;
    bool negativeColour = false; // red when the value asked for was below 0, blue otherwise
};
// Writing Value: the colour follows the value asked for, the text the value kept (a refused
// negative shows 0 in red).
RenderedValue RenderFloatEditValue(double value, int digits, bool numNegativo);

struct DrumoEditSettings {
    TTipoDefault tipo = tpTexto;
    int decimalPlaces = 0;
    bool numNegativo = false;
    bool readOnly = false;
};

FilterResult DrumoEditFilter(const DrumoEditSettings& settings, std::string_view text, int selStart,
                             int selLength, char typed);

} // namespace torvel
