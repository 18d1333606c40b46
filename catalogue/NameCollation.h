// The linguistic order of product names: ICU's pt_BR collation at tertiary strength (accents
// and case count, lower case before upper case), for Windows-1252 text.
#pragma once

#include "util/Cp1252.h"

#include <string>
#include <string_view>

struct UCollator;

namespace torvel {

// The UTF-16 code unit of a Windows-1252 byte (the five unassigned bytes map to C1 controls).

class NameCollation {
public:
    // The shared instance, built on first use.
    static const NameCollation& Instance();

    // `allowTables` false forces ICU's own sort keys (the tables are then never built).
    explicit NameCollation(bool allowTables = true);
    ~NameCollation();
    NameCollation(const NameCollation&) = delete;
    NameCollation& operator=(const NameCollation&) = delete;

    // ICU's comparison of the two texts: negative, zero or positive.
    int Compare(std::string_view a, std::string_view b) const;

    // Sort keys: bytewise comparison of keys (memcmp over the shorter length, then the shorter
    // first) orders texts as Compare does. A key never contains a NUL byte, so keys may also be
    // stored NUL-terminated. The primary key is a coarser, shorter key: texts with different
    // primary keys are in the order of those keys, and texts with equal primary keys are
    // ordered by their full keys.
    void AppendKey(std::string_view text, std::string& out) const;
    void AppendPrimaryKey(std::string_view text, std::string& out) const;

    // True when keys come from per-character tables rather than from ICU for every text.
    bool UsesTables() const { return tables_ != nullptr; }

    struct Tables; // the per-character tables, private to the implementation

private:
    void AppendIcuKey(std::string_view text, std::string& out) const;

    UCollator* collator_ = nullptr;
    Tables* tables_ = nullptr;
};

} // namespace torvel
