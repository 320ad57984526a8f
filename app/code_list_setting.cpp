#include "app/code_list_setting.h"

#include "analysis/app_files.h"
#include "analysis/core_calls.h"
#include "commands/config_file_commands.h"
#include "components/edit_box.h"
#include "platform/text_encoding.h"
#include "program_resources.h"
#include "runtime/property_access.h"

namespace qinghe::app {
namespace {

constexpr uint32_t kMain = resources::window_id::main;
constexpr uint32_t kBox = resources::unit_id::edit_codes;
constexpr int32_t kContent = own_property(EditBoxProperty::kContent);
constexpr int32_t kSelectionStart = own_property(EditBoxProperty::kSelectionStart);
// The longest value a read gives back whole.
constexpr size_t kLongestValue = kConfigValueBuffer - 1;

const std::string& key() {
    static const std::string gbk = platform::gbk_from_utf8("基金列表");
    return gbk;
}

}  // namespace

std::string code_list_value(const std::string& content) {
    std::string value;
    size_t kept = 0;  // the length of the whole lines that fit
    for (size_t i = 0; i < content.size(); ++i) {
        const char c = content[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n') ++i;
            if (value.size() <= kLongestValue) kept = value.size();
            value += ',';
        } else {
            value += c;
        }
    }
    if (value.size() <= kLongestValue) return value;
    // Cut before the separator that ends the last line that fits.
    return value.substr(0, kept);
}

std::string code_list_content(const std::string& value) {
    std::string content;
    for (char c : value) {
        if (c == ',') content += "\r\n";
        else content += c;
    }
    return content;
}

void restore_code_list() {
    OwnedText path(program_file_path(resources::config_file_name()));
    OwnedText saved(read_config_item(path.get(), resources::config_section(), key().c_str()));
    if (!saved || !*saved) return;
    const std::string content = code_list_content(saved.get());
    set_property(kMain, kBox, kContent, kWholeValue, TaggedArg::of_text(content.c_str()));
    set_property(kMain, kBox, kSelectionStart, kWholeValue, TaggedArg::of_int(-1));
}

bool save_code_list() {
    TaggedArg content = get_property(kMain, kBox, kContent, kWholeValue);
    OwnedText text(static_cast<char*>(content.pointer()));
    const std::string value = code_list_value(text ? text.get() : "");
    OwnedText path(writable_program_file_path(resources::config_file_name()));
    return write_config_item(path.get(), resources::config_section(), key().c_str(), value.c_str());
}

}  // namespace qinghe::app
