#include "support/loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstring>
#include <stdexcept>

namespace qrh::test {
namespace {

constexpr std::size_t kMaxHeaderBytes = 1 << 20;
constexpr auto kLongestStall = std::chrono::seconds(60);

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::string NameOf(std::string_view line) {
  auto colon = line.find(':');
  return std::string(colon == std::string_view::npos ? line : line.substr(0, colon));
}

std::string ValueOf(std::string_view line) {
  auto colon = line.find(':');
  return colon == std::string_view::npos ? std::string() : std::string(Trim(line.substr(colon + 1)));
}

bool HasHeader(const std::vector<std::string>& lines, std::string_view name) {
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& l) { return SameName(Trim(NameOf(l)), name); });
}

const char* ReasonOf(int status) {
  switch (status) {
    case 100: return "Continue";
    case 200: return "OK";
    case 201: return "Created";
    case 204: return "No Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 304: return "Not Modified";
    case 307: return "Temporary Redirect";
    case 308: return "Permanent Redirect";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 407: return "Proxy Authentication Required";
    case 500: return "Internal Server Error";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    default: return "Status";
  }
}

// The self-signed certificate of every TLS server of the process, made once.
struct Certificate {
  EVP_PKEY* key = nullptr;
  X509* cert = nullptr;
  std::string pem;
};

const Certificate& TestCertificate() {
  static const Certificate made = [] {
    Certificate c;
    c.key = EVP_EC_gen("P-256");
    c.cert = X509_new();
    if (c.key == nullptr || c.cert == nullptr) throw std::runtime_error("cannot make a key");
    X509_set_version(c.cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(c.cert), 1);
    X509_gmtime_adj(X509_getm_notBefore(c.cert), -3600);
    X509_gmtime_adj(X509_getm_notAfter(c.cert), 7 * 24 * 3600);
    X509_set_pubkey(c.cert, c.key);
    X509_NAME* name = X509_get_subject_name(c.cert);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
    X509_set_issuer_name(c.cert, name);
    X509_EXTENSION* san = X509V3_EXT_conf_nid(nullptr, nullptr, NID_subject_alt_name,
                                              const_cast<char*>("IP:127.0.0.1"));
    if (san != nullptr) {
      X509_add_ext(c.cert, san, -1);
      X509_EXTENSION_free(san);
    }
    if (X509_sign(c.cert, c.key, EVP_sha256()) == 0) throw std::runtime_error("cannot sign");
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_X509(bio, c.cert);
    char* data = nullptr;
    long size = BIO_get_mem_data(bio, &data);
    c.pem.assign(data, static_cast<std::size_t>(size));
    BIO_free(bio);
    return c;
  }();
  return made;
}

}  // namespace

// ---------------------------------------------------------------- requests

std::string RecordedRequest::PathAndQuery() const {
  std::string_view t = target;
  auto scheme = t.find("://");
  if (scheme != std::string_view::npos && t.find('/') > scheme) {
    auto slash = t.find('/', scheme + 3);
    return slash == std::string_view::npos ? "/" : std::string(t.substr(slash));
  }
  return target;
}

std::string RecordedRequest::Path() const {
  std::string p = PathAndQuery();
  auto q = p.find('?');
  return q == std::string::npos ? p : p.substr(0, q);
}

std::string RecordedRequest::Header(std::string_view name) const {
  for (const auto& line : headerLines) {
    if (SameName(Trim(NameOf(line)), name)) return ValueOf(line);
  }
  return {};
}

int RecordedRequest::HeaderCount(std::string_view name) const {
  return static_cast<int>(std::count_if(headerLines.begin(), headerLines.end(), [&](const std::string& l) {
    return SameName(Trim(NameOf(l)), name);
  }));
}

std::vector<std::string> RecordedRequest::HeaderNames() const {
  std::vector<std::string> names;
  for (const auto& line : headerLines) names.push_back(NameOf(line));
  return names;
}

// ---------------------------------------------------------------- replies

Reply Reply::Body(std::string body, std::string contentType) {
  Reply r;
  r.headers.push_back("Content-Type: " + contentType);
  r.body = std::move(body);
  return r;
}

Reply Reply::Status(int status, std::string body) {
  Reply r;
  r.status = status;
  r.body = std::move(body);
  return r;
}

Reply Reply::Redirect(int status, std::string location) {
  Reply r;
  r.status = status;
  r.headers.push_back("Location: " + location);
  return r;
}

Reply Reply::Stall() {
  Reply r;
  r.fault = Fault::kStall;
  return r;
}

Reply Reply::Reset() {
  Reply r;
  r.fault = Fault::kReset;
  return r;
}

// ---------------------------------------------------------------- connections

struct LoopbackServer::Connection {
  int fd = -1;
  SSL* ssl = nullptr;
  int serial = 0;
  std::thread thread;
  std::atomic<bool> done{false};
  std::string pending;  // bytes read but not yet parsed

  // Reads some bytes into pending; false at end of stream or on error.
  bool ReadMore() {
    char buffer[16384];
    long n = ssl != nullptr ? SSL_read(ssl, buffer, sizeof buffer)
                            : static_cast<long>(recv(fd, buffer, sizeof buffer, 0));
    if (n <= 0) return false;
    pending.append(buffer, static_cast<std::size_t>(n));
    return true;
  }

  bool Write(std::string_view data) {
    while (!data.empty()) {
      long n = ssl != nullptr
                   ? SSL_write(ssl, data.data(), static_cast<int>(std::min<std::size_t>(data.size(), 1 << 20)))
                   : static_cast<long>(send(fd, data.data(), data.size(), MSG_NOSIGNAL));
      if (n <= 0) return false;
      data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
  }

  // Takes exactly n bytes from the stream.
  bool Take(std::size_t n, std::string& out) {
    while (pending.size() < n) {
      if (!ReadMore()) return false;
    }
    out.append(pending, 0, n);
    pending.erase(0, n);
    return true;
  }

  // Takes one CR LF terminated line (without it).
  bool TakeLine(std::string& line) {
    std::size_t end;
    while ((end = pending.find("\r\n")) == std::string::npos) {
      if (pending.size() > kMaxHeaderBytes || !ReadMore()) return false;
    }
    line = pending.substr(0, end);
    pending.erase(0, end + 2);
    return true;
  }

  // The client has closed its side (or the socket is gone).
  bool PeerGone() {
    pollfd p{fd, POLLIN | POLLRDHUP, 0};
    if (poll(&p, 1, 0) <= 0) return false;
    if (p.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL)) return true;
    char c;
    return recv(fd, &c, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
  }

  void ResetNow() {
    linger l{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    if (ssl != nullptr) {
      SSL_free(ssl);
      ssl = nullptr;
    }
    shutdown(fd, SHUT_RD);
  }
};

// ---------------------------------------------------------------- server

LoopbackServer::LoopbackServer(Mode mode) : mode_(mode) {
  std::signal(SIGPIPE, SIG_IGN);
  if (mode_ == Mode::kHttps) {
    const Certificate& c = TestCertificate();
    SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
    if (ctx == nullptr || SSL_CTX_use_certificate(ctx, c.cert) != 1 ||
        SSL_CTX_use_PrivateKey(ctx, c.key) != 1) {
      throw std::runtime_error("cannot set up TLS");
    }
    sslContext_ = ctx;
    certificatePem_ = c.pem;
  }
  listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listenFd_ < 0) throw std::runtime_error("socket failed");
  int yes = 1;
  setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  if (bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listenFd_, 256) != 0) {
    close(listenFd_);
    throw std::runtime_error("cannot listen on 127.0.0.1");
  }
  socklen_t length = sizeof address;
  getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);
  acceptThread_ = std::thread([this] { AcceptLoop(); });
}

LoopbackServer::~LoopbackServer() { Stop(); }

void LoopbackServer::Stop() {
  {
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    stopping_ = true;
    for (auto& c : live_) {
      if (c->fd >= 0) shutdown(c->fd, SHUT_RDWR);
    }
  }
  changed_.notify_all();
  shutdown(listenFd_, SHUT_RDWR);
  if (acceptThread_.joinable()) acceptThread_.join();
  std::vector<std::unique_ptr<Connection>> all;
  {
    std::lock_guard lock(mutex_);
    all.swap(live_);
  }
  for (auto& c : all) {
    if (c->thread.joinable()) c->thread.join();
  }
  close(listenFd_);
  if (sslContext_ != nullptr) SSL_CTX_free(static_cast<SSL_CTX*>(sslContext_));
  sslContext_ = nullptr;
}

std::string LoopbackServer::HostPort() const { return "127.0.0.1:" + std::to_string(port_); }

std::string LoopbackServer::BaseUrl() const {
  return (mode_ == Mode::kHttps ? "https://" : "http://") + HostPort();
}

std::string LoopbackServer::Url(std::string_view pathAndQuery) const {
  return BaseUrl() + std::string(pathAndQuery);
}

std::string LoopbackServer::CertificatePem() const { return certificatePem_; }

void LoopbackServer::Serve(std::string pathAndQuery, Reply reply) {
  Serve(std::move(pathAndQuery), [reply = std::move(reply)](const RecordedRequest&) { return reply; });
}

void LoopbackServer::Serve(std::string pathAndQuery, int status, std::string body,
                           std::string contentType) {
  Reply r = Reply::Body(std::move(body), std::move(contentType));
  r.status = status;
  Serve(std::move(pathAndQuery), std::move(r));
}

void LoopbackServer::Serve(std::string pathAndQuery, Handler handler) {
  std::lock_guard lock(mutex_);
  routes_[std::move(pathAndQuery)] = std::move(handler);
}

void LoopbackServer::SetFallback(Handler handler) {
  std::lock_guard lock(mutex_);
  fallback_ = std::move(handler);
}

std::vector<RecordedRequest> LoopbackServer::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::size_t LoopbackServer::RequestCount() const {
  std::lock_guard lock(mutex_);
  return requests_.size();
}

std::size_t LoopbackServer::RequestCount(std::string_view path) const {
  std::lock_guard lock(mutex_);
  return static_cast<std::size_t>(std::count_if(requests_.begin(), requests_.end(),
                                                [&](const RecordedRequest& r) { return r.Path() == path; }));
}

RecordedRequest LoopbackServer::LastRequest() const {
  std::lock_guard lock(mutex_);
  return requests_.empty() ? RecordedRequest{} : requests_.back();
}

void LoopbackServer::ClearRequests() {
  std::lock_guard lock(mutex_);
  requests_.clear();
}

bool LoopbackServer::WaitForRequests(std::size_t count, std::chrono::milliseconds bound) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, bound, [&] { return requests_.size() >= count; });
}

int LoopbackServer::ConnectionCount() const {
  std::lock_guard lock(mutex_);
  return connections_;
}

bool LoopbackServer::WaitForFailedHandshakes(int count, std::chrono::milliseconds bound) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, bound, [&] { return failedHandshakes_ >= count; });
}

int LoopbackServer::FailedHandshakeCount() const {
  std::lock_guard lock(mutex_);
  return failedHandshakes_;
}

void LoopbackServer::ReleaseStalls() {
  {
    std::lock_guard lock(mutex_);
    ++stallGeneration_;
  }
  changed_.notify_all();
}

int LoopbackServer::Record(const RecordedRequest& request) {
  int generation;
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(request);
    generation = stallGeneration_;
  }
  changed_.notify_all();
  return generation;
}

Handler LoopbackServer::FindHandler(const RecordedRequest& request) const {
  std::lock_guard lock(mutex_);
  auto it = routes_.find(request.PathAndQuery());
  if (it == routes_.end()) it = routes_.find(request.Path());
  if (it != routes_.end()) return it->second;
  if (fallback_) return fallback_;
  return [](const RecordedRequest&) { return Reply::Status(404, "not found"); };
}

void LoopbackServer::ReapFinished() {
  std::vector<std::unique_ptr<Connection>> finished;
  {
    std::lock_guard lock(mutex_);
    auto split = std::stable_partition(live_.begin(), live_.end(),
                                       [](const auto& c) { return !c->done.load(); });
    std::move(split, live_.end(), std::back_inserter(finished));
    live_.erase(split, live_.end());
  }
  for (auto& c : finished) c->thread.join();
}

void LoopbackServer::AcceptLoop() {
  for (;;) {
    int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      return;
    }
    ReapFinished();
    std::lock_guard lock(mutex_);
    if (stopping_) {
      close(fd);
      return;
    }
    int yes = 1;
    setsockopt(fd, IPPROTO_TCP, 1 /* TCP_NODELAY */, &yes, sizeof yes);
    auto c = std::make_unique<Connection>();
    c->fd = fd;
    c->serial = ++connections_;
    Connection* raw = c.get();
    c->thread = std::thread([this, raw] {
      try {
        ServeConnection(*raw);
      } catch (const std::exception&) {
        // A malformed request just ends its connection.
      }
      if (raw->ssl != nullptr) SSL_free(raw->ssl);
      raw->ssl = nullptr;
      {
        // Under the lock, so Stop never shuts down a number reused meanwhile.
        std::lock_guard closing(mutex_);
        close(raw->fd);
        raw->fd = -1;
      }
      raw->done.store(true);
    });
    live_.push_back(std::move(c));
  }
}

// Waits while a reply stalls; false when the connection should just close.
bool LoopbackServer::WaitInStall(Connection& connection, int generation) {
  std::unique_lock lock(mutex_);
  const auto deadline = std::chrono::steady_clock::now() + kLongestStall;
  while (!stopping_ && stallGeneration_ == generation && std::chrono::steady_clock::now() < deadline) {
    changed_.wait_for(lock, std::chrono::milliseconds(20));
    lock.unlock();
    const bool gone = connection.PeerGone();
    lock.lock();
    if (gone) break;
  }
  return false;
}

// Waits for `length` unless the server stops first (then false).
bool LoopbackServer::Pause(std::chrono::milliseconds length) {
  std::unique_lock lock(mutex_);
  return !changed_.wait_for(lock, length, [&] { return stopping_; });
}

void LoopbackServer::ServeConnection(Connection& c) {
  if (sslContext_ != nullptr) {
    c.ssl = SSL_new(static_cast<SSL_CTX*>(sslContext_));
    SSL_set_fd(c.ssl, c.fd);
    if (SSL_accept(c.ssl) != 1) {
      ERR_clear_error();
      {
        std::lock_guard lock(mutex_);
        ++failedHandshakes_;
      }
      changed_.notify_all();
      return;
    }
  }
  for (;;) {
    RecordedRequest request;
    request.connection = c.serial;
    request.tls = c.ssl != nullptr;
    std::string line;
    if (!c.TakeLine(line)) return;
    while (line.empty()) {  // stray CR LF between requests
      if (!c.TakeLine(line)) return;
    }
    auto firstSpace = line.find(' ');
    auto lastSpace = line.rfind(' ');
    if (firstSpace == std::string::npos || lastSpace == firstSpace) return;
    request.method = line.substr(0, firstSpace);
    request.target = line.substr(firstSpace + 1, lastSpace - firstSpace - 1);
    request.version = line.substr(lastSpace + 1);
    for (;;) {
      if (!c.TakeLine(line)) return;
      if (line.empty()) break;
      request.headerLines.push_back(line);
    }
    if (SameName(request.Header("Expect"), "100-continue")) {
      c.Write("HTTP/1.1 100 Continue\r\n\r\n");
    }
    if (SameName(request.Header("Transfer-Encoding"), "chunked")) {
      for (;;) {
        if (!c.TakeLine(line)) return;
        std::size_t size = std::stoul(line.empty() ? "0" : line, nullptr, 16);
        if (size == 0) {
          do {
            if (!c.TakeLine(line)) return;
          } while (!line.empty());
          break;
        }
        if (!c.Take(size, request.body) || !c.TakeLine(line)) return;
      }
    } else if (!request.Header("Content-Length").empty()) {
      if (!c.Take(std::stoul(request.Header("Content-Length")), request.body)) return;
    }
    const int stallGeneration = Record(request);

    Reply reply = FindHandler(request)(request);
    if (reply.delay.count() > 0 && !Pause(reply.delay)) return;
    if (!reply.raw.empty()) {
      c.Write(reply.raw);
      return;
    }
    if (reply.fault == Reply::Fault::kReset) {
      c.ResetNow();
      return;
    }
    if (reply.fault == Reply::Fault::kStall) {
      WaitInStall(c, stallGeneration);
      return;
    }
    const bool head = request.method == "HEAD";
    bool closeAfter = reply.close || SameName(request.Header("Connection"), "close") ||
                      request.version == "HTTP/1.0";
    std::string out = "HTTP/1.1 " + std::to_string(reply.status) + " " +
                      (reply.reason.empty() ? ReasonOf(reply.status) : reply.reason) + "\r\n";
    for (const auto& h : reply.headers) out += h + "\r\n";
    if (reply.chunked) {
      if (!HasHeader(reply.headers, "Transfer-Encoding")) out += "Transfer-Encoding: chunked\r\n";
    } else if (!HasHeader(reply.headers, "Content-Length")) {
      const std::size_t length = reply.generatedBodyBytes > 0 ? reply.generatedBodyBytes : reply.body.size();
      out += "Content-Length: " + std::to_string(length) + "\r\n";
    }
    if (closeAfter) out += "Connection: close\r\n";
    out += "\r\n";

    if (reply.generatedBodyBytes > 0) {
      if (!c.Write(out)) return;
      std::string piece(1 << 20, '\0');
      for (std::size_t at = 0; !head && at < reply.generatedBodyBytes; at += piece.size()) {
        piece.resize(std::min<std::size_t>(1 << 20, reply.generatedBodyBytes - at));
        for (std::size_t i = 0; i < piece.size(); ++i) piece[i] = static_cast<char>('a' + (at + i) % 26);
        char size[32];
        std::snprintf(size, sizeof size, "%zx\r\n", piece.size());
        if (!c.Write(reply.chunked ? size + piece + "\r\n" : piece)) return;
      }
      if (reply.chunked && !head && !c.Write("0\r\n\r\n")) return;
      if (closeAfter) return;
      continue;
    }
    std::string body;
    if (!head) {
      if (reply.chunked) {
        const std::size_t step = std::max<std::size_t>(reply.chunkSize, 1);
        for (std::size_t at = 0; at < reply.body.size(); at += step) {
          const std::size_t n = std::min(step, reply.body.size() - at);
          char size[32];
          std::snprintf(size, sizeof size, "%zx\r\n", n);
          body += size;
          body.append(reply.body, at, n);
          body += "\r\n";
        }
        body += "0\r\n\r\n";
      } else {
        body = reply.body;
      }
    }
    if (reply.fault == Reply::Fault::kStallAfterHeaders) {
      c.Write(out);
      WaitInStall(c, stallGeneration);
      return;
    }
    if (reply.fault == Reply::Fault::kStallMidBody || reply.fault == Reply::Fault::kResetMidBody) {
      c.Write(out + body.substr(0, body.size() / 2));
      if (reply.fault == Reply::Fault::kResetMidBody) {
        c.ResetNow();
      } else {
        WaitInStall(c, stallGeneration);
      }
      return;
    }
    if (reply.chunked && reply.chunkDelay.count() > 0 && !head) {
      // Chunk by chunk, with a pause before each one after the first.
      if (!c.Write(out)) return;
      const std::size_t step = std::max<std::size_t>(reply.chunkSize, 1);
      for (std::size_t at = 0; at < reply.body.size(); at += step) {
        if (at > 0 && !Pause(reply.chunkDelay)) return;
        const std::size_t n = std::min(step, reply.body.size() - at);
        char size[32];
        std::snprintf(size, sizeof size, "%zx\r\n", n);
        if (!c.Write(size + reply.body.substr(at, n) + "\r\n")) return;
      }
      if (!c.Write("0\r\n\r\n") || closeAfter) return;
      continue;
    }
    if (!c.Write(out + body) || closeAfter) return;
  }
}

}  // namespace qrh::test
