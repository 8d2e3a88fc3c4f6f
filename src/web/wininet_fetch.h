// WinInetFetch: one HTTP(S) request with per-call connections, the agent rule,
// the four-line default header block and the raw response header block.
//
// Arguments follow the order of the WinINet request routine the program has
// always used. Out and in/out arguments are pointers to the caller's
// variables; a null pointer means the argument was omitted. For sendCookies
// that matters: when it is omitted the process-wide cookie store receives the
// cookies servers set and sends them on later calls to the same site (from any
// thread); when it is given, even empty, the store is not used and the merged
// cookie text comes back in it.
//
// Certificates are verified for https. Only http and https addresses are
// fetched, redirects included; a body of more than 64 MiB, a cancelled
// request (FetchCancelScope) or a broken transfer gives empty bytes. The
// routine never throws and never shows anything.
#pragma once

#include "text/text.h"

namespace qrh {

// Size of the response header buffer: returnedHeaders is this many spaces
// when there was no response or its header block would not fit.
constexpr int kWinInetHeaderBufferSize = 5000;

// method: 0 GET, 1 POST, 2 HEAD (anything else GET). GET sends no body; POST
// and HEAD send postBytes, which first receives postText's bytes when empty.
Bytes WinInetFetch(const Text& url, int method = 0, const Text& postText = {},
                   Text* sendCookies = nullptr, Text* returnedCookies = nullptr,
                   Text* headers = nullptr, Text* returnedHeaders = nullptr,
                   bool noRedirect = false, Bytes* postBytes = nullptr,
                   const Text& proxy = {});

}  // namespace qrh
