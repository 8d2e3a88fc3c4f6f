#include "harvest/processor_affinity.h"

#include <dirent.h>
#include <sched.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace qrh {

bool RestrictToFirstProcessor() {
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  if (sched_getaffinity(0, sizeof allowed, &allowed) != 0) return false;
  int first = -1;
  for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
    if (CPU_ISSET(cpu, &allowed)) {
      first = cpu;
      break;
    }
  }
  if (first < 0) return false;
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(first, &one);

  // On Linux the mask belongs to each thread: set it on every thread of the
  // process. A thread started meanwhile inherits the mask of its creator,
  // which is set on a second pass if it was missed.
  bool allSet = true;
  for (int pass = 0; pass < 2; ++pass) {
    DIR* tasks = opendir("/proc/self/task");
    if (tasks == nullptr) return sched_setaffinity(0, sizeof one, &one) == 0;
    allSet = true;
    while (dirent* entry = readdir(tasks)) {
      if (entry->d_name[0] == '.') continue;
      const pid_t tid = static_cast<pid_t>(std::strtol(entry->d_name, nullptr, 10));
      // A thread that has ended since the listing is no failure.
      if (sched_setaffinity(tid, sizeof one, &one) != 0 && errno != ESRCH) allSet = false;
    }
    closedir(tasks);
  }
  return allSet;
}

}  // namespace qrh
