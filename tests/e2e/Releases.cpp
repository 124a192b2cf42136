#include "tests/e2e/Releases.h"

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>

namespace e2e {

namespace {

std::string Quoted(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

}  // namespace

PublishRun RunPublish(const std::vector<std::string>& args) {
  std::string command = Quoted(QUELBO_PUBLISH);
  for (const std::string& a : args) command += " " + Quoted(a);
  PublishRun run;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return run;
  char buffer[4096];
  for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, p)) > 0;) run.out.append(buffer, n);
  const int status = pclose(p);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
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
  const PublishRun run = RunPublish(args);
  if (run.status != 0) throw std::runtime_error("quelbo-publish sign failed");
  return run.out;
}

}  // namespace e2e
