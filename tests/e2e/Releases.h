#pragma once
// Signed releases for the end-to-end tests, made the way a publisher makes
// them: by running quelbo-publish. The test key (tests/e2e/keys) is the one
// quelbo-updater-e2e-signed trusts; other keys are made on the spot.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/TestServers.h"

namespace e2e {

// Runs quelbo-publish with the arguments.
testsupport::CommandResult RunPublish(const std::vector<std::string>& args);

struct ReleaseToSign {
  std::string version = "2.0";
  std::string baseUrl;
  std::string packageFile;  // its file name is the package name in the reply
  std::string program;
  std::int64_t serial = 1;
  std::optional<std::int64_t> expires;  // Unix time; else valid for an hour
};

// A secret key file of its own (owner-only, as quelbo-publish wants it).
class ReleaseKey {
 public:
  // The test key that quelbo-updater-e2e-signed trusts.
  static ReleaseKey TestKey();
  // A new key pair that nothing trusts.
  static ReleaseKey Fresh();

  const std::string& Path() const { return path_; }
  // The reply line quelbo-publish prints for the release (with its line break).
  std::string Sign(const ReleaseToSign& release) const;

 private:
  ReleaseKey();
  std::shared_ptr<testsupport::TempDir> dir_;
  std::string path_;
};

}  // namespace e2e
