// Whole-file reading and crash-safe replacement of the files the program writes.
#pragma once

#include <cstddef>
#include <memory>
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

// Removes from `dir` the temporary files of replacements that never reached their rename (the
// program was killed, or the machine lost power, in between). No reader ever opens them; the
// files they were to replace are whole, in their former content. Best effort: what cannot be
// removed stays.
void RemoveLeftoverReplacements(const std::string& dir);

// The whole file as bytes; FileError 'Cannot open file "<path>". <reason>' when it cannot be read.
std::string ReadWholeFile(const std::string& path);
// The same into a buffer that is not cleared first, for a large file read straight into its only
// copy: the bytes, and their number in `size`.
std::unique_ptr<char[]> ReadWholeFileBuffer(const std::string& path, size_t& size);

// A regular file read in pieces, for readers that need not hold it whole. Opening fails as
// ReadWholeFile does; a failing read throws FileError 'Cannot read file "<path>". <reason>'.
class FileReader {
public:
    explicit FileReader(const std::string& path);
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // The size when it was opened.
    size_t Size() const { return size_; }
    // Up to `room` bytes into `to`; 0 at the end.
    size_t Read(char* to, size_t room);

private:
    std::string path_;
    int fd_ = -1;
    size_t size_ = 0;
};

bool FileExists(const std::string& path);

} // namespace torvel
