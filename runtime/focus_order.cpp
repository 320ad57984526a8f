// Focus movement between a window's components by their focus order.
#include <QWidget>
#include <algorithm>
#include <vector>

#include "runtime/component_interface.h"
#include "runtime/frame.h"
#include "runtime/form_engine_state.h"
#include "runtime/runtime_object.h"

namespace qinghe {

using namespace form_engine;

namespace {

struct FocusCandidate {
    int32_t order;
    size_t index;
    QWidget* object;
};

// Types with flag 0x2000 (or 0x4000, counting from 0) choose by focus-order
// value: forward the first candidate at or above it, backward the last one
// below it, wrapping when there is none. The current component never
// chooses itself.
QWidget* next_focus_by_value(std::vector<FocusCandidate> candidates, const FormUnit& current,
                             bool forward) {
    const int32_t value =
        (type_flags(current.type) & TypeFlag::kFocusByValueFromZero) ? 0 : current.focus_order;
    QWidget* own = object_of(current);
    std::erase_if(candidates, [&](const FocusCandidate& c) { return c.object == own; });
    if (candidates.empty()) return nullptr;
    if (forward) {
        for (const FocusCandidate& c : candidates)
            if (c.order >= value) return c.object;
        return candidates.front().object;
    }
    for (auto c = candidates.rbegin(); c != candidates.rend(); ++c)
        if (c->order < value) return c->object;
    return candidates.back().object;
}

}  // namespace

QWidget* next_focus(uint32_t window_id, QWidget* current, bool forward) {
    FormWindow* window = engine().table.find(window_id);
    if (!window) return nullptr;
    std::vector<FocusCandidate> candidates;
    const FormUnit* current_unit = nullptr;
    for (size_t i = 1; i < window->units.size(); ++i) {
        const FormUnit& u = window->units[i];
        QWidget* w = object_of(u);
        if (w && current && (w == current || (!current_unit && w->isAncestorOf(current))))
            current_unit = &u;
        if (!w || !w->isVisible() || !w->isEnabled() || !u.tab_stop()) continue;
        if (type_flags(u.type) & (TypeFlag::kNoWindow | TypeFlag::kNoFocus)) continue;
        candidates.push_back({u.focus_order, i, w});
    }
    std::sort(candidates.begin(), candidates.end(),
              [](const FocusCandidate& a, const FocusCandidate& b) {
                  return a.order != b.order ? a.order < b.order : a.index > b.index;
              });
    const uint32_t by_value = TypeFlag::kFocusByValue | TypeFlag::kFocusByValueFromZero;
    if (current_unit && (type_flags(current_unit->type) & by_value))
        return next_focus_by_value(std::move(candidates), *current_unit, forward);
    if (candidates.empty()) return nullptr;
    auto at = std::find_if(candidates.begin(), candidates.end(), [&](const FocusCandidate& c) {
        return current && (c.object == current || c.object->isAncestorOf(current));
    });
    if (at == candidates.end())
        return forward ? candidates.front().object : candidates.back().object;
    size_t pos = size_t(at - candidates.begin());
    size_t n = candidates.size();
    return candidates[forward ? (pos + 1) % n : (pos + n - 1) % n].object;
}

}  // namespace qinghe
