#include "tests/e2e/Releases.h"

#include <sys/stat.h>

#include <stdexcept>

namespace e2e {

testsupport::CommandResult RunPublish(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {QUELBO_PUBLISH};
  argv.insert(argv.end(), args.begin(), args.end());
  return testsupport::RunCommand(argv);
}

ReleaseKey::ReleaseKey() : dir_(std::make_shared<testsupport::TempDir>()), path_(*dir_ / "release.secret") {}

ReleaseKey ReleaseKey::TestKey() {
  ReleaseKey key;
  testsupport::WriteFile(key.path_, testsupport::ReadFile(testsupport::SourceDir() + "/tests/e2e/keys/test-release.secret"));
  chmod(key.path_.c_str(), 0600);
  return key;
}

ReleaseKey ReleaseKey::Fresh() {
  ReleaseKey key;
  if (RunPublish({"keygen", key.path_}).status != 0) throw std::runtime_error("quelbo-publish keygen failed");
  return key;
}

std::string ReleaseKey::Sign(const ReleaseToSign& r) const {
  std::vector<std::string> args = {"sign",      "--key",         path_,       "--version", r.version,
                                   "--base-url", r.baseUrl,       "--package", r.packageFile, "--program",
                                   r.program,   "--serial",      std::to_string(r.serial)};
  if (r.expires) args.insert(args.end(), {"--expires", std::to_string(*r.expires)});
  else args.insert(args.end(), {"--valid", "1h"});
  const testsupport::CommandResult run = RunPublish(args);
  if (run.status != 0) throw std::runtime_error("quelbo-publish sign failed");
  return run.out;
}

}  // namespace e2e
