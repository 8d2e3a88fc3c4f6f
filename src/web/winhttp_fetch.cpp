#include "web/winhttp_fetch.h"

#include <algorithm>
#include <climits>
#include <mutex>

#include "text/codepage.h"
#include "text/text_rules.h"
#include "text/text_slicing.h"
#include "web/cookies.h"
#include "web/curl_session.h"
#include "web/request_headers.h"

namespace qrh {

struct WinHttpRequestObject::Handles {
  std::mutex mutex;  // one call at a time per object
  CURL* easy = nullptr;
  CURLM* multi = nullptr;  // keeps the object's connection between calls
};

WinHttpRequestObject::WinHttpRequestObject() : handles_(std::make_unique<Handles>()) {
  web_detail::EnsureCurl();
  handles_->easy = curl_easy_init();
  handles_->multi = curl_multi_init();
}

WinHttpRequestObject::~WinHttpRequestObject() {
  if (handles_->multi != nullptr) curl_multi_cleanup(handles_->multi);
  if (handles_->easy != nullptr) curl_easy_cleanup(handles_->easy);
}

namespace {

using web_detail::HeaderList;
using web_detail::Limits;
using web_detail::TransferResult;

// -1 keeps the platform's timeouts; below 1 means 15 s; n means n s, for
// resolving plus connecting and for every stall of the exchange.
Limits TimeoutLimits(int timeoutSeconds) {
  if (timeoutSeconds == -1) return Limits{60000, 30000};
  const long ms = timeoutSeconds < 1 ? 15000L : static_cast<long>(timeoutSeconds) * 1000L;
  return Limits{ms, ms};
}

bool StartsWithIgnoreCase(const Text& text, const char* prefix) {
  const Text p(prefix);
  return text.size() >= p.size() && EqualsIgnoreCase(text.substr(0, p.size()), p);
}

bool HoldsLineBreak(const Text& text) { return text.find_first_of("\r\n") != Text::npos; }

}  // namespace

Bytes WinHttpFetch(const Text& url, int method, const Text& postText, Text* sendCookies,
                   Text* returnedCookies, Text* headers, Text* returnedHeaders, int* status,
                   bool noRedirect, const Bytes& postBytes, const Text& proxy, int timeoutSeconds,
                   const Text& proxyUser, const Text& proxyPassword, int proxyCredentialTarget,
                   WinHttpRequestObject* requestObject) {
  const char* verb = RequestVerb(method);
  std::unique_ptr<WinHttpRequestObject> own;
  WinHttpRequestObject* object = requestObject;
  if (object == nullptr) {
    own = std::make_unique<WinHttpRequestObject>();
    object = own.get();
  }
  WinHttpRequestObject::Handles& handles = object->handles();
  if (handles.easy == nullptr || handles.multi == nullptr) return {};
  std::lock_guard lock(handles.mutex);
  CURL* easy = handles.easy;
  curl_easy_reset(easy);
  web_detail::SetCommonOptions(easy);

  const Limits limits = TimeoutLimits(timeoutSeconds);
  if (!proxy.empty()) {
    curl_easy_setopt(easy, CURLOPT_PROXY, proxy.c_str());
    if (!proxyUser.empty()) {
      // Credentials answer a challenge, as the platform's do.
      if (proxyCredentialTarget == 0) {
        curl_easy_setopt(easy, CURLOPT_USERNAME, proxyUser.c_str());
        curl_easy_setopt(easy, CURLOPT_PASSWORD, proxyPassword.c_str());
        curl_easy_setopt(easy, CURLOPT_HTTPAUTH, CURLAUTH_ANY);
      } else {
        curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME, proxyUser.c_str());
        curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD, proxyPassword.c_str());
        curl_easy_setopt(easy, CURLOPT_PROXYAUTH, CURLAUTH_ANY);
      }
    }
  }
  // The address goes out as UTF-8, bytes outside printable ASCII escaped.
  const bool addressUsable =
      (StartsWithIgnoreCase(url, "http://") || StartsWithIgnoreCase(url, "https://"));
  const std::string address = web_detail::EscapeAddressBytes(AnsiToUtf8(url));
  curl_easy_setopt(easy, CURLOPT_URL, address.c_str());
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, noRedirect ? 0L : 1L);
  // Certificate errors are ignored: unknown authority, wrong usage, wrong
  // name, expired.
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 0L);
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 0L);
  curl_easy_setopt(easy, CURLOPT_PROXY_SSL_VERIFYPEER, 0L);
  curl_easy_setopt(easy, CURLOPT_PROXY_SSL_VERIFYHOST, 0L);

  Text block = headers != nullptr ? *headers : Text();
  CompleteRequestHeaders(block, url, true);
  if (headers != nullptr) *headers = block;

  Text cookies = sendCookies != nullptr ? *sendCookies : Text();
  HeaderList list;
  std::vector<std::string> sent;
  if (!cookies.empty() && !HoldsLineBreak(cookies)) sent.push_back("Cookie: " + cookies);
  const TextArray lines =
      block.find("\r\n") == Text::npos ? TextArray{block} : HeaderBlockLines(block);
  for (const Text& line : lines) {
    const Text name = HeaderName(line);
    const Text value = HeaderValue(line);
    // A line the platform would refuse (no name, a line break inside) is left out.
    if (name.empty() || HoldsLineBreak(line)) continue;
    sent.push_back(value.empty() ? name + ";" : name + ": " + value);
  }
  for (const std::string& line : sent) list.Add(line);
  web_detail::SuppressCurlHeaders(sent, list);
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, list.get());

  const Bytes& body = !postBytes.empty() ? postBytes : postText;
  web_detail::SetVerbAndBody(easy, verb, body);

  TransferResult result;
  if (addressUsable) result = web_detail::RunTransfer(easy, handles.multi, limits, method == 2 && !body.empty());
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, nullptr);

  Bytes responseBody;
  Text responseHeaders;
  int responseStatus = 0;
  if (result.ok()) {
    responseBody = std::move(result.body);
    for (std::size_t i = 1; i < result.headerLines.size(); ++i) {
      responseHeaders += result.headerLines[i] + "\r\n";
    }
    if (!responseHeaders.empty()) responseHeaders += "\r\n";
    responseHeaders = UnifySetCookie(responseHeaders);
    responseStatus = static_cast<int>(result.status);
  }
  Text newCookies = CollectReturnedCookies(responseHeaders);
  CookieMerge(cookies, newCookies);

  if (sendCookies != nullptr) *sendCookies = cookies;
  if (returnedCookies != nullptr) *returnedCookies = newCookies;
  if (returnedHeaders != nullptr) *returnedHeaders = responseHeaders;
  if (status != nullptr) *status = responseStatus;
  return responseBody;
}

}  // namespace qrh
