// The file of an upload, read whole and kept open with a shared lock until the upload ends, so
// that cooperating writers wait instead of changing it under the request.
#pragma once

#include <cstdint>
#include <string>

namespace torvel {

class UploadFile {
public:
    static constexpr std::uint64_t kMaxBytes = 256ull * 1024 * 1024;

    // Opens and locks the file; throws TransportError when it cannot be opened or a writer
    // holds it.
    explicit UploadFile(const std::string& path);
    ~UploadFile(); // the lock goes with the descriptor
    UploadFile(const UploadFile&) = delete;
    UploadFile& operator=(const UploadFile&) = delete;

    // The whole content; throws TransportError past kMaxBytes or on a read error.
    std::string ReadAll();

private:
    [[noreturn]] void Fail(int err);

    std::string path_;
    int fd_ = -1;
};

} // namespace torvel
