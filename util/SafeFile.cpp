#include "util/SafeFile.h"

#include "util/Errors.h"
#include "util/HugePages.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace torvel {
namespace {

// Temporaries are ".<name>.replacing-XXXXXX": hidden, and named so that the start-up cleanup can
// tell them from any file of the user's.
constexpr const char* kTemporaryMark = ".replacing-";
constexpr size_t kRandomPart = 6; // what mkstemp puts in place of the X's

bool IsTemporaryName(std::string_view name) {
    const std::string_view mark = kTemporaryMark;
    if (name.size() < 2 + mark.size() + kRandomPart || name[0] != '.')
        return false;
    const std::string_view tail = name.substr(name.size() - kRandomPart - mark.size());
    return tail.substr(0, mark.size()) == mark;
}

std::string reason(int err) {
    return std::strerror(err);
}

[[noreturn]] void fail(const char* what, const std::string& path, int err) {
    throw FileError(std::string(what) + " \"" + path + "\". " + reason(err));
}

bool WriteAll(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) { // no progress and no reason given: do not spin
            errno = EIO;
            return false;
        }
        p += n;
        left -= size_t(n);
    }
    return true;
}

mode_t NewFileMode(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        return st.st_mode & 07777;
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

FileReplacement::FileReplacement(std::string path) : path_(std::move(path)) {
    size_t slash = path_.rfind('/');
    dir_ = slash == std::string::npos ? "." : (slash == 0 ? "/" : path_.substr(0, slash));
    std::string base = slash == std::string::npos ? path_ : path_.substr(slash + 1);
    tmp_ = dir_ + "/." + base + kTemporaryMark + "XXXXXX";
    fd_ = ::mkstemp(tmp_.data());
    if (fd_ < 0)
        fail("Cannot create file", path_, errno);
    if (::fchmod(fd_, NewFileMode(path_)) != 0)
        Abandon(errno);
}

FileReplacement::~FileReplacement() {
    if (fd_ >= 0) {
        ::close(fd_);
        ::unlink(tmp_.c_str());
    }
}

void FileReplacement::Abandon(int err) {
    ::close(fd_);
    fd_ = -1;
    ::unlink(tmp_.c_str());
    fail("Cannot create file", path_, err);
}

void FileReplacement::Write(std::string_view bytes) {
    if (fd_ < 0)
        fail("Cannot create file", path_, EBADF);
    if (!WriteAll(fd_, bytes))
        Abandon(errno);
}

void FileReplacement::Commit() {
    if (fd_ < 0)
        fail("Cannot create file", path_, EBADF);
    if (::fsync(fd_) != 0)
        Abandon(errno);
    int fd = fd_;
    fd_ = -1;
    int err = ::close(fd) != 0 ? errno : 0;
    if (err == 0 && ::rename(tmp_.c_str(), path_.c_str()) != 0)
        err = errno;
    if (err != 0) {
        ::unlink(tmp_.c_str());
        fail("Cannot create file", path_, err);
    }
    // Make the rename itself durable; a failure here cannot lose the data any more.
    int dirFd = ::open(dir_.c_str(), O_RDONLY | O_DIRECTORY);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

void ReplaceFileSafely(const std::string& path, std::string_view bytes) {
    FileReplacement file(path);
    file.Write(bytes);
    file.Commit();
}

FileReader::FileReader(const std::string& path) : path_(path) {
    // Not blocking: a FIFO in the file's place would otherwise wait for a writer for ever.
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0)
        fail("Cannot open file", path, errno);
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int err = errno;
        ::close(fd_);
        if (S_ISDIR(st.st_mode))
            fail("Cannot open file", path, EISDIR);
        if (st.st_mode == 0)
            fail("Cannot open file", path, err);
        throw FileError("Cannot open file \"" + path + "\". Not a regular file");
    }
    size_ = st.st_size > 0 ? size_t(st.st_size) : 0;
}

FileReader::~FileReader() {
    ::close(fd_);
}

size_t FileReader::Read(char* to, size_t room) {
    for (;;) {
        const ssize_t n = ::read(fd_, to, room);
        if (n >= 0)
            return size_t(n);
        if (errno != EINTR)
            fail("Cannot read file", path_, errno);
    }
}

namespace {

// Reads the rest of the file into `out` (data(), size(), resize() keeping the bytes), sized first
// by fstat plus room to see the end; a file that grew meanwhile is read on in pieces. Returns
// the bytes read.
template <class Buffer> size_t ReadAll(FileReader& file, Buffer& out) {
    out.resize(file.Size() + 1);
    size_t used = 0;
    for (;;) {
        if (used == out.size())
            out.resize(out.size() + (1 << 16));
        const size_t n = file.Read(out.data() + used, out.size() - used);
        if (n == 0)
            return used;
        used += n;
    }
}

// A byte buffer whose new room is not cleared.
class RawBuffer {
public:
    char* data() { return bytes_.get(); }
    size_t size() const { return size_; }
    void resize(size_t size) {
        std::unique_ptr<char[]> bigger(new char[size]);
        AdviseHugePages(bigger.get(), size);
        if (size_ > 0)
            std::memcpy(bigger.get(), bytes_.get(), std::min(size_, size));
        bytes_ = std::move(bigger);
        size_ = size;
    }
    std::unique_ptr<char[]> Take() { return std::move(bytes_); }

private:
    std::unique_ptr<char[]> bytes_;
    size_t size_ = 0;
};

} // namespace

std::string ReadWholeFile(const std::string& path) {
    FileReader file(path);
    std::string out;
    out.resize(ReadAll(file, out));
    return out;
}

std::unique_ptr<char[]> ReadWholeFileBuffer(const std::string& path, size_t& size) {
    FileReader file(path);
    RawBuffer out;
    size = ReadAll(file, out);
    return out.Take();
}

void RemoveLeftoverReplacements(const std::string& dir) {
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return;
    while (const dirent* entry = ::readdir(d)) {
        if (!IsTemporaryName(entry->d_name))
            continue;
        // Only a regular file of that name, never what a link points to.
        struct stat st {};
        if (::fstatat(::dirfd(d), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode))
            ::unlinkat(::dirfd(d), entry->d_name, 0);
    }
    ::closedir(d);
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

} // namespace torvel
