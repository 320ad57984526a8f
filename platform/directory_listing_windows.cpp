// The Windows side: the system's own search (FindFirstFileW), which matches
// the pattern itself, case ignored.
#include "platform/directory_listing.h"

#include <windows.h>

#include "platform/file_names.h"

namespace qinghe::platform {

struct DirectoryListing::State {
    HANDLE search = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW found{};
    bool pending = false;  // `found` holds an entry not yet returned
};

DirectoryListing::DirectoryListing(const std::string& folder, const std::string& pattern)
    : state_(std::make_unique<State>()) {
    const std::wstring query = native_path(folder + pattern).wstring();
    state_->search = FindFirstFileW(query.c_str(), &state_->found);
    state_->pending = state_->search != INVALID_HANDLE_VALUE;
}

DirectoryListing::~DirectoryListing() {
    if (state_->search != INVALID_HANDLE_VALUE) FindClose(state_->search);
}

bool DirectoryListing::next(ListedEntry& entry) {
    if (!state_->pending &&
        (state_->search == INVALID_HANDLE_VALUE || !FindNextFileW(state_->search, &state_->found)))
        return false;
    state_->pending = false;
    const DWORD attributes = state_->found.dwFileAttributes;
    entry.name = utf8_path(std::filesystem::path(state_->found.cFileName));
    entry.directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.read_only = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    entry.hidden = (attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
    return true;
}

}  // namespace qinghe::platform
