// Connects the buttons whose handlers live outside the shell: collect and
// stop (harvest) and export.
#pragma once

namespace qrh::app {

class MainWindow;

void WireActions(MainWindow& window);

}  // namespace qrh::app
