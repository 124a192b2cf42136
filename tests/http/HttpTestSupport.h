#pragma once
// Shared pieces of the HTTP tests: a work-event recorder and script building.
#include <string>
#include <vector>

#include "http/HttpClient.h"
#include "tests/support/TestServers.h"

namespace httptest {

// Records the work events of a client as short texts: "begin 70000",
// "work 1000", "end".
struct WorkLog {
  std::vector<std::string> events;
  void Attach(THttpClient& c) {
    c.OnWorkBegin = [this](TObject*, TWorkMode m, std::int32_t max) {
      if (m == wmRead) events.push_back("begin " + std::to_string(max));
    };
    c.OnWork = [this](TObject*, TWorkMode m, std::int32_t n) {
      if (m == wmRead) events.push_back("work " + std::to_string(n));
    };
    c.OnWorkEnd = [this](TObject*, TWorkMode m) {
      if (m == wmRead) events.push_back("end");
    };
  }
};

inline std::string Lines(std::initializer_list<std::string> lines) {
  std::string s;
  for (const std::string& l : lines) s += l + "\n";
  return s;
}

// A script that accepts one connection, reads one request and sends Response
// (escapes as in the script format), then closes.
inline std::string OneResponse(const std::string& response, bool close = true) {
  return Lines({"accept", "expect-request", "send " + response, close ? "close" : "hold 3000"});
}

inline std::string Body(TMemoryStream& s) {
  return std::string(static_cast<const char*>(s.Memory()), static_cast<std::size_t>(s.Size()));
}

}  // namespace httptest
