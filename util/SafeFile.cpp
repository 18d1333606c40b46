#include "util/SafeFile.h"

#include "util/Errors.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace torvel {
namespace {

std::string reason(int err) {
    return std::strerror(err);
}

[[noreturn]] void fail(const char* what, const std::string& path, int err) {
    throw FileError(std::string(what) + " \"" + path + "\". " + reason(err));
}

bool writeAll(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= size_t(n);
    }
    return true;
}

mode_t newFileMode(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        return st.st_mode & 07777;
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

void ReplaceFileSafely(const std::string& path, std::string_view bytes) {
    size_t slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string tmp = dir + "/." + base + ".XXXXXX";
    int fd = ::mkstemp(tmp.data());
    if (fd < 0)
        fail("Cannot create file", path, errno);
    int err = 0;
    if (::fchmod(fd, newFileMode(path)) != 0 || !writeAll(fd, bytes) || ::fsync(fd) != 0)
        err = errno;
    if (::close(fd) != 0 && err == 0)
        err = errno;
    if (err == 0 && ::rename(tmp.c_str(), path.c_str()) != 0)
        err = errno;
    if (err != 0) {
        ::unlink(tmp.c_str());
        fail("Cannot create file", path, err);
    }
    // Make the rename itself durable; a failure here cannot lose the data any more.
    int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

std::string ReadWholeFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0)
        fail("Cannot open file", path, errno);
    std::string out;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        fail("Cannot open file", path, EISDIR);
    }
    if (st.st_size > 0)
        out.reserve(size_t(st.st_size));
    char buf[1 << 16];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            int err = errno;
            ::close(fd);
            fail("Cannot read file", path, err);
        }
        if (n == 0)
            break;
        out.append(buf, size_t(n));
    }
    ::close(fd);
    return out;
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

} // namespace torvel
