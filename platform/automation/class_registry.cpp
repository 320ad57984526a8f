#include "platform/automation/class_registry.h"

#include "platform/ascii_case.h"
#include <algorithm>
#include <cstdio>
#include <mutex>
#include <vector>

#include "platform/automation/stream_object.h"
#include "platform/ole32_module.h"

namespace qinghe::platform {
namespace {

constexpr uint32_t kKnownContexts = ClassContext::kInprocServer | ClassContext::kInprocHandler |
                                    ClassContext::kLocalServer | ClassContext::kRemoteServer;

struct ClassEntry {
    ClassId id;
    std::string prog_id;
    uint32_t contexts;
    ClassFactory factory;
};

bool same_prog_id(std::string_view a, std::string_view b) {
    return ascii::equal_ignoring_case(a, b);
}

class Registry {
public:
    Registry() {
        entries_.push_back(
            {stream_class_id(), "Adodb.Stream", ClassContext::kInprocServer, create_stream_object});
    }

    void add(ClassEntry entry) {
        std::lock_guard lock(mutex_);
        remove_locked(entry.id);
        entries_.push_back(std::move(entry));
    }
    void remove(const ClassId& id) {
        std::lock_guard lock(mutex_);
        remove_locked(id);
    }
    bool find_by_prog_id(std::string_view prog_id, ClassId* out) {
        std::lock_guard lock(mutex_);
        for (const ClassEntry& e : entries_) {
            if (same_prog_id(e.prog_id, prog_id)) {
                *out = e.id;
                return true;
            }
        }
        return false;
    }
    bool find(const ClassId& id, ClassEntry* out) {
        std::lock_guard lock(mutex_);
        for (const ClassEntry& e : entries_) {
            if (e.id == id) {
                *out = e;
                return true;
            }
        }
        return false;
    }

private:
    void remove_locked(const ClassId& id) {
        std::erase_if(entries_, [&](const ClassEntry& e) { return e.id == id; });
    }

    std::mutex mutex_;
    std::vector<ClassEntry> entries_;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads `digits` hex digits at text[at]; false on any other character.
bool read_hex(std::string_view text, size_t at, int digits, uint64_t* out) {
    uint64_t value = 0;
    for (int i = 0; i < digits; ++i) {
        int d = hex_digit(text[at + size_t(i)]);
        if (d < 0) return false;
        value = value * 16 + uint64_t(d);
    }
    *out = value;
    return true;
}

}  // namespace

HRESULT class_id_from_string(std::string_view text, ClassId* out) {
    // {8-4-4-4-12}
    if (text.size() != 38 || text.front() != '{' || text.back() != '}' || text[9] != '-' ||
        text[14] != '-' || text[19] != '-' || text[24] != '-')
        return CO_E_CLASSSTRING;
    ClassId id;
    uint64_t v;
    if (!read_hex(text, 1, 8, &v)) return CO_E_CLASSSTRING;
    id.data1 = uint32_t(v);
    if (!read_hex(text, 10, 4, &v)) return CO_E_CLASSSTRING;
    id.data2 = uint16_t(v);
    if (!read_hex(text, 15, 4, &v)) return CO_E_CLASSSTRING;
    id.data3 = uint16_t(v);
    const size_t byte_at[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int i = 0; i < 8; ++i) {
        if (!read_hex(text, byte_at[i], 2, &v)) return CO_E_CLASSSTRING;
        id.data4[size_t(i)] = uint8_t(v);
    }
    *out = id;
    return S_OK;
}

std::string class_id_to_string(const ClassId& id) {
    char buffer[40];
    const auto& b = id.data4;
    std::snprintf(buffer, sizeof buffer, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  id.data1, id.data2, id.data3, b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7]);
    return buffer;
}

HRESULT class_id_from_prog_id(std::string_view prog_id, ClassId* out) {
    return registry().find_by_prog_id(prog_id, out) ? S_OK : CO_E_CLASSSTRING;
}

void register_class(const ClassId& id, std::string_view prog_id, uint32_t contexts,
                    ClassFactory factory) {
    registry().add({id, std::string(prog_id), contexts, factory});
}

void unregister_class(const ClassId& id) { registry().remove(id); }

HRESULT create_instance(const ClassId& id, uint32_t context, Object** out) {
    *out = nullptr;
    if (!thread_initialized()) return CO_E_NOTINITIALIZED;
    if ((context & ~kKnownContexts) || (context & ClassContext::kRemoteServer)) return E_INVALIDARG;
    ClassEntry entry;
    if (!registry().find(id, &entry) || !(entry.contexts & context)) return REGDB_E_CLASSNOTREG;
    *out = entry.factory();
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT run_object(Object* object) { return object ? object->run() : E_INVALIDARG; }

bool thread_initialized() { return com_initialisation_count() > 0; }

}  // namespace qinghe::platform
