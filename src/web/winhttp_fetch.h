// WinHttpFetch: one HTTP(S) request with a completed default header block,
// cookies carried both ways, certificate errors ignored.
//
// Arguments follow the order and defaults of the WinHttp request routine the
// program has always used. Out and in/out arguments are pointers to the
// caller's variables; a null pointer means the argument was omitted. The
// routine never throws and never shows anything: a failed request gives empty
// bytes, empty header texts and status 0.
//
// Only http and https addresses are fetched, for the first request and for
// every redirect. A body of more than 64 MiB fails the request. A request made
// under a FetchCancelScope returns promptly once its token is cancelled.
#pragma once

#include <memory>

#include "text/text.h"

namespace qrh {

// A request object that the caller keeps and passes to several calls, one at
// a time; it may keep its connection to the server alive between calls.
// Calls on one object from several threads are serialised.
class WinHttpRequestObject {
 public:
  WinHttpRequestObject();
  ~WinHttpRequestObject();
  WinHttpRequestObject(const WinHttpRequestObject&) = delete;
  WinHttpRequestObject& operator=(const WinHttpRequestObject&) = delete;

  struct Handles;
  Handles& handles() { return *handles_; }

 private:
  std::unique_ptr<Handles> handles_;
};

// method: 0 GET, 1 POST, 2 HEAD (anything else GET).
// timeoutSeconds: -1 keeps the platform's timeouts (60 s connect, 30 s stall),
// below 1 means 15 s, n means n s; it bounds resolving plus connecting, and any
// stall of sending or receiving, not a download that keeps moving.
// proxyCredentialTarget: 1 the credentials are for the proxy, 0 for the server.
Bytes WinHttpFetch(const Text& url, int method = 0, const Text& postText = {},
                   Text* sendCookies = nullptr, Text* returnedCookies = nullptr,
                   Text* headers = nullptr, Text* returnedHeaders = nullptr,
                   int* status = nullptr, bool noRedirect = false,
                   const Bytes& postBytes = {}, const Text& proxy = {},
                   int timeoutSeconds = 0, const Text& proxyUser = {},
                   const Text& proxyPassword = {}, int proxyCredentialTarget = 1,
                   WinHttpRequestObject* requestObject = nullptr);

}  // namespace qrh
