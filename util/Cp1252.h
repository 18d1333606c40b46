// The Windows-1252 code page: the one table every conversion of the program uses.
#pragma once

namespace torvel {

// The Unicode code unit of a byte; the five unassigned bytes map to the C1 controls, as Windows
// does.
char16_t Cp1252ToUtf16(unsigned char byte);
// The byte of a code unit, or -1 when the code page has none.
int Utf16ToCp1252(char16_t unit);

} // namespace torvel
