#include "app/export_actions.h"

#include "app/download_window.h"
#include "app/result_table.h"
#include "export/export_workbook.h"

namespace qrh::app {

void OnExportClicked(QWidget* mainWindow, Controls& controls, RunState& run) {
  ExportButtonClicked(controls, ResultColumns(), [&] {
    DownloadWindow window(mainWindow, controls, run);
    window.exec();
  });
}

}  // namespace qrh::app
