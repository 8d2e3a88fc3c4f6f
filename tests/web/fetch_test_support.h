// Small helpers shared by the request-routine tests.
#pragma once

#include <string>
#include <vector>

#include "support/loopback_server.h"

namespace qrh::test {

// The header lines a request carried, without the two a valid request needs
// whoever sends it (Host, Content-Length).
inline std::vector<std::string> CallerLines(const RecordedRequest& request) {
  std::vector<std::string> lines;
  for (const auto& line : request.headerLines) {
    if (line.rfind("Host:", 0) == 0 || line.rfind("Content-Length:", 0) == 0) continue;
    lines.push_back(line);
  }
  return lines;
}

// `pattern` with every "{url}" replaced by url.
inline std::string WithUrl(std::string pattern, const std::string& url) {
  for (std::size_t at; (at = pattern.find("{url}")) != std::string::npos;) {
    pattern.replace(at, 5, url);
  }
  return pattern;
}

inline std::vector<std::string> WithUrl(std::vector<std::string> lines, const std::string& url) {
  for (auto& line : lines) line = WithUrl(line, url);
  return lines;
}

inline std::string Join(const std::vector<std::string>& lines, const std::string& separator) {
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) out += (i ? separator : "") + lines[i];
  return out;
}

}  // namespace qrh::test
