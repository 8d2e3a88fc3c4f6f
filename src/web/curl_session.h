// libcurl plumbing shared by WinHttpFetch and WinInetFetch: process-wide
// set-up, the cookie store of WinInetFetch, and one transfer run with its
// stall timeout, body cap and cancel hook.
#pragma once

#include <curl/curl.h>

#include <cstddef>
#include <string>
#include <vector>

#include "text/text.h"

namespace qrh::web_detail {

// The largest response body a request accepts; a larger one fails it.
constexpr std::size_t kMaxBodyBytes = 64u << 20;

// Sets libcurl up once for the process (also done before main runs, so no
// thread can race it).
void EnsureCurl();

// The process-wide cookie store, guarded by its own locks.
CURLSH* SharedCookieStore();

// A libcurl header list that frees itself.
class HeaderList {
 public:
  HeaderList() = default;
  ~HeaderList() { curl_slist_free_all(list_); }
  HeaderList(const HeaderList&) = delete;
  HeaderList& operator=(const HeaderList&) = delete;
  void Add(const std::string& line) {
    if (curl_slist* grown = curl_slist_append(list_, line.c_str())) list_ = grown;
  }
  curl_slist* get() const { return list_; }

 private:
  curl_slist* list_ = nullptr;
};

// Puts lines into `list` that keep libcurl from adding header lines of its
// own (Accept, Content-Type, Expect, Proxy-Connection) unless `lines` already
// names them. Names compare without regard to ASCII case.
void SuppressCurlHeaders(const std::vector<std::string>& lines, HeaderList& list);

// Percent-escapes every byte outside printable ASCII (and the space), as %XX.
std::string EscapeAddressBytes(const std::string& address);

// Whether the address names no scheme other than http or https. "host:80/x"
// names none; "file:///x" and "mailto:x" name another.
bool SchemeAllowed(const std::string& address);

// Options every transfer of both routines sets: http and https only (for
// redirects too), HTTP/1.1, no signals, no proxy from the environment, and
// the body and header collectors of `result` (set by RunTransfer).
void SetCommonOptions(CURL* easy);

struct Limits {
  long connectMs = 60000;  // resolving plus connecting (and the TLS handshake)
  long stallMs = 30000;    // longest time without a byte sent or received
};

struct TransferResult {
  CURLcode code = CURLE_FAILED_INIT;
  long status = 0;
  Bytes body;
  // The header block of the last response: its status line, then each header
  // line, without line ends. Empty when no complete block arrived.
  std::vector<std::string> headerLines;
  bool ok() const { return code == CURLE_OK; }
};

// Runs the prepared easy handle on `multi` (which may hold live connections
// of earlier calls). Obeys the calling thread's FetchCancelScope, aborts when
// nothing moves for limits.stallMs after the connection is made, and fails
// a body of more than kMaxBodyBytes. The easy handle must not have write or
// header callbacks of its own. headWithBody: the request is a HEAD sent with
// a body (see SetVerbAndBody); the transfer then ends with the first final
// header block, which is not followed even when it is a redirect.
TransferResult RunTransfer(CURL* easy, CURLM* multi, const Limits& limits, bool headWithBody = false);

}  // namespace qrh::web_detail

namespace qrh::web_detail {

// Sets the verb ("GET", "POST" or "HEAD") and the body, which must outlive
// the transfer. An empty body sends none, except that POST sends an empty one.
void SetVerbAndBody(CURL* easy, const char* verb, const Bytes& body);

// The header block of a transfer result as it came: status line first, every
// line ended by "\r\n", and the empty line that ends the block.
Text RawHeaderBlock(const TransferResult& result);

}  // namespace qrh::web_detail
