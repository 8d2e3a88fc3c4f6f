#include "web/fetch_cancel.h"

#include <algorithm>

namespace qrh {
namespace {
thread_local FetchCancel* currentCancel = nullptr;
}  // namespace

void FetchCancel::Cancel() {
  std::lock_guard lock(mutex_);
  cancelled_.store(true, std::memory_order_release);
  for (Waiter* waiter : waiters_) waiter->Wake();
}

void FetchCancel::Reset() { cancelled_.store(false, std::memory_order_release); }

void FetchCancel::Register(Waiter* waiter) {
  std::lock_guard lock(mutex_);
  waiters_.push_back(waiter);
}

void FetchCancel::Unregister(Waiter* waiter) {
  std::lock_guard lock(mutex_);
  waiters_.erase(std::remove(waiters_.begin(), waiters_.end(), waiter), waiters_.end());
}

FetchCancelScope::FetchCancelScope(FetchCancel& cancel) : previous_(currentCancel) {
  currentCancel = &cancel;
}

FetchCancelScope::~FetchCancelScope() { currentCancel = previous_; }

FetchCancel* FetchCancelScope::Current() { return currentCancel; }

}  // namespace qrh
