#include "web/wininet_fetch.h"

#include "text/text_rules.h"
#include "text/text_slicing.h"
#include "web/cookies.h"
#include "web/curl_session.h"
#include "web/request_headers.h"
#include "web/url_split.h"

namespace qrh {
namespace {

using web_detail::HeaderList;
using web_detail::TransferResult;

// The agent: the caller's User-Agent value when the block names one, else
// the default.
Text AgentOf(const Text& headers) {
  if (FindText(headers, "User-Agent:", 1, true) == -1) return kDefaultUserAgent;
  Text agent = TrimText(TextBetween(headers, "User-Agent:", "\r\n"));
  if (agent.empty()) agent = HeaderValue(headers);
  return agent;
}

bool HoldsLineBreak(const Text& text) { return text.find_first_of("\r\n") != Text::npos; }

struct CurlHandles {
  CURL* easy = curl_easy_init();
  CURLM* multi = curl_multi_init();
  ~CurlHandles() {
    if (multi != nullptr) curl_multi_cleanup(multi);
    if (easy != nullptr) curl_easy_cleanup(easy);
  }
};

}  // namespace

Bytes WinInetFetch(const Text& url, int method, const Text& postText, Text* sendCookies,
                   Text* returnedCookies, Text* headers, Text* returnedHeaders, bool noRedirect,
                   Bytes* postBytes, const Text& proxy) {
  web_detail::EnsureCurl();
  const char* verb = RequestVerb(method);
  const bool secure = ToLowerAscii(url.substr(0, 5)) == "https";
  const Text host = UrlHost(url);
  if (host.empty()) return {};  // no server to connect to
  int port = UrlPort(url);
  if (port == 0) port = secure ? 443 : 80;  // the service's default port
  const Text path = UrlPath(url);

  CurlHandles handles;
  if (handles.easy == nullptr || handles.multi == nullptr) return {};
  CURL* easy = handles.easy;
  web_detail::SetCommonOptions(easy);

  const Text currentHeaders = headers != nullptr ? *headers : Text();
  const Text agent = AgentOf(currentHeaders);
  if (!proxy.empty()) curl_easy_setopt(easy, CURLOPT_PROXY, proxy.c_str());

  // The address is put together from host, port and path; bytes outside
  // printable ASCII travel as escapes of their code page 936 bytes.
  const std::string address = std::string(secure ? "https://" : "http://") +
                              web_detail::EscapeAddressBytes(host) + ":" + std::to_string(port) +
                              web_detail::EscapeAddressBytes(path);
  curl_easy_setopt(easy, CURLOPT_URL, address.c_str());
  if (sendCookies == nullptr) {
    // The platform's cookie handling: one store for the whole process.
    curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");
    curl_easy_setopt(easy, CURLOPT_SHARE, web_detail::SharedCookieStore());
  }
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, noRedirect ? 0L : 1L);
  // A secure request does not follow a redirect down to plain http; a plain
  // one follows to either.
  if (secure) curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "https");
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);

  Text block = currentHeaders;
  CompleteRequestHeaders(block, url, false);
  const Text cookies = sendCookies != nullptr ? *sendCookies : Text();
  if (!cookies.empty()) block += "\r\nCookie: " + cookies;
  if (headers != nullptr) *headers = block;

  HeaderList list;
  std::vector<std::string> sent;
  bool namesAgent = false;
  for (const Text& line : HeaderBlockLines(block)) {
    const Text name = HeaderName(line);
    if (name.empty() || HoldsLineBreak(line)) continue;  // not a header line
    if (EqualsIgnoreCase(name, "User-Agent")) namesAgent = true;
    sent.push_back(HeaderValue(line).empty() ? name + ";" : line);
  }
  if (!namesAgent && !HoldsLineBreak(agent)) sent.push_back("User-Agent: " + agent);
  for (const std::string& line : sent) list.Add(line);
  web_detail::SuppressCurlHeaders(sent, list);
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, list.get());

  Bytes body;
  if (method == 1 || method == 2) {
    if (postBytes != nullptr && postBytes->empty()) *postBytes = postText;
    body = postBytes != nullptr ? *postBytes : postText;
  }
  web_detail::SetVerbAndBody(easy, verb, body);

  TransferResult result;
  if (web_detail::SchemeAllowed(url)) {
    result = web_detail::RunTransfer(easy, handles.multi, web_detail::Limits{60000, 30000},
                                     method == 2 && !body.empty());
  }

  Text responseHeaders = web_detail::RawHeaderBlock(result);
  if (responseHeaders.empty() || responseHeaders.size() >= kWinInetHeaderBufferSize) {
    responseHeaders.assign(kWinInetHeaderBufferSize, ' ');
  }
  responseHeaders = UnifySetCookie(responseHeaders);
  Text newCookies = CollectReturnedCookies(responseHeaders);
  if (sendCookies != nullptr) CookieMerge(*sendCookies, newCookies);
  if (returnedCookies != nullptr) *returnedCookies = newCookies;
  if (returnedHeaders != nullptr) *returnedHeaders = responseHeaders;
  // A transfer that broke off (reset, stall, cancel, body over the cap) gives
  // no body rather than a truncated one.
  return result.ok() ? std::move(result.body) : Bytes();
}

}  // namespace qrh
