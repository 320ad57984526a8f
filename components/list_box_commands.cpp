#include "components/list_box_commands.h"

#include <algorithm>
#include <string>

#include "components/list_box.h"
#include "runtime/host_services.h"
#include "runtime/main_thread.h"
#include "runtime/runtime_object.h"

namespace qinghe {
namespace {

bool given(int32_t count, const TaggedArg* args, int32_t index) {
    return index < count && !args[index].omitted();
}

int32_t integer_or(int32_t count, const TaggedArg* args, int32_t index, int32_t fallback) {
    return given(count, args, index) ? numeric_to_integer(args[index]) : fallback;
}

std::string text_or_empty(int32_t count, const TaggedArg* args, int32_t index) {
    if (!given(count, args, index) || args[index].type != TypeTag::kText || !args[index].text())
        return {};
    return args[index].text();
}

// Runs `work` on the list box named by argument 0, on the main thread. A
// unit that is not loaded is the runtime error of the unit lookup.
template <class Work>
void with_list_box(int32_t count, const TaggedArg* args, Work&& work) {
    if (count < 1) return;
    const uint32_t window_id = args[0].window_id();
    const uint32_t unit_id = args[0].unit_id();
    run_on_main_thread([&] {
        if (auto* box = dynamic_cast<ListBox*>(require_object(window_id, unit_id))) work(*box);
    });
}

}  // namespace

void delete_all_rows(TaggedArg*, int32_t count, TaggedArg* args) {
    with_list_box(count, args, [](ListBox& box) { box.delete_all_rows(); });
}

void insert_row(TaggedArg* result, int32_t count, TaggedArg* args) {
    const int32_t position = integer_or(count, args, 1, -1);
    const std::string text = text_or_empty(count, args, 2);
    const int32_t image = std::max(-1, integer_or(count, args, 3, -1));
    const int32_t state_image = std::max(-1, integer_or(count, args, 4, -1));
    const int32_t indent = std::max(0, integer_or(count, args, 5, 0));
    const uint32_t row_tag = uint32_t(integer_or(count, args, 6, 0));
    int32_t row = -1;
    with_list_box(count, args, [&](ListBox& box) {
        row = box.insert_row(position, text, image, state_image, indent, row_tag);
    });
    *result = TaggedArg::of_int(row);
}

void set_cell_text(TaggedArg*, int32_t count, TaggedArg* args) {
    if (!given(count, args, 1)) return;
    const int32_t row = numeric_to_integer(args[1]);
    const int32_t column = integer_or(count, args, 2, 0);
    const std::string text = text_or_empty(count, args, 3);
    with_list_box(count, args, [&](ListBox& box) { box.set_cell_text(row, column, text); });
}

}  // namespace qinghe
