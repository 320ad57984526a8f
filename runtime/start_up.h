// Start-up of the runtime object (service 6) and the services the form
// engine offers to libraries, component types and the application.
//
// A program starts as: QApplication; register_component_types()
// (components/component_types.h); set_program_header(&header) and
// register_form_services(), then service 6 (or initialise(header) at once);
// load_start_window; run_message_loop; runtime_exit(0).
#pragma once

#include <cstdint>
#include <string>

#include "runtime/core_start.h"

class QWidget;

namespace qinghe {

struct ProgramHeader;

// The header that service 6 initialises from.
void set_program_header(const ProgramHeader* header);

// Main thread and hidden owner, the core's start-up (core_start.h), the
// window table read from the resource, the exit sequence and the error
// message box.
void initialise(const ProgramHeader& header);

// Lets the error report name windows and units by their tags.
void install_error_locations();

// Registers host services 1001-2031 and services 4-6 of the form engine.
void register_form_services();

// Shows runtime errors in a modal message box captioned "错误" while a
// QApplication exists (standard error otherwise).
void install_error_box();

// Host service 2005: what `load_window` passes.
struct WindowLoadRequest {
    uint32_t window_id = 0;
    QWidget* owner = nullptr;
    uint32_t modal = 0;
};

}  // namespace qinghe
