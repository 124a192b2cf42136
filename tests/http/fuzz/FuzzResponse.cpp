// Fuzz entry for a whole response as the client reads it: status line,
// header block, cookies, and the body framed by Content-Length, chunks or the
// close of the connection. The input is what the server sends; it waits in
// one end of a socket pair whose sending side is then shut, so every read
// ends without waiting. The body goes to memory, where room is made only for
// bytes that came. Built with FUZZ_PARTIAL, the request asks for the rest of
// a body from byte 5, so the answer goes through the checks of a partial
// response.
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>

#include "http/HttpClient.h"
#include "http/HttpErrors.h"

namespace {

class ScriptedClient : public THttpClient {
 public:
  ScriptedClient(const std::uint8_t* data, std::size_t size) : THttpClient(nullptr), data_(data), size_(size) {}
  ~ScriptedClient() override {
    Disconnect();
    if (server_ >= 0) ::close(server_);
  }
  // Connects to a server that has already said everything it will say.
  void Connect() override {
    if (Connected()) return;
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) std::abort();
    NewSocket().Adopt(pair[0]);
    server_ = pair[1];
    for (std::size_t done = 0; done < size_;) {
      const ssize_t n = ::send(server_, data_ + done, size_ - done, MSG_NOSIGNAL);
      if (n <= 0) std::abort();  // -max_len keeps the input within the pair's buffer
      done += static_cast<std::size_t>(n);
    }
    ::shutdown(server_, SHUT_WR);
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  int server_ = -1;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ScriptedClient client(data, size);
  TMemoryStream body;  // as the updater receives its reply and package
#ifdef FUZZ_PARTIAL
  client.Request().ContentRangeStart = 5;
  client.Request().IfRange = "\"e\"";
#endif
  try {
    client.Get("http://example.test/version/version.php", body);
  } catch (const Exception&) {
  }
#ifdef FUZZ_PARTIAL
  // Whatever came, the body never holds more than the part a range names.
  if (client.ResponseCode() == 206 && client.Response().ContentRange &&
      body.Size() > client.Response().ContentRange->Length())
    __builtin_trap();
#endif
  return 0;
}
