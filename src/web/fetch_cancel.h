// Cancelling requests that are in flight.
//
// A FetchCancel is a flag that any thread may raise. Requests made by
// WinHttpFetch and WinInetFetch on a thread that holds a FetchCancelScope for
// it return promptly (well within 100 ms) once it is raised, with the results
// of a failed request. Callers that never cancel need neither type.
#pragma once

#include <atomic>
#include <mutex>
#include <vector>

namespace qrh {

// A token must outlive every request made under it.
class FetchCancel {
 public:
  FetchCancel() = default;
  FetchCancel(const FetchCancel&) = delete;
  FetchCancel& operator=(const FetchCancel&) = delete;

  // Raises the flag and wakes every request currently waiting under it.
  void Cancel();
  // Lowers the flag for the next run; requests in flight are not affected.
  void Reset();
  bool IsCancelled() const { return cancelled_.load(std::memory_order_acquire); }

  // For the request routines: a waiter is woken by Cancel while registered.
  class Waiter {
   public:
    virtual void Wake() = 0;

   protected:
    ~Waiter() = default;
  };
  void Register(Waiter* waiter);
  void Unregister(Waiter* waiter);

 private:
  std::atomic<bool> cancelled_{false};
  std::mutex mutex_;
  std::vector<Waiter*> waiters_;
};

// While it lives, requests made on the constructing thread obey `cancel`.
// Scopes nest; the innermost one counts.
class FetchCancelScope {
 public:
  explicit FetchCancelScope(FetchCancel& cancel);
  ~FetchCancelScope();
  FetchCancelScope(const FetchCancelScope&) = delete;
  FetchCancelScope& operator=(const FetchCancelScope&) = delete;

  // The token of the calling thread's innermost scope, or nullptr.
  static FetchCancel* Current();

 private:
  FetchCancel* previous_;
};

}  // namespace qrh
