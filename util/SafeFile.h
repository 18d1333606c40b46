// Whole-file reading and crash-safe replacement of the files the program writes.
#pragma once

#include <string>
#include <string_view>

namespace torvel {

// Writes bytes to a temporary file in the same directory, flushes and fsyncs it, then renames it
// over `path`. On any failure the former file is untouched, no temporary file is left behind,
// and FileError is thrown: 'Cannot create file "<path>". <reason>'.
void ReplaceFileSafely(const std::string& path, std::string_view bytes);

// The same replacement for content produced piece by piece, so that a large file never has to
// be held whole in memory: Write() any number of times, then Commit(). Failures throw the same
// FileError; an object destroyed without a successful Commit() removes its temporary file and
// leaves the former file as it was.
class FileReplacement {
public:
    explicit FileReplacement(std::string path);
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    void Write(std::string_view bytes);
    void Commit();

private:
    [[noreturn]] void Abandon(int err);

    std::string path_;
    std::string dir_;
    std::string tmp_;
    int fd_ = -1;
};

// The whole file as bytes; FileError 'Cannot open file "<path>". <reason>' when it cannot be read.
std::string ReadWholeFile(const std::string& path);

bool FileExists(const std::string& path);

} // namespace torvel
