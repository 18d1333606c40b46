// Text utilities shared by every layer. All texts are Windows-1252 bytes in std::string.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace torvel {

// Cuts text into pieces: each separator becomes a line break, then the text is cut into lines
// ending at CR, LF or CR LF. A break at the very end makes no empty last piece, two breaks in a
// row make an empty piece, the empty text gives no pieces, and a NUL byte ends the text.
std::vector<std::string> SplitAt(std::string_view text, char separator);

// Trimming removes the characters of code 32 or less from the ends, and nothing else.
std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);
bool IsBlank(std::string_view text);

// '1.234,56' -> '1234.56'; "0" for anything that is no usable number. Never fails.
std::string NormalizeNumberText(std::string_view value, bool twoDecimals = false);

// The digits of the trimmed text (and "-" when keepMinus), looking at the first `count`
// characters only (0 = all, negative = none).
std::string DigitsOnly(std::string_view text, int count = 0, bool keepMinus = false);

// Replaces accented letters and quote characters, one pass, same length.
std::string StripAccents(std::string_view text);

// Re-cases a name word by word; particles such as "DA", "DE", "DOS" go to lower case.
// Keeps one trailing space: callers trim.
std::string NameCase(std::string_view text);

// Upper and lower case of Windows-1252 text by the locale's rules (accented letters included).
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);

// A-Z only, whatever the locale: for protocol words, setting names and file extensions, which
// must not change with the desktop's language. Inline so that the server, which does not link
// the core, shares them.
inline char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
inline bool EqualsAsciiNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}

// The text of the error box: a "." is added unless the last character is "." or sorts before it.
std::string ErrorBoxText(std::string_view message);

} // namespace torvel
