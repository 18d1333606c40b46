// The backup files of the order being composed: "GProd_<position>.Txt", named after the position
// of the chosen store in the store combo, holding the editor's rows in the row-file format.
#pragma once

#include <optional>
#include <string>

namespace torvel {

// Only the backups of the first two positions are offered for recovery and cleared by a send.
inline constexpr int kRecoverableBackups = 2;

// "GProd_0.Txt" for position 0, "GProd_1.Txt" for position 1, and so on.
std::string BackupFileName(int position);

// The backup that a new order offers: position 1's file when it exists, else position 0's; a
// position that the store combo does not have (storeCount entries) is not offered.
std::optional<int> BackupToRestore(int storeCount);

// Once the current store's file is written whole: the files of the first two positions other
// than `position` are deleted, so there is never a moment without a copy of the order.
void DeleteOtherBackups(int position);

// After an order was sent: position 1's file if present, else position 0's.
void DeleteSentBackup();

// A missing file is no failure; one that cannot be deleted throws FileError.
void RemoveFileIfPresent(const std::string& path);

} // namespace torvel
