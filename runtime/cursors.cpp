#include "runtime/cursors.h"

#include <QCursor>
#include <QWidget>
#include <cstring>

namespace qinghe {
namespace {

struct CursorRow {
    uint32_t public_code;
    uint32_t stored;
    Qt::CursorShape shape;
};

constexpr CursorRow kCursors[] = {
    {1, 32512, Qt::ArrowCursor},   {2, 32515, Qt::CrossCursor},
    {3, 32513, Qt::IBeamCursor},   {4, 32649, Qt::PointingHandCursor},
    {5, 32646, Qt::SizeAllCursor}, {6, 32643, Qt::SizeBDiagCursor},
    {7, 32645, Qt::SizeVerCursor}, {8, 32642, Qt::SizeFDiagCursor},
    {9, 32644, Qt::SizeHorCursor}, {10, 32516, Qt::UpArrowCursor},
    {11, 32514, Qt::WaitCursor},   {12, 32648, Qt::ForbiddenCursor},
    {13, 32650, Qt::BusyCursor},   {14, 32651, Qt::WhatsThisCursor},
};

uint32_t first_word(const std::string& data) {
    uint32_t v = 0;
    std::memcpy(&v, data.data(), 4);
    return v;
}

}  // namespace

uint32_t public_cursor_code(uint32_t stored) {
    for (const auto& row : kCursors)
        if (row.stored == stored) return row.public_code;
    return stored;
}

uint32_t stored_cursor_code(uint32_t public_code) {
    for (const auto& row : kCursors)
        if (row.public_code == public_code) return row.stored;
    return public_code;
}

std::string translate_cursor_data(std::string data, bool to_public) {
    if (data.size() < 4) return data;
    uint32_t v = first_word(data);
    v = to_public ? public_cursor_code(v) : stored_cursor_code(v);
    std::memcpy(data.data(), &v, 4);
    return data;
}

void apply_cursor(QWidget* widget, const std::string& stored_data) {
    uint32_t code = stored_data.size() >= 4 ? first_word(stored_data) : 0;
    for (const auto& row : kCursors) {
        if (row.stored == code) {
            widget->setCursor(row.shape);
            return;
        }
    }
    widget->unsetCursor();
}

}  // namespace qinghe
