// PacedWait: a wait of a given length that keeps the calling thread's
// messages serviced.
//
// On the GUI thread (the thread that installed an event pump) the wait keeps
// the window's event loop running. On any other thread it is a plain bounded
// wait, which a caller may end early with a condition that is re-tested
// whenever WakePacedWaits is called (a detail worker ending, the stop button).
#pragma once

#include <functional>

namespace qrh {

// Serves the calling thread's events for at most `milliseconds`.
using EventPump = void (*)(int milliseconds);

// Installs the event pump of the GUI thread; the calling thread is taken as
// the GUI thread. nullptr removes it.
void SetPacedWaitEventPump(EventPump pump);

// Waits amount units: unit 0 milliseconds (the default), 1 seconds,
// 2 minutes, 3 hours (anything else counts as milliseconds). The wait ends
// early once `until` holds; `until` must only read values that are safe to
// read from any thread, since it is tested with an internal lock held.
// Always returns true.
bool PacedWait(int amount, int unit = 0, const std::function<bool()>& until = {});

// Makes every PacedWait in progress on a non-GUI thread test its condition again.
void WakePacedWaits();

}  // namespace qrh
