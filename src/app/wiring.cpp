#include "app/wiring.h"

#include <QPushButton>

#include "app/main_window.h"

namespace qrh::app {

void WireActions(MainWindow& window) {
  // The collect and stop buttons ("按钮_采集", "按钮_停止") and the export
  // button ("按钮_导出") are connected here once their handlers exist.
  (void)window;
}

}  // namespace qrh::app
