// The body of an upload: a multipart form with one file part, and the boundary that frames it.
#pragma once

#include <string>
#include <string_view>

#include "util/Clock.h"

namespace torvel {

// "--------" and the local time as "mmddyyhhnnsszzz": month, day, two-digit year, hour,
// minute, second, milliseconds.
std::string MultipartBoundary(const LocalTime& t);

// The part head (field name, file name, content type), the file's bytes unchanged, CR LF and
// the closing line.
std::string MultipartBody(std::string_view boundary, std::string_view fieldName,
                          std::string_view fileName, std::string_view contentType,
                          std::string_view content);

} // namespace torvel
