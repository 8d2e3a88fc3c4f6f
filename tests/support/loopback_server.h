// A small HTTP/1.1 server on 127.0.0.1 for tests.
//
// It listens on a free port, plain or TLS (a self-signed certificate for
// 127.0.0.1 made when the first TLS server starts), records every request
// exactly as it arrived (method, target, every header line in wire order,
// body) and answers each with a scripted Reply chosen by the request's path.
// Targets in absolute form ("http://host:port/path"), as a client sends them
// to a forward proxy, are recorded as sent and routed by their path, so the
// server also stands in for a proxy. Connections are kept alive as HTTP/1.1
// allows; each carries a serial number so tests can see reuse.
//
// All member functions may be called from any thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace qrh::test {

struct RecordedRequest {
  int connection = 0;  // 1 for the server's first connection, 2 for the next, ...
  bool tls = false;
  std::string method;
  std::string target;   // as on the request line
  std::string version;  // "HTTP/1.1"
  std::vector<std::string> headerLines;  // "Name: value" as sent, wire order, no CR LF
  std::string body;                      // decoded when it came chunked

  // The target without scheme and authority: "/a/b?x=1".
  std::string PathAndQuery() const;
  // PathAndQuery without the query.
  std::string Path() const;
  // The value (spaces around it removed) of the first header with that name,
  // compared without regard to ASCII case; empty when there is none.
  std::string Header(std::string_view name) const;
  int HeaderCount(std::string_view name) const;
  // The names of all header lines, as written, in wire order.
  std::vector<std::string> HeaderNames() const;
};

struct Reply {
  enum class Fault {
    kNone,
    kStall,              // read the request, send nothing until released
    kStallAfterHeaders,  // send the status line and headers, then nothing
    kStallMidBody,       // send headers and the first half of the body
    kReset,              // close at once with a TCP reset
    kResetMidBody,       // send headers and half the body, then reset
  };

  int status = 200;
  std::string reason;                // empty: the usual phrase for status
  std::vector<std::string> headers;  // "Name: value" lines, sent in this order
  std::string body;
  bool chunked = false;  // send the body in chunks of chunkSize bytes
  std::size_t chunkSize = 4096;
  bool close = false;  // close the connection after this reply
  // Waits this long before answering (a slow server).
  std::chrono::milliseconds delay{0};
  // With chunked: waits this long before each chunk after the first (a slow
  // download that keeps moving).
  std::chrono::milliseconds chunkDelay{0};
  Fault fault = Fault::kNone;
  // When non-zero, the body is this many bytes made while sending (for
  // bodies too big to keep): byte i is 'a' + i % 26. `body` is then unused.
  std::size_t generatedBodyBytes = 0;
  // When non-empty: these bytes are the whole reply, sent as they are.
  std::string raw;

  static Reply Body(std::string body, std::string contentType = "text/html");
  static Reply Status(int status, std::string body = {});
  static Reply Redirect(int status, std::string location);
  static Reply Stall();
  static Reply Reset();
};

using Handler = std::function<Reply(const RecordedRequest&)>;

class LoopbackServer {
 public:
  enum class Mode { kHttp, kHttps };

  explicit LoopbackServer(Mode mode = Mode::kHttp);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  int port() const { return port_; }
  // "127.0.0.1:<port>"
  std::string HostPort() const;
  // "http://127.0.0.1:<port>" (https for a TLS server)
  std::string BaseUrl() const;
  // BaseUrl() followed by pathAndQuery, which should begin with "/".
  std::string Url(std::string_view pathAndQuery) const;
  // The PEM text of the TLS certificate (empty for a plain server).
  std::string CertificatePem() const;

  // Routes: a request is answered by the route whose key equals its path and
  // query, else by the route equal to its path, else by the fallback, else
  // 404. Serve replaces an earlier route of the same key.
  void Serve(std::string pathAndQuery, Reply reply);
  void Serve(std::string pathAndQuery, int status, std::string body,
             std::string contentType = "text/html");
  void Serve(std::string pathAndQuery, Handler handler);
  void SetFallback(Handler handler);

  // What arrived so far, in order of arrival (a request is recorded before
  // it is answered, so a stalled request is already there).
  std::vector<RecordedRequest> Requests() const;
  std::size_t RequestCount() const;
  std::size_t RequestCount(std::string_view path) const;  // by Path()
  RecordedRequest LastRequest() const;  // empty when there is none
  void ClearRequests();
  // Waits until at least `count` requests were recorded; false after `bound`.
  bool WaitForRequests(std::size_t count, std::chrono::milliseconds bound) const;

  int ConnectionCount() const;       // connections accepted so far
  int FailedHandshakeCount() const;  // TLS connections whose handshake failed
  // The client may return before the server has seen its side of a refused
  // handshake: waits until at least `count` have failed; false after `bound`.
  bool WaitForFailedHandshakes(int count, std::chrono::milliseconds bound) const;

  // Lets every reply to a request recorded so far end its stall (the
  // connection is then closed). A stall also ends when the client goes away
  // or the server stops, and after 60 s.
  void ReleaseStalls();

  // Closes the listener and every connection and joins all threads. The
  // destructor calls it.
  void Stop();

 private:
  struct Connection;
  void AcceptLoop();
  void ServeConnection(Connection& connection);
  Handler FindHandler(const RecordedRequest& request) const;
  int Record(const RecordedRequest& request);
  bool WaitInStall(Connection& connection, int generation);
  bool Pause(std::chrono::milliseconds length);
  void ReapFinished();

  Mode mode_;
  int listenFd_ = -1;
  int port_ = 0;
  void* sslContext_ = nullptr;  // SSL_CTX*
  std::string certificatePem_;
  std::thread acceptThread_;

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  bool stopping_ = false;
  int stallGeneration_ = 0;
  std::map<std::string, Handler, std::less<>> routes_;
  Handler fallback_;
  std::vector<RecordedRequest> requests_;
  int connections_ = 0;
  int failedHandshakes_ = 0;
  std::vector<std::unique_ptr<Connection>> live_;
};

}  // namespace qrh::test
