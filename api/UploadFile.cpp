#include "api/UploadFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "api/TransportError.h"

namespace torvel {

UploadFile::UploadFile(const std::string& path) : path_(path) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        Fail(errno);
    if (::flock(fd_, LOCK_SH | LOCK_NB) != 0) {
        int err = errno;
        ::close(fd_);
        fd_ = -1;
        if (err == EWOULDBLOCK)
            throw TransportError("Cannot open file \"" + path_ +
                                 "\". The file is being written by another process");
        Fail(err);
    }
}

UploadFile::~UploadFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

std::string UploadFile::ReadAll() {
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        Fail(errno);
    if (static_cast<std::uint64_t>(st.st_size) > kMaxBytes)
        throw TransportError("Cannot send file \"" + path_ + "\": larger than 256 MiB");
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    char chunk[65536];
    for (;;) {
        ssize_t n = ::read(fd_, chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Fail(errno);
        }
        if (n == 0)
            break;
        if (bytes.size() + static_cast<std::size_t>(n) > kMaxBytes)
            throw TransportError("Cannot send file \"" + path_ + "\": larger than 256 MiB");
        bytes.append(chunk, static_cast<std::size_t>(n));
    }
    return bytes;
}

void UploadFile::Fail(int err) {
    throw TransportError("Cannot open file \"" + path_ + "\". " + std::strerror(err));
}

} // namespace torvel
