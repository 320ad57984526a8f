// The class registry: classes known by a programmatic identifier
// (compared case-insensitively) and by a class identifier written in
// braces; object creation by class identifier and creation context.
// Creation needs a thread that has entered the object library through the
// "ole32.dll" module's CoInitialize.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/automation/object_model.h"

namespace qinghe::platform {

struct ClassId {
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    std::array<uint8_t, 8> data4{};
    bool operator==(const ClassId&) const = default;
};

// Where an object may run. This model has no remote activation: asking for
// it is an invalid argument, and callers retry without it.
namespace ClassContext {
inline constexpr uint32_t kInprocServer = 0x1;
inline constexpr uint32_t kInprocHandler = 0x2;
inline constexpr uint32_t kLocalServer = 0x4;
inline constexpr uint32_t kRemoteServer = 0x10;
}  // namespace ClassContext

using ClassFactory = Object* (*)();

// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" (hex digits in either case).
HRESULT class_id_from_string(std::string_view text, ClassId* out);
std::string class_id_to_string(const ClassId& id);
// CO_E_CLASSSTRING when no class has that programmatic identifier.
HRESULT class_id_from_prog_id(std::string_view prog_id, ClassId* out);

// Adds a class (or replaces one with the same class identifier).
void register_class(const ClassId& id, std::string_view prog_id, uint32_t contexts,
                    ClassFactory factory);
void unregister_class(const ClassId& id);

// Creates an object of the class; CO_E_NOTINITIALIZED on a thread that
// has not entered the object library.
HRESULT create_instance(const ClassId& id, uint32_t context, Object** out);
// Puts a created object into its running state.
HRESULT run_object(Object* object);

// Whether the calling thread has entered the object library.
bool thread_initialized();

}  // namespace qinghe::platform
