// The end of the program.
#pragma once

#include "harvest/run_state.h"

namespace qrh::app {

// The exit routine and the end of the process, called once the main window
// has closed: releases the run state's texts and ends the process at once
// with exit status 0. Threads still fetching or calling the (closed) controls
// end with the process; nothing waits for them.
[[noreturn]] void EndProgram(RunState& run);

}  // namespace qrh::app
