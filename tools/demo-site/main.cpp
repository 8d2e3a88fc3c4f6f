// demo-site: a local WeChat-group directory for the run command, the tests and
// the benchmarks.
//
//   demo-site --port N [--latency-ms L] [--listings K] [--exit-on-eof 1]
//
// Serves the search endpoint /cse/search, detail pages /qun/<id>.html and QR
// images /qr/<id>.gif on 127.0.0.1, and prints "listening on 127.0.0.1:<port>"
// once it accepts connections (port 0 picks a free one). Every answer waits L
// milliseconds first. With --exit-on-eof 1 it ends when its standard input
// reaches its end, so a test that starts it and dies takes it along.
// For the tests it also offers:
//   /__requests            the request targets received so far, one a line
//                          (?clear=1 forgets them)
//   /__control?stall=search|detail|image|none&latency=L
//                          holds requests of one kind until the stall is lifted;
//                          stall may also list request paths, comma-separated
//                          ("/qun/3.html,/qun/9.html"), to hold only those
//   /__stats               detail pages being served now and the most at once
//                          (?reset=1 restarts the maximum)
//   /__oracle/search?...   what a correct reading of a search page yields
//   /__oracle/qun/<id>     what a correct reading of a detail page yields
#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <deque>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "listings.h"
#include "pages.h"
#include "qr_image.h"

namespace {

struct Options {
  int port = 8080;
  long latencyMs = 0;
  int listings = 300;
  bool exitOnEof = false;
};

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) return false;
    char* end = nullptr;
    const long value = std::strtol(argv[++i], &end, 10);
    if (*end != '\0' || value < 0) return false;
    if (arg == "--port" && value <= 65535) options.port = static_cast<int>(value);
    else if (arg == "--latency-ms") options.latencyMs = value;
    else if (arg == "--listings" && value >= 1 && value <= 100000)
      options.listings = static_cast<int>(value);
    else if (arg == "--exit-on-eof") options.exitOnEof = value != 0;
    else return false;
  }
  return true;
}

// Shared state of the request handlers.
class SiteState {
 public:
  explicit SiteState(long latencyMs) : latencyMs_(latencyMs) {}

  // Keeps the latest requests only, so a long session does not grow without end.
  void Record(const std::string& target) {
    std::lock_guard lock(mutex_);
    if (requests_.size() >= kMaxRecorded) requests_.pop_front();
    requests_.push_back(target);
  }
  std::string Requests(bool clear) {
    std::lock_guard lock(mutex_);
    std::string out;
    for (const std::string& r : requests_) out += r + "\n";
    if (clear) requests_.clear();
    return out;
  }

  // Waits the latency, then as long as requests of this kind or this path
  // are stalled.
  void Delay(const std::string& kind, const std::string& path) {
    std::unique_lock lock(mutex_);
    const auto due = std::chrono::steady_clock::now() + std::chrono::milliseconds(latencyMs_);
    changed_.wait_until(lock, due, [this] { return stopping_; });
    changed_.wait(lock, [&] {
      return stopping_ || (stalled_.count(kind) == 0 && stalled_.count(path) == 0);
    });
  }

  void Control(const std::string& stall, long latencyMs) {
    {
      std::lock_guard lock(mutex_);
      if (!stall.empty()) {
        stalled_.clear();
        std::string::size_type at = 0;
        while (at <= stall.size()) {
          const auto end = std::min(stall.find(',', at), stall.size());
          const std::string item = stall.substr(at, end - at);
          if (!item.empty() && item != "none") stalled_.insert(item);
          at = end + 1;
        }
      }
      if (latencyMs >= 0) latencyMs_ = latencyMs;
    }
    changed_.notify_all();
  }

  void Stop() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
  }

  void DetailBegins() {
    const int now = ++detailInFlight_;
    int seen = detailMax_.load();
    while (now > seen && !detailMax_.compare_exchange_weak(seen, now)) {
    }
  }
  void DetailEnds() { --detailInFlight_; }
  std::string Stats(bool reset) {
    std::string out = "detail_in_flight " + std::to_string(detailInFlight_.load()) +
                      "\ndetail_max_in_flight " + std::to_string(detailMax_.load()) + "\n";
    if (reset) detailMax_ = detailInFlight_.load();
    return out;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  static constexpr std::size_t kMaxRecorded = 100000;
  std::deque<std::string> requests_;
  std::set<std::string> stalled_;
  long latencyMs_;
  bool stopping_ = false;
  std::atomic<int> detailInFlight_{0};
  std::atomic<int> detailMax_{0};
};

long ParamLong(const httplib::Request& req, const char* key, long fallback) {
  if (!req.has_param(key)) return fallback;
  const std::string v = req.get_param_value(key);
  char* end = nullptr;
  const long value = std::strtol(v.c_str(), &end, 10);
  return end == v.c_str() ? fallback : value;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: demo-site --port N [--latency-ms L] [--listings K] [--exit-on-eof 1]\n");
    return 2;
  }

  // SIGINT and SIGTERM stop the server from a thread of its own.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  const std::vector<demo::Listing> listings = demo::MakeListings(options.listings);
  SiteState state(options.latencyMs);
  httplib::Server server;
  // Enough handler threads for every worker of a harvest plus stalled requests.
  server.new_task_queue = [] { return new httplib::ThreadPool(96); };
  int port = options.port;
  auto host = [&port](const httplib::Request& req) {
    std::string h = req.get_header_value("Host");
    return h.empty() ? "127.0.0.1:" + std::to_string(port) : h;
  };
  auto listingOf = [&listings](const httplib::Request& req) -> const demo::Listing* {
    const long id = std::strtol(req.matches[1].str().c_str(), nullptr, 10);
    if (id < 1 || id > static_cast<long>(listings.size())) return nullptr;
    return &listings[static_cast<std::size_t>(id - 1)];
  };
  auto hitsOf = [&listings](const httplib::Request& req) {
    return demo::Search(listings, req.get_param_value("q"), ParamLong(req, "sti", 0));
  };
  const char* html = "text/html; charset=utf-8";
  const char* plain = "text/plain; charset=utf-8";

  server.Get("/", [&](const httplib::Request& req, httplib::Response& res) {
    state.Record(req.target);
    res.set_content(demo::IndexPage(options.listings), html);
  });
  server.Get("/cse/search", [&](const httplib::Request& req, httplib::Response& res) {
    state.Record(req.target);
    state.Delay("search", req.path);
    res.set_content(demo::SearchPage(host(req), req.get_param_value("q"), hitsOf(req),
                                     static_cast<int>(ParamLong(req, "p", 1))),
                    html);
  });
  server.Get(R"(/qun/(\d+)\.html)", [&](const httplib::Request& req, httplib::Response& res) {
    state.Record(req.target);
    state.DetailBegins();
    state.Delay("detail", req.path);
    if (const demo::Listing* l = listingOf(req)) {
      res.set_content(demo::DetailPage(host(req), *l), html);
    } else {
      res.status = 404;
      res.set_content("<html><body>404</body></html>", html);
    }
    state.DetailEnds();
  });
  server.Get(R"(/qr/(\d+)\.gif)", [&](const httplib::Request& req, httplib::Response& res) {
    state.Record(req.target);
    state.Delay("image", req.path);
    if (const demo::Listing* l = listingOf(req)) {
      res.set_content(demo::QrGif(l->id), "image/gif");
    } else {
      res.status = 404;
    }
  });
  server.Get("/__requests", [&](const httplib::Request& req, httplib::Response& res) {
    res.set_content(state.Requests(req.has_param("clear")), plain);
  });
  server.Get("/__control", [&](const httplib::Request& req, httplib::Response& res) {
    state.Control(req.get_param_value("stall"), ParamLong(req, "latency", -1));
    res.set_content("ok\n", plain);
  });
  server.Get("/__stats", [&](const httplib::Request& req, httplib::Response& res) {
    res.set_content(state.Stats(req.has_param("reset")), plain);
  });
  server.Get("/__oracle/search", [&](const httplib::Request& req, httplib::Response& res) {
    res.set_content(demo::SearchOracle(host(req), req.get_param_value("q"), hitsOf(req),
                                       static_cast<int>(ParamLong(req, "p", 1))),
                    plain);
  });
  server.Get(R"(/__oracle/qun/(\d+))", [&](const httplib::Request& req, httplib::Response& res) {
    if (const demo::Listing* l = listingOf(req)) {
      res.set_content(demo::DetailOracle(host(req), *l), plain);
    } else {
      res.status = 404;
    }
  });

  if (port == 0) {
    port = server.bind_to_any_port("127.0.0.1");
    if (port < 0) port = 0;
  } else if (!server.bind_to_port("127.0.0.1", port)) {
    port = 0;
  }
  if (port == 0) {
    std::fprintf(stderr, "demo-site: cannot listen on 127.0.0.1:%d\n", options.port);
    return 1;
  }

  std::thread signalWatcher([&] {
    int signal = 0;
    sigwait(&signals, &signal);
    state.Stop();
    server.stop();
  });
  if (options.exitOnEof) {
    std::thread([] {
      char buffer[256];
      while (read(0, buffer, sizeof buffer) > 0) {
      }
      kill(getpid(), SIGTERM);
    }).detach();
  }
  std::printf("listening on 127.0.0.1:%d\n", port);
  std::fflush(stdout);
  server.listen_after_bind();
  // The server may also end on its own; wake the watcher so the thread ends.
  pthread_kill(signalWatcher.native_handle(), SIGTERM);
  signalWatcher.join();
  return 0;
}
