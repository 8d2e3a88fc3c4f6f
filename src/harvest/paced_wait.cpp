#include "harvest/paced_wait.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace qrh {
namespace {

struct PumpSlot {
  std::mutex mutex;
  EventPump pump = nullptr;
  std::thread::id guiThread;
};

// Never destroyed: detached workers may still signal while the process ends.
PumpSlot& Slot() {
  static PumpSlot* slot = new PumpSlot;
  return *slot;
}

struct WakeSignal {
  std::mutex mutex;
  std::condition_variable changed;
};

WakeSignal& Signal() {
  static WakeSignal* signal = new WakeSignal;
  return *signal;
}

EventPump PumpOfThisThread() {
  PumpSlot& slot = Slot();
  std::lock_guard lock(slot.mutex);
  return slot.guiThread == std::this_thread::get_id() ? slot.pump : nullptr;
}

double UnitLength(int unit) {
  switch (unit) {
    case 1: return 1000.0;
    case 2: return 60000.0;
    case 3: return 3600000.0;
    default: return 1.0;
  }
}

}  // namespace

void SetPacedWaitEventPump(EventPump pump) {
  PumpSlot& slot = Slot();
  std::lock_guard lock(slot.mutex);
  slot.pump = pump;
  slot.guiThread = std::this_thread::get_id();
}

bool PacedWait(int amount, int unit, const std::function<bool()>& until) {
  const double milliseconds = std::max(0.0, static_cast<double>(amount) * UnitLength(unit));
  using Clock = std::chrono::steady_clock;
  const auto due = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                      std::chrono::duration<double, std::milli>(milliseconds));
  if (EventPump pump = PumpOfThisThread()) {
    // Serve events in short slices so the condition is looked at often.
    for (;;) {
      if (until && until()) break;
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(due - Clock::now()).count();
      if (left <= 0) break;
      pump(static_cast<int>(std::min<long long>(left, 20)));
    }
    return true;
  }
  WakeSignal& signal = Signal();
  std::unique_lock lock(signal.mutex);
  if (until) {
    signal.changed.wait_until(lock, due, until);
  } else {
    while (Clock::now() < due) signal.changed.wait_until(lock, due);
  }
  return true;
}

void WakePacedWaits() {
  WakeSignal& signal = Signal();
  { std::lock_guard lock(signal.mutex); }
  signal.changed.notify_all();
}

}  // namespace qrh
