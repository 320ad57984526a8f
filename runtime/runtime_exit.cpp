#include "runtime/runtime_exit.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "runtime/dll_commands.h"
#include "runtime/event_suspension.h"
#include "runtime/exit_list.h"
#include "runtime/frame.h"
#include "runtime/memory.h"

namespace qinghe {
namespace {

std::atomic<ExitSequence> g_sequence{nullptr};
std::atomic<ProcessTerminator> g_terminator{nullptr};

}  // namespace

ExitSequence set_exit_sequence(ExitSequence sequence) { return g_sequence.exchange(sequence); }

ProcessTerminator set_process_terminator(ProcessTerminator terminator) {
    return g_terminator.exchange(terminator);
}

void run_basic_exit_sequence(int32_t) {
    raise_event_suspension();
    run_exit_list();
    notify_libraries_exit();
    release_dll_commands();
    clear_constant_area();
}

void runtime_exit(int32_t code) {
    if (ExitSequence sequence = g_sequence.load()) sequence(code);
    else run_basic_exit_sequence(code);
    end_process(code);
}

void end_process(int32_t code) {
    if (ProcessTerminator terminator = g_terminator.load()) terminator(code);
    std::fflush(nullptr);
    std::_Exit(code);
}

}  // namespace qinghe
