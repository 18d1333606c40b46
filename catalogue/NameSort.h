// The linguistic order of a catalogue's lines by their names: each distinct name is numbered and
// collated once, and the lines follow their names' ranks, lines of equal names in file order.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace torvel {

class NameCollation;

class NameSort {
public:
    explicit NameSort(const NameCollation& collation);
    ~NameSort();
    NameSort(const NameSort&) = delete;
    NameSort& operator=(const NameSort&) = delete;

    // The next line (lines are numbered 0, 1, ... as they are added) has this name; the text
    // must stay until Order() was called.
    void AddLine(std::string_view name);
    // The lines in ascending linguistic order of their names.
    std::vector<uint32_t> Order() const;

private:
    class Names;
    std::unique_ptr<Names> names_;
    std::vector<uint32_t> lineName_; // the number of each line's name
};

} // namespace torvel
