#include "platform/directory_listing.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <cstring>

namespace qinghe::platform {

struct DirectoryListing::State {
    DIR* directory = nullptr;
    std::string folder;
    std::string pattern;
};

DirectoryListing::DirectoryListing(const std::string& folder, const std::string& pattern)
    : state_(std::make_unique<State>()) {
    state_->folder = folder.empty() ? "./" : folder;
    state_->pattern = pattern;
    state_->directory = opendir(state_->folder.c_str());
}

DirectoryListing::~DirectoryListing() {
    if (state_->directory) closedir(state_->directory);
}

bool DirectoryListing::next(ListedEntry& entry) {
    while (state_->directory) {
        const dirent* found = readdir(state_->directory);
        if (!found) return false;
        const char* name = found->d_name;
        if (fnmatch(state_->pattern.c_str(), name, FNM_CASEFOLD) != 0) continue;
        // An entry that cannot be examined (removed meanwhile) has no attributes.
        struct stat st {};
        const bool examined = stat((state_->folder + name).c_str(), &st) == 0;
        entry.name = name;
        entry.directory = examined && S_ISDIR(st.st_mode);
        entry.read_only = examined && (st.st_mode & S_IWUSR) == 0;
        entry.hidden = examined && name[0] == '.' && std::strcmp(name, ".") != 0 &&
                       std::strcmp(name, "..") != 0;
        return true;
    }
    return false;
}

}  // namespace qinghe::platform
