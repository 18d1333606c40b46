#include "orders/OrderFile.h"

#include "util/SafeFile.h"
#include "util/uFuncoes.h"

#include <algorithm>

namespace torvel {

std::string OrderFileName(std::string_view ctro, std::int32_t userId) {
    return std::string(ctro) + "+" + std::to_string(userId) + ".Txt";
}

std::string JoinLineBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += ' ';
            ++i;
        } else if (c == '\r' || c == '\n') {
            out += ' ';
        } else {
            out += c;
        }
    }
    return out;
}

std::string ObservationLine(std::string_view observations, std::string_view issued) {
    // A line break left in the text would cut the line in two on the server's side.
    std::string obs = StripAccents(JoinLineBreaks(observations));
    std::replace(obs.begin(), obs.end(), '|', ' ');
    return "OBS|" + obs + "|" + std::string(issued);
}

std::string OrderFileText(std::string_view rowFileText, std::string_view observations,
                          std::string_view issued) {
    std::string text;
    text.reserve(rowFileText.size() + observations.size() + 32);
    // The rows are read back as a list of lines, so each line ends in CR LF whatever it held.
    for (const std::string& line : SplitAt(rowFileText, '\n'))
        text.append(line).append("\r\n");
    text.append(ObservationLine(observations, issued)).append("\r\n");
    return text;
}

void WriteOrderFile(const std::string& fileName, std::string_view rowFileText,
                    std::string_view observations, std::string_view issued) {
    ReplaceFileSafely(fileName, OrderFileText(rowFileText, observations, issued));
}

} // namespace torvel
