// The one way the program ends: runtime_exit runs the exit sequence and
// then ends the process with the exit code.
//
// The exit sequence is replaceable: the runtime object installs its full
// sequence (windows, exit list, libraries, modules, ...). Until then the
// basic sequence runs: event suspension raised, the exit list called, the
// libraries told to shut down, declared DLL modules released, the
// constant area cleared.
#pragma once

#include <cstdint>

namespace qinghe {

using ExitSequence = void (*)(int32_t code);
// Ends the process; tests install one that throws or jumps out instead.
using ProcessTerminator = void (*)(int32_t code);

// Null restores the basic sequence; returns the previous one (null = basic).
ExitSequence set_exit_sequence(ExitSequence sequence);
// Null restores the default (flush standard streams, end the process).
ProcessTerminator set_process_terminator(ProcessTerminator terminator);

// The basic sequence, for an installed sequence that wants to reuse it.
void run_basic_exit_sequence(int32_t code);

[[noreturn]] void runtime_exit(int32_t code);
// Ends the process without any exit sequence.
[[noreturn]] void end_process(int32_t code);

}  // namespace qinghe
