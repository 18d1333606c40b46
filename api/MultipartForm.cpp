#include "api/MultipartForm.h"

#include <cstdio>

namespace torvel {

namespace {

std::string TwoDigits(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d", value % 100);
    return text;
}

} // namespace

std::string MultipartBoundary(const LocalTime& t) {
    char millis[8];
    std::snprintf(millis, sizeof millis, "%03d", t.millisecond % 1000);
    return "--------" + TwoDigits(t.month) + TwoDigits(t.day) + TwoDigits(t.year) +
           TwoDigits(t.hour) + TwoDigits(t.minute) + TwoDigits(t.second) + millis;
}

std::string MultipartBody(std::string_view boundary, std::string_view fieldName,
                          std::string_view fileName, std::string_view contentType,
                          std::string_view content) {
    std::string body;
    body.reserve(content.size() + 256);
    body.append("--").append(boundary).append("\r\n");
    body.append("Content-Disposition: form-data; name=\"")
        .append(fieldName)
        .append("\"; filename=\"")
        .append(fileName)
        .append("\"\r\n");
    body.append("Content-Type: ").append(contentType).append("\r\n\r\n");
    body.append(content);
    body.append("\r\n--").append(boundary).append("--\r\n");
    return body;
}

} // namespace torvel
