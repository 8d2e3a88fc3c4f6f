// The export button "按钮_导出" of the main window.
#pragma once

#include "harvest/run_state.h"
#include "text/controls.h"

class QWidget;

namespace qrh::app {

// With "全部" chosen writes the result table to <save folder>/data.xls and
// reports the outcome in the information box; with an image choice opens the
// DownloadWindow over mainWindow and returns once it has closed. Runs on the
// GUI thread.
void OnExportClicked(QWidget* mainWindow, Controls& controls, RunState& run);

}  // namespace qrh::app
