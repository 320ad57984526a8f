#include "platform/system_modules.h"

#include "platform/ascii_case.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <mutex>

#include "platform/kernel32_module.h"
#include "platform/ole32_module.h"
#include "platform/shared_library.h"

namespace qinghe::platform {

class Module {
public:
    explicit Module(const std::vector<SystemExport>* exports) : exports_(exports) {}
    explicit Module(void* handle) : handle_(handle) {}
    ~Module() {
        if (handle_) unload_library(handle_);
    }
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    const std::vector<SystemExport>* exports() const { return exports_; }
    void* handle() const { return handle_; }

private:
    const std::vector<SystemExport>* exports_ = nullptr;
    void* handle_ = nullptr;
};

namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), ascii::fold);
    return out;
}

struct Registry {
    std::mutex mutex;
    // unique_ptr keeps each export list at a stable address while modules use it.
    std::map<std::string, std::unique_ptr<std::vector<SystemExport>>> modules;
};

Registry& registry() {
    static Registry* r = [] {
        auto* fresh = new Registry;
        fresh->modules["kernel32.dll"] =
            std::make_unique<std::vector<SystemExport>>(kernel32_exports());
        fresh->modules["ole32.dll"] = std::make_unique<std::vector<SystemExport>>(ole32_exports());
        return fresh;
    }();
    return *r;
}

const std::vector<SystemExport>* system_exports(std::string_view file) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    auto it = r.modules.find(lower(file));
    return it == r.modules.end() ? nullptr : it->second.get();
}

Procedure procedure_of(const SystemExport& e) { return {e.entry, nullptr, e.argument_words}; }

}  // namespace

bool Procedure::accepts(int32_t count) const {
    if (entry) return count == argument_words;
    return foreign && count >= 0 && count <= kForeignWordLimit;
}

void register_system_module(std::string name, std::vector<SystemExport> exports) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    auto& slot = r.modules[lower(name)];
    if (slot) *slot = std::move(exports);
    else slot = std::make_unique<std::vector<SystemExport>>(std::move(exports));
}

bool is_system_module(std::string_view file) { return system_exports(file) != nullptr; }

Module* load_module(std::string_view file) {
    if (auto exports = system_exports(file)) return new Module(exports);
    if (file.empty()) return nullptr;
    void* handle = load_library(std::string(file));
    return handle ? new Module(handle) : nullptr;
}

void release_module(Module* module) { delete module; }

Procedure find_procedure(const Module* module, std::string_view name) {
    if (!module || name.empty()) return {};
    if (auto exports = module->exports()) {
        for (const SystemExport& e : *exports)
            if (name == e.name) return procedure_of(e);
        return {};
    }
    void* address = library_symbol(module->handle(), std::string(name));
    return address ? Procedure{nullptr, address, -1} : Procedure{};
}

Procedure find_procedure(const Module* module, uint16_t ordinal) {
    if (!module || !module->exports() || ordinal == 0) return {};
    for (const SystemExport& e : *module->exports())
        if (e.ordinal == ordinal) return procedure_of(e);
    return {};
}

intptr_t call_procedure(const Procedure& procedure, const intptr_t* words, int32_t count) {
    if (procedure.entry) return procedure.entry(words);
    // Integer and pointer arguments travel in registers or caller-cleaned
    // stack slots, so words beyond what the callee reads are harmless.
    intptr_t w[kForeignWordLimit] = {};
    std::copy(words, words + std::min(count, kForeignWordLimit), w);
    using Foreign = intptr_t (*)(intptr_t, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t,
                                 intptr_t, intptr_t);
    auto f = reinterpret_cast<Foreign>(procedure.foreign);
    return f(w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7]);
}

}  // namespace qinghe::platform
