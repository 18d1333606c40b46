#include "orders/BackupFile.h"

#include "util/Errors.h"
#include "util/SafeFile.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace torvel {

std::string BackupFileName(int position) {
    return "GProd_" + std::to_string(position) + ".Txt";
}

std::optional<int> BackupToRestore(int storeCount) {
    for (int position = kRecoverableBackups - 1; position >= 0; --position) {
        if (position < storeCount && FileExists(BackupFileName(position)))
            return position;
    }
    return std::nullopt;
}

void DeleteOtherBackups(int position) {
    for (int other = 0; other < kRecoverableBackups; ++other) {
        if (other != position)
            RemoveFileIfPresent(BackupFileName(other));
    }
}

void DeleteSentBackup() {
    for (int position = kRecoverableBackups - 1; position >= 0; --position) {
        const std::string name = BackupFileName(position);
        if (FileExists(name)) {
            RemoveFileIfPresent(name);
            return;
        }
    }
}

void RemoveFileIfPresent(const std::string& path) {
    if (::unlink(path.c_str()) == 0)
        return;
    const int err = errno;
    if (err != ENOENT)
        throw FileError("Cannot delete file \"" + path + "\". " + std::strerror(err));
}

} // namespace torvel
