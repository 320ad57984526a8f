// The entries of a folder whose names match a pattern, as the program's
// file search reports them: the name and three attributes.
#pragma once

#include <memory>
#include <string>

namespace qinghe::platform {

struct ListedEntry {
    std::string name;  // UTF-8
    bool directory = false;
    bool read_only = false;
    bool hidden = false;
};

class DirectoryListing {
public:
    // `folder` ends in '/' (or is empty for the current folder); `pattern`
    // names the entries with '*' and '?', case ignored. Both UTF-8.
    DirectoryListing(const std::string& folder, const std::string& pattern);
    ~DirectoryListing();
    DirectoryListing(const DirectoryListing&) = delete;
    DirectoryListing& operator=(const DirectoryListing&) = delete;

    // The next matching entry; false at the end or when the folder cannot be read.
    bool next(ListedEntry& entry);

    struct State;

private:
    std::unique_ptr<State> state_;
};

}  // namespace qinghe::platform
