// The form engine's shared state, for the files that make up the runtime
// object (runtime_object.h is their interface): the window table, what
// each load left behind, where each live object sits, the loops and the
// idle list, and the small helpers every part of the engine uses.
#pragma once

#include <QPointer>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <map>
#include <unordered_map>
#include <utility>
#include <vector>

#include "runtime/form_resource.h"
#include "runtime/runtime_object.h"

class QEventLoop;

namespace qinghe::form_engine {

// What a load leaves behind for the window's run.
struct LoadState {
    bool modal = false;
    bool fresh = false;
    // Windows this modal window disabled, with whether each was enabled.
    std::vector<std::pair<QPointer<QWidget>, bool>> disabled;
};

struct IdleEntry {
    QPointer<QWidget> window;
    IdleRoutine routine;
    intptr_t parameter;
};

struct Placement {
    uint32_t window_id;
    uint32_t unit_id;
};

struct Engine {
    WindowTable table;
    std::map<uint32_t, LoadState> loads;
    std::unordered_map<const QWidget*, Placement> placements;
    uint32_t modal_window = 0;
    std::vector<QEventLoop*> modal_loops;
    QEventLoop* main_loop = nullptr;
    bool running = false;
    std::atomic<bool> exiting{false};
    std::vector<IdleEntry> idle;
    bool idle_connected = false;
};

Engine& engine();

inline QWidget* object_of(const FormUnit& unit) { return static_cast<QWidget*>(unit.object); }

// Reports a runtime error whose message is written here in UTF-8.
void report_utf8(const char* utf8, uint32_t first, uint32_t second);
// A unit type's flags, 0 when the type is unknown.
uint32_t type_flags(uint32_t unit_type);

// The modal form of the message loop for a window (message_loop.cpp).
void run_modal(uint32_t window_id);

}  // namespace qinghe::form_engine
