#include "runtime/list_tables.h"

#include "runtime/byte_stream.h"

namespace qinghe {

std::optional<std::vector<ListColumn>> decode_column_table(std::string_view bytes) {
    std::vector<ListColumn> columns;
    ByteReader r(bytes);
    while (r.remaining() > 0) {
        ListColumn c;
        c.image_on_right = r.u8() != 0;
        c.image = r.i32();
        c.alignment = r.i32();
        c.width = r.i32();
        c.caption = r.z_text();
        if (!r.ok()) return std::nullopt;
        columns.push_back(std::move(c));
    }
    return columns;
}

std::optional<std::vector<ListCell>> decode_item_table(std::string_view bytes) {
    std::vector<ListCell> cells;
    ByteReader r(bytes);
    while (r.remaining() > 0) {
        ListCell c;
        c.continues_row = r.u8() != 0;
        c.image = r.i32();
        c.state_image = r.i32();
        c.indent = r.i32();
        c.row_tag = r.u32();
        c.text = r.z_text();
        c.tip = r.z_text();
        if (!r.ok()) return std::nullopt;
        cells.push_back(std::move(c));
    }
    return cells;
}

std::string encode_column_table(const std::vector<ListColumn>& columns) {
    ByteWriter w;
    for (const auto& c : columns) {
        w.u8(c.image_on_right ? 1 : 0);
        w.i32(c.image);
        w.i32(c.alignment);
        w.i32(c.width);
        w.z_text(c.caption);
    }
    return w.take();
}

std::string encode_item_table(const std::vector<ListCell>& cells) {
    ByteWriter w;
    for (const auto& c : cells) {
        w.u8(c.continues_row ? 1 : 0);
        w.i32(c.image);
        w.i32(c.state_image);
        w.i32(c.indent);
        w.u32(c.row_tag);
        w.z_text(c.text);
        w.z_text(c.tip);
    }
    return w.take();
}

}  // namespace qinghe
