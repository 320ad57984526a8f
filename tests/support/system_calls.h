// What the tests ask of the system where POSIX systems and Windows differ:
// the environment, temporary folders, starting a program, a file-size limit.
// The sides are system_calls_posix.cpp and system_calls_windows.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qinghe::testing_support {

void set_variable(const std::string& name, const std::string& value);

// Whether the system's charset conversion (the one the automation's stream
// object uses) is glibc iconv, which reads broken bytes of Big5, GB18030 and
// big-endian UTF-16 as the page conversion does; Windows' code pages read
// them otherwise.
bool legacy_charsets_read_as_iconv();
void unset_variable(const std::string& name);

// A new empty folder under the system's temporary folder; empty on failure.
std::string make_temporary_folder();

// Runs `program` with `arguments` in `folder`, the `variables` ("NAME=value")
// added to the environment, standard output and error into the two files.
// Its exit status, or -1 when it did not start or did not end normally.
int run_program(const std::string& program, const std::vector<std::string>& arguments,
                const std::vector<std::string>& variables, const std::string& folder,
                const std::string& out_file, const std::string& err_file);

// A limit on the size of the files the process (and the programs it starts)
// writes, in force while the object lives; a write beyond it fails.
class FileSizeLimit {
public:
    explicit FileSizeLimit(uint64_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    // False where the system has no such limit (Windows): skip the test.
    static bool available();

private:
    uint64_t previous_ = 0;
};

// Makes a file or folder read-only (its owner's write bit cleared; the
// read-only attribute on Windows) or writable again. False where the system
// cannot: a Windows folder's attribute does not stop writes into it.
bool make_read_only(const std::string& path, bool read_only);

// Makes `path` a named pipe, or a link to a device; false where the system
// has no such thing at a path (Windows): skip that case.
bool make_named_pipe(const std::string& path);
bool link_to_device(const std::string& path);

}  // namespace qinghe::testing_support
