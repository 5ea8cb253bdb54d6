#pragma once
// The parsed directory listing of the FTP client: items numbered from 0, each with a file name
// and a modification date-time as the server lists it (local time of the server, no time-zone
// correction).
#include <cstdint>
#include <string>
#include <vector>

#include "platform/base/datetime.h"

namespace vorlane::ftp {

struct ListingItem {
    std::string fileName;
    DateTime modified = 0;
    bool isFolder = false;
    int64_t size = -1;
};

class Listing {
public:
    Listing() = default;
    explicit Listing(std::vector<ListingItem> items) : items_(std::move(items)) {}
    int Count() const { return static_cast<int>(items_.size()); }
    const ListingItem& Item(int index) const { return items_.at(static_cast<size_t>(index)); }
    void Clear() { items_.clear(); }
    void Add(ListingItem item) { items_.push_back(std::move(item)); }

private:
    std::vector<ListingItem> items_;
};

}  // namespace vorlane::ftp
