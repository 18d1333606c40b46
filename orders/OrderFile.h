// The order file that is uploaded to the order server: the item rows in the row-file format, then
// one line with the observations and the issue date, every line ended by CR LF.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace torvel {

// "<ctro>+<userId>.Txt", e.g. "34+1021.Txt".
std::string OrderFileName(std::string_view ctro, std::int32_t userId);

// Every CR LF pair, then every CR or LF left on its own, becomes one blank.
std::string JoinLineBreaks(std::string_view text);

// "OBS|" + observations with accents stripped and "|" made a blank + "|" + issue date. The
// observations are expected on one line (JoinLineBreaks).
std::string ObservationLine(std::string_view observations, std::string_view issued);

// The whole file: the lines of `rowFileText` (as the list's SaveRows writes them; a line ends at
// CR, LF or CR LF) each followed by CR LF, then the observation line and CR LF.
std::string OrderFileText(std::string_view rowFileText, std::string_view observations,
                          std::string_view issued);

// Writes the file in the current directory, replacing a file of that name whole. Throws
// FileError.
void WriteOrderFile(const std::string& fileName, std::string_view rowFileText,
                    std::string_view observations, std::string_view issued);

} // namespace torvel
