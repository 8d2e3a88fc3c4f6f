// The program's entry: creates the run state, shows the main window and ends
// the process as soon as the operator closes it.
#include <QApplication>

#include "app/main_window.h"
#include "app/shutdown.h"
#include "app/wiring.h"
#include "harvest/run_state.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);  // the main window's closing ends the process itself

  static qrh::RunState run;  // never destroyed: threads may use it until the process ends
  qrh::app::MainWindow window(run);
  qrh::app::WireActions(window);
  QObject::connect(&window, &qrh::app::MainWindow::Closed, [] { qrh::app::EndProgram(run); });
  window.show();
  return app.exec();
}
