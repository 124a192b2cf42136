#pragma once
// The update server of an end-to-end test: nginx on 127.0.0.1 at the port the
// test copy of the updater was built for, run through
// scripts/tools/nginx-fixture.sh with a document root of its own. It serves the version reply as a static
// file and the packages below /packages/; /moved/NAME redirects to
// /packages/NAME. Stopped by its process id when the object goes.
#include <sys/types.h>

#include <string>
#include <vector>

#include "tests/support/TestServers.h"

namespace e2e {

class UpdateServer {
 public:
  explicit UpdateServer(int port);
  ~UpdateServer();
  UpdateServer(const UpdateServer&) = delete;
  UpdateServer& operator=(const UpdateServer&) = delete;

  // Whether something already listens on, or holds, the port of 127.0.0.1.
  static bool PortBusy(int port);

  bool Running() const { return pid_ > 0; }
  const std::string& Failure() const { return failure_; }
  int Port() const { return port_; }
  // "http://127.0.0.1:PORT" + path.
  std::string Url(const std::string& path) const;

  // The body of /version/version.php, byte for byte.
  void SetReply(const std::string& bytes);
  // Serves bytes as /packages/NAME.
  void Publish(const std::string& name, const std::string& bytes);
  // Serves the file at path (linked, or copied where it cannot be) as /packages/NAME.
  void PublishFile(const std::string& name, const std::string& path);
  std::string PackagePath(const std::string& name) const;

  // The paths requested so far, in order, with their status: "200 /version/version.php".
  std::vector<std::string> Requests() const;

  struct LoggedRequest {
    double endSeconds = 0;  // wall clock (seconds since the epoch) when the response was sent
    double seconds = 0;     // from the request's first byte to the response's last
    int status = 0;
    std::string path;
    long long bytes = 0;  // body bytes sent
  };
  std::vector<LoggedRequest> Log() const;

 private:
  void Start();

  int port_;
  testsupport::TempDir root_;
  pid_t pid_ = -1;
  std::string failure_;
};

}  // namespace e2e
