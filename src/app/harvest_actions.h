// The collect and stop buttons (按钮_采集, 按钮_停止) on the Qt side.
#pragma once

#include "harvest/run_state.h"
#include "text/controls.h"

namespace qrh::app {

class MainWindow;

// Lets PacedWait on the calling (GUI) thread keep the Qt event loop running.
// Called once by ConnectHarvestButtons; calling it again does no harm.
void InstallPacedWaitEventPump();

// The clicked handlers. Collect restricts the process to its first processor,
// as the program always does, and starts a harvest; stop ends it at once.
void OnCollectClicked(Controls& controls, RunState& state);
void OnStopClicked(Controls& controls, RunState& state);

// Connects both buttons of the window to the handlers above (once per
// window: a second call changes nothing) and installs the event pump.
void ConnectHarvestButtons(MainWindow& window);

}  // namespace qrh::app
