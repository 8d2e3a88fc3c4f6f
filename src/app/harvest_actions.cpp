#include "app/harvest_actions.h"

#include <QEventLoop>
#include <QPushButton>
#include <QTimer>

#include "app/main_window.h"
#include "harvest/harvest_buttons.h"
#include "harvest/paced_wait.h"

namespace qrh::app {
namespace {

void ServeEventsFor(int milliseconds) {
  QEventLoop loop;
  QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
  loop.exec();
}

const char* const kWiredProperty = "qrhHarvestButtonsWired";

}  // namespace

void InstallPacedWaitEventPump() { SetPacedWaitEventPump(&ServeEventsFor); }

void OnCollectClicked(Controls& controls, RunState& state) {
  CollectButtonClicked(controls, state, /*restrictToFirstProcessor=*/true);
}

void OnStopClicked(Controls& controls, RunState& state) { StopButtonClicked(controls, state); }

void ConnectHarvestButtons(MainWindow& window) {
  if (window.property(kWiredProperty).toBool()) return;
  window.setProperty(kWiredProperty, true);
  InstallPacedWaitEventPump();
  MainWindow* w = &window;
  if (QPushButton* collect = window.Button("按钮_采集")) {
    QObject::connect(collect, &QPushButton::clicked, w,
                     [w] { OnCollectClicked(w->controls(), w->runState()); });
  }
  if (QPushButton* stop = window.Button("按钮_停止")) {
    QObject::connect(stop, &QPushButton::clicked, w,
                     [w] { OnStopClicked(w->controls(), w->runState()); });
  }
}

}  // namespace qrh::app
