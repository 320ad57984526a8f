#include "support/system_calls.h"

#include <windows.h>

#include <cstdlib>
#include <filesystem>

namespace qinghe::testing_support {
namespace {

std::wstring wide(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end())).wstring();
}

// One argument as the program's C library splits its command line again.
std::wstring quoted(const std::wstring& argument) {
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

HANDLE output_file(const std::string& path) {
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    return CreateFileW(wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

bool legacy_charsets_read_as_iconv() { return false; }

void set_variable(const std::string& name, const std::string& value) {
    ::_putenv_s(name.c_str(), value.c_str());
    SetEnvironmentVariableW(wide(name).c_str(), wide(value).c_str());
}

void unset_variable(const std::string& name) {
    ::_putenv_s(name.c_str(), "");
    SetEnvironmentVariableW(wide(name).c_str(), nullptr);
}

std::string make_temporary_folder() {
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    for (unsigned n = 0; !error && n < 1000; ++n) {
        const std::filesystem::path folder =
            base / ("qinghe-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                    std::to_string(GetTickCount64()) + "-" + std::to_string(n));
        if (std::filesystem::create_directory(folder, error)) {
            const std::u8string utf8 = folder.generic_u8string();
            return std::string(utf8.begin(), utf8.end());
        }
    }
    return "";
}

int run_program(const std::string& program, const std::vector<std::string>& arguments,
                const std::vector<std::string>& variables, const std::string& folder,
                const std::string& out_file, const std::string& err_file) {
    std::wstring command = quoted(wide(program));
    for (const std::string& a : arguments) command += L" " + quoted(wide(a));
    // The environment block: the given variables first, then the process's own.
    std::wstring environment;
    for (const std::string& v : variables) environment += wide(v) + L'\0';
    wchar_t* own = GetEnvironmentStringsW();
    for (const wchar_t* v = own; *v; v += wcslen(v) + 1) environment += std::wstring(v) + L'\0';
    FreeEnvironmentStringsW(own);
    environment += L'\0';

    STARTUPINFOW start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    start.hStdOutput = output_file(out_file);
    start.hStdError = output_file(err_file);
    PROCESS_INFORMATION process{};
    const bool started =
        CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                       environment.data(), wide(folder).c_str(), &start, &process);
    CloseHandle(start.hStdOutput);
    CloseHandle(start.hStdError);
    if (!started) return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = DWORD(-1);
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return int(status);
}

FileSizeLimit::FileSizeLimit(uint64_t) {}
FileSizeLimit::~FileSizeLimit() = default;
bool FileSizeLimit::available() { return false; }

bool make_read_only(const std::string& path, bool read_only) {
    const std::wstring name = wide(path);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    return SetFileAttributesW(name.c_str(),
                              read_only ? attributes | FILE_ATTRIBUTE_READONLY
                                        : attributes & ~DWORD(FILE_ATTRIBUTE_READONLY)) != 0;
}

bool make_named_pipe(const std::string&) { return false; }

bool link_to_device(const std::string&) { return false; }

}  // namespace qinghe::testing_support
