#include "app/wiring.h"

#include <QPushButton>

#include "app/export_actions.h"
#include "app/harvest_actions.h"
#include "app/main_window.h"

namespace qrh::app {

void WireActions(MainWindow& window) {
  // Collect and stop: the harvest's handlers.
  ConnectHarvestButtons(window);
  // Export: the workbook or the download window.
  MainWindow* w = &window;
  QObject::connect(window.Button("按钮_导出"), &QPushButton::clicked, w,
                   [w] { OnExportClicked(w, w->controls(), w->runState()); });
}

}  // namespace qrh::app
