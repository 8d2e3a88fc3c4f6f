#include "app/shutdown.h"

#include <cstdio>
#include <cstdlib>

namespace qrh::app {

void EndProgram(RunState& run) {
  ReleaseRunState(run);
  std::fflush(nullptr);
  // No static destructors and no atexit handlers: they would tear down Qt and
  // the libraries under threads that are still running.
  std::_Exit(0);
}

}  // namespace qrh::app
