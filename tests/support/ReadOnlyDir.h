// Makes a directory refuse new entries for the life of the object. Permissions do not bind
// root, so for root the directory is made immutable instead (where the file system and the
// capabilities allow it). Active() tells whether the directory really refuses: a test skips its
// read-only case when it does not.
#pragma once

#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace torvel::test {

// Sets or clears the immutable flag of a directory; false when it cannot.
inline bool SetImmutable(const std::filesystem::path& dir, bool on) {
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done && bool(flags & FS_IMMUTABLE_FL) != on) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}

class ReadOnlyDir {
public:
    explicit ReadOnlyDir(std::filesystem::path dir) : dir_(std::move(dir)) {
        namespace fs = std::filesystem;
        fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
        if (!Refuses() && SetImmutable(dir_, true))
            immutable_ = true;
        active_ = Refuses();
    }
    ~ReadOnlyDir() {
        if (immutable_)
            SetImmutable(dir_, false);
        std::error_code ec;
        std::filesystem::permissions(dir_, std::filesystem::perms::owner_all, ec);
    }
    ReadOnlyDir(const ReadOnlyDir&) = delete;
    ReadOnlyDir& operator=(const ReadOnlyDir&) = delete;

    bool Active() const { return active_; }
    // The error a refused write reports.
    int RefusalErrno() const { return immutable_ ? EPERM : EACCES; }

private:
    bool Refuses() const {
        const std::filesystem::path probe = dir_ / ".probe";
        if (std::ofstream(probe)) {
            std::error_code ec;
            std::filesystem::remove(probe, ec);
            return false;
        }
        return true;
    }

    std::filesystem::path dir_;
    bool immutable_ = false;
    bool active_ = false;
};

} // namespace torvel::test
