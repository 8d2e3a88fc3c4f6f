#include "web/curl_session.h"

#include <algorithm>
#include <chrono>
#include <mutex>

#include "web/fetch_cancel.h"

namespace qrh::web_detail {
namespace {

std::mutex cookieLocks[CURL_LOCK_DATA_LAST];

void LockShare(CURL*, curl_lock_data data, curl_lock_access, void*) { cookieLocks[data].lock(); }
void UnlockShare(CURL*, curl_lock_data data, void*) { cookieLocks[data].unlock(); }

struct CurlProcess {
  CURLSH* cookies = nullptr;
  CurlProcess() {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    cookies = curl_share_init();
    curl_share_setopt(cookies, CURLSHOPT_LOCKFUNC, LockShare);
    curl_share_setopt(cookies, CURLSHOPT_UNLOCKFUNC, UnlockShare);
    curl_share_setopt(cookies, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
  }
};

CurlProcess& Process() {
  static CurlProcess process;
  return process;
}

// Sets libcurl up while the program starts, before any thread of ours runs.
[[maybe_unused]] const bool curlReadyAtStart = (Process(), true);

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The name of a libcurl header line ("Name: value", "Name:" or "Name;").
std::string LineName(const std::string& line) {
  std::size_t end = line.find_first_of(":;");
  std::string name = line.substr(0, end);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  while (!name.empty() && name.front() == ' ') name.erase(0, 1);
  std::transform(name.begin(), name.end(), name.begin(), LowerAscii);
  return name;
}

struct Collector {
  Bytes body;
  bool tooBig = false;
  std::vector<std::string> lines;
  std::vector<std::string> complete;  // the last complete header block
  bool inBlock = false;
  std::size_t headerBytes = 0;
  bool stopAfterHeaders = false;  // a HEAD request sent with a body
  bool stoppedAfterHeaders = false;
};

std::size_t CollectBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* c = static_cast<Collector*>(user);
  const std::size_t length = size * count;
  if (c->body.size() + length > kMaxBodyBytes) {
    c->tooBig = true;
    return length == 0 ? 1 : 0;  // anything but length aborts the transfer
  }
  c->body.append(data, length);
  return length;
}

std::size_t CollectHeader(char* data, std::size_t size, std::size_t count, void* user) {
  auto* c = static_cast<Collector*>(user);
  const std::size_t length = size * count;
  c->headerBytes += length;
  std::string line(data, length);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  if (line.rfind("HTTP/", 0) == 0) {
    // A new response (after a 1xx or a followed redirect) replaces the last.
    c->lines.assign(1, line);
    c->complete.clear();
    c->body.clear();
    c->inBlock = true;
  } else if (line.empty()) {
    const bool interim = c->inBlock && c->lines.front().size() > 9 && c->lines.front()[9] == '1';
    if (c->inBlock) c->complete = c->lines;
    c->inBlock = false;
    if (c->stopAfterHeaders && !interim && !c->complete.empty()) {
      // The answer to HEAD has no body; libcurl would wait for one here.
      c->stoppedAfterHeaders = true;
      return 0;
    }
  } else if (c->inBlock) {
    c->lines.push_back(line);
  }
  return length;
}

// Wakes the transfer's poll when its cancel token is raised.
class MultiWaker final : public FetchCancel::Waiter {
 public:
  explicit MultiWaker(CURLM* multi) : multi_(multi) {}
  void Wake() override { curl_multi_wakeup(multi_); }

 private:
  CURLM* multi_;
};

}  // namespace

void EnsureCurl() { Process(); }

CURLSH* SharedCookieStore() { return Process().cookies; }

void SuppressCurlHeaders(const std::vector<std::string>& lines, HeaderList& list) {
  for (const char* name : {"Accept", "Content-Type", "Expect", "Proxy-Connection"}) {
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(), LowerAscii);
    const bool named = std::any_of(lines.begin(), lines.end(),
                                   [&](const std::string& line) { return LineName(line) == lower; });
    if (!named) list.Add(std::string(name) + ":");
  }
}

std::string EscapeAddressBytes(const std::string& address) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(address.size());
  for (unsigned char c : address) {
    if (c <= 0x20 || c >= 0x7F) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0x0F];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

bool SchemeAllowed(const std::string& address) {
  if (address.empty() || !IsAlpha(address[0])) return true;
  std::size_t i = 0;
  while (i < address.size() &&
         (IsAlpha(address[i]) || IsDigit(address[i]) || address[i] == '+' || address[i] == '-' ||
          address[i] == '.')) {
    ++i;
  }
  if (i == address.size() || address[i] != ':') return true;
  const bool looksLikePort = i + 1 < address.size() && IsDigit(address[i + 1]);
  if (address.compare(i, 3, "://") != 0 && looksLikePort) return true;  // "host:8080/..."
  std::string scheme = address.substr(0, i);
  std::transform(scheme.begin(), scheme.end(), scheme.begin(), LowerAscii);
  return scheme == "http" || scheme == "https";
}

void SetCommonOptions(CURL* easy) {
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(easy, CURLOPT_PROXY, "");  // no proxy from the environment
  curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
  // A cancelled request must not wait for a name lookup still running.
  curl_easy_setopt(easy, CURLOPT_QUICK_EXIT, 1L);
}

TransferResult RunTransfer(CURL* easy, CURLM* multi, const Limits& limits, bool headWithBody) {
  TransferResult result;
  FetchCancel* cancel = FetchCancelScope::Current();
  if (cancel != nullptr && cancel->IsCancelled()) {
    result.code = CURLE_ABORTED_BY_CALLBACK;
    return result;
  }
  Collector collector;
  collector.stopAfterHeaders = headWithBody;
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, CollectBody);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &collector);
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, CollectHeader);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, &collector);
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, limits.connectMs);
  curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxBodyBytes));
  if (curl_multi_add_handle(multi, easy) != CURLM_OK) return result;

  MultiWaker waker(multi);
  if (cancel != nullptr) cancel->Register(&waker);
  using Clock = std::chrono::steady_clock;
  auto lastActivity = Clock::now();
  curl_off_t lastCount = -1;
  bool done = false;
  for (;;) {
    int running = 0;
    if (curl_multi_perform(multi, &running) != CURLM_OK) {
      result.code = CURLE_FAILED_INIT;
      break;
    }
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
      if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
        done = true;
        result.code = message->data.result;
      }
    }
    if (done) break;
    if (cancel != nullptr && cancel->IsCancelled()) {
      result.code = CURLE_ABORTED_BY_CALLBACK;
      break;
    }
    // Stall watch: from the moment the connection stands, every byte sent or
    // received (headers included) restarts the clock.
    curl_off_t up = 0, down = 0, pretransfer = 0;
    curl_easy_getinfo(easy, CURLINFO_SIZE_UPLOAD_T, &up);
    curl_easy_getinfo(easy, CURLINFO_SIZE_DOWNLOAD_T, &down);
    curl_easy_getinfo(easy, CURLINFO_PRETRANSFER_TIME_T, &pretransfer);
    const bool connected = pretransfer > 0 || collector.headerBytes > 0;
    const curl_off_t count = up + down + static_cast<curl_off_t>(collector.headerBytes) + (connected ? 1 : 0);
    const auto now = Clock::now();
    if (count != lastCount) {
      lastCount = count;
      lastActivity = now;
    }
    long waitMs = 1000;
    if (connected) {
      const long idleMs = static_cast<long>(
          std::chrono::duration_cast<std::chrono::milliseconds>(now - lastActivity).count());
      if (idleMs >= limits.stallMs) {
        result.code = CURLE_OPERATION_TIMEDOUT;
        break;
      }
      waitMs = std::min(waitMs, std::max(1L, limits.stallMs - idleMs));
    }
    curl_multi_poll(multi, nullptr, 0, static_cast<int>(waitMs), nullptr);
  }
  if (cancel != nullptr) cancel->Unregister(&waker);
  curl_multi_remove_handle(multi, easy);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, nullptr);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, nullptr);

  if (collector.tooBig) result.code = CURLE_FILESIZE_EXCEEDED;
  if (collector.stoppedAfterHeaders && result.code == CURLE_WRITE_ERROR) result.code = CURLE_OK;
  curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &result.status);
  result.headerLines = std::move(collector.complete);
  result.body = std::move(collector.body);
  return result;
}

}  // namespace qrh::web_detail

namespace qrh::web_detail {

void SetVerbAndBody(CURL* easy, const char* verb, const Bytes& body) {
  const std::string method(verb);
  if (method == "POST" || !body.empty()) {
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body.data());
    if (method != "POST") curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, verb);
  } else if (method == "HEAD") {
    curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
  } else {
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
  }
}

Text RawHeaderBlock(const TransferResult& result) {
  if (result.headerLines.empty()) return {};
  Text block;
  for (const std::string& line : result.headerLines) block += line + "\r\n";
  return block + "\r\n";
}

}  // namespace qrh::web_detail
