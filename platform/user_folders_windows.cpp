#include "platform/user_folders.h"

#include <windows.h>

#include "platform/file_names.h"

namespace qinghe::platform {
namespace {

std::optional<std::string> wide_variable(const std::wstring& name) {
    const DWORD size = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    if (size == 0) return std::nullopt;
    std::wstring value(size, L'\0');
    value.resize(GetEnvironmentVariableW(name.c_str(), value.data(), size));
    return utf8_path(std::filesystem::path(value));
}

std::string variable(const wchar_t* name) { return wide_variable(name).value_or(""); }

}  // namespace

std::optional<std::string> environment_variable(const char* name) {
    return wide_variable(native_path(name).wstring());
}

UserFolderRule settings_folder_rule() { return {"APPDATA", "AppData/Roaming"}; }

UserFolderRule data_folder_rule() { return {"LOCALAPPDATA", "AppData/Local"}; }

const char* home_folder() {
    static const std::string home = variable(L"USERPROFILE");
    return home.empty() ? nullptr : home.c_str();
}

std::vector<std::string> installed_program_folders() {
    std::vector<std::string> folders;
    for (const wchar_t* name : {L"ProgramFiles", L"ProgramFiles(x86)", L"ProgramW6432"}) {
        const std::string folder = variable(name);
        if (!folder.empty()) folders.push_back(folder);
    }
    const std::string local = variable(L"LOCALAPPDATA");
    if (!local.empty()) folders.push_back(local + "\\Programs");
    return folders;
}

char folder_list_separator() { return ';'; }

}  // namespace qinghe::platform
