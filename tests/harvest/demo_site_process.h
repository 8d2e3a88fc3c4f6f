// The demo directory site as a child process of a test, on a free loopback
// port, with a small HTTP client for its test endpoints. Header-only so that
// the harvest tests and the end-to-end tests of the app share it.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace qrh::test {

class DemoSite {
 public:
  // Starts build/demo-site --port 0 and waits (bounded) for its ready line.
  explicit DemoSite(long latencyMs = 0, int listings = 300) {
    const std::string program = std::string(QRH_BUILD_DIR) + "/demo-site";
    // Its standard input is a pipe this process holds open: when the test
    // process ends in any way, the site sees the end of its input and stops.
    int out[2];
    int in[2];
    if (pipe2(out, O_CLOEXEC) != 0) return;
    if (pipe2(in, O_CLOEXEC) != 0) {
      close(out[0]);
      close(out[1]);
      return;
    }
    stdinWriter_ = in[1];
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    std::vector<std::string> args = {program, "--port", "0", "--latency-ms",
                                     std::to_string(latencyMs), "--listings",
                                     std::to_string(listings), "--exit-on-eof", "1"};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
      pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(in[0]);
    // Read the ready line: "listening on 127.0.0.1:<port>".
    std::string line;
    const auto due = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (pid_ > 0 && line.find('\n') == std::string::npos &&
           std::chrono::steady_clock::now() < due) {
      pollfd p{out[0], POLLIN, 0};
      if (poll(&p, 1, 200) <= 0) continue;
      char buffer[256];
      const ssize_t got = read(out[0], buffer, sizeof buffer);
      if (got <= 0) break;
      line.append(buffer, static_cast<std::size_t>(got));
    }
    close(out[0]);
    const auto colon = line.rfind(':');
    if (line.rfind("listening on 127.0.0.1:", 0) == 0 && colon != std::string::npos) {
      port_ = std::atoi(line.c_str() + colon + 1);
    }
  }

  ~DemoSite() {
    if (stdinWriter_ >= 0) close(stdinWriter_);
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      int status = 0;
      waitpid(pid_, &status, 0);
    }
  }
  DemoSite(const DemoSite&) = delete;
  DemoSite& operator=(const DemoSite&) = delete;

  bool Ready() const { return port_ > 0; }
  int Port() const { return port_; }
  std::string Host() const { return "127.0.0.1:" + std::to_string(port_); }

  // GET of a path on the site; the body, or "" on any failure. The Host line
  // is the one the program's requests carry, so addresses in the answers match.
  std::string Get(const std::string& pathAndQuery) const {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return "";
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port_));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string response;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
      const std::string request = "GET " + pathAndQuery + " HTTP/1.0\r\nHost: " + Host() +
                                  "\r\nConnection: close\r\n\r\n";
      if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
          static_cast<ssize_t>(request.size())) {
        char buffer[8192];
        for (;;) {
          const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
          if (got <= 0) break;
          response.append(buffer, static_cast<std::size_t>(got));
        }
      }
    }
    close(fd);
    const auto end = response.find("\r\n\r\n");
    return end == std::string::npos ? "" : response.substr(end + 4);
  }

  // The request targets the site received (search, detail and image requests).
  std::vector<std::string> Requests(bool clear = false) const {
    return Lines(Get(clear ? "/__requests?clear=1" : "/__requests"));
  }
  // Holds requests of one kind ("search", "detail", "image") until "none".
  void Stall(const std::string& kind) const { Get("/__control?stall=" + kind); }
  void SetLatency(long ms) const { Get("/__control?latency=" + std::to_string(ms)); }
  // Detail pages being served now, and the most served at once.
  int DetailInFlight() const { return Stat("detail_in_flight "); }
  int DetailMaxInFlight() const { return Stat("detail_max_in_flight "); }
  void ResetStats() const { Get("/__stats?reset=1"); }

  static std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string::size_type at = 0;
    while (at < text.size()) {
      const auto end = text.find('\n', at);
      lines.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
      if (end == std::string::npos) break;
      at = end + 1;
    }
    return lines;
  }
  static std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::string field;
    for (std::size_t i = 0; i < line.size(); ++i) {
      if (line[i] == '\t') {
        fields.push_back(field);
        field.clear();
      } else if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == 'n') {
        field += '\n';
        ++i;
      } else if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == 't') {
        field += '\t';
        ++i;
      } else {
        field += line[i];
      }
    }
    fields.push_back(field);
    return fields;
  }

 private:
  int Stat(const std::string& key) const {
    const std::string stats = Get("/__stats");
    const auto at = stats.find(key);
    return at == std::string::npos ? -1 : std::atoi(stats.c_str() + at + key.size());
  }

  pid_t pid_ = -1;
  int port_ = 0;
  int stdinWriter_ = -1;
};

}  // namespace qrh::test
