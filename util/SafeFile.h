// Whole-file reading and crash-safe replacement of the files the program writes.
#pragma once

#include <string>
#include <string_view>

namespace torvel {

// Writes bytes to a temporary file in the same directory, flushes and fsyncs it, then renames it
// over `path`. On any failure the former file is untouched, no temporary file is left behind,
// and FileError is thrown: 'Cannot create file "<path>". <reason>'.
void ReplaceFileSafely(const std::string& path, std::string_view bytes);

// The whole file as bytes; FileError 'Cannot open file "<path>". <reason>' when it cannot be read.
std::string ReadWholeFile(const std::string& path);

bool FileExists(const std::string& path);

} // namespace torvel
