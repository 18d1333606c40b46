// Typed failures of the core. Each carries the exact text the user sees in the error box.
#pragma once

#include <stdexcept>
#include <string>

namespace torvel {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A text that does not read as a number: "'<text>' is not a valid floating point value".
class ConversionError : public Error {
public:
    using Error::Error;
};

// A record with too few fields: "List index out of bounds (<n>)".
class ListIndexError : public Error {
public:
    explicit ListIndexError(int index);
};

// A file that cannot be opened, read, created or written.
class FileError : public Error {
public:
    using Error::Error;
};

} // namespace torvel
