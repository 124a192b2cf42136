// Updates that fetch only what changed, beside whole updates, in one run:
// an installation of many files where version 2 changes 1 % of them is
// updated once by fetching the changed members and once by fetching the
// whole package; then the same version is installed where nothing is
// installed, by both roads. For each pair: the package bytes nginx sent
// (from its log) and the update's time, as ratios of the partial road to the
// whole one; and for the partial update, the bytes sent against the changed
// members' bytes in the package (goal at most 1.05 plus the package's end).
// A third copy is updated by a release signed by quelbo-publish, with its
// index, which checks every member fetched or left alone by its SHA-256.
//
//   update_partial_bench [files, default 2000] [MB in all, default 1000]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/update/PartialPlan.h"
#include "app/update/UpdateJob.h"
#include "http/HttpClient.h"
#include "http/MessagePump.h"
#include "tests/support/TestServers.h"
#include "zip/ZipExtractor.h"

namespace fs = std::filesystem;

namespace {

double Seconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// A view that answers yes and keeps only how the update ended.
class QuietView : public UpdateView {
 public:
  void ShowStatus(const AnsiString&) override {}
  void CatchUp() override {}
  void ShowDownload(std::int64_t, std::int64_t) override {}
  void DownloadComplete() override {}
  void Tell(UpdateNotice Notice) override { installed = Notice == UpdateNotice::kInstalled; }
  void ShowFailure(UpdateFailure, const AnsiString& Why) override { failure = Why; }
  bool AskYesNo(const AnsiString&, const AnsiString&) override { return true; }
  bool WasClosed() override { return false; }
  void Ended(UpdateEnd) override {}
  bool installed = false;
  std::string failure;
};

void WriteNoise(const std::string& path, std::size_t size, unsigned seed) {
  std::mt19937_64 random(seed);
  std::vector<std::uint64_t> words(size / 8 + 1);
  for (auto& w : words) w = random();
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(words.data()), static_cast<std::streamsize>(size));
}

long long SentFor(const testsupport::NginxServer& nginx, std::size_t from, const std::string& uri) {
  std::istringstream log(nginx.RangeLog().substr(from));
  std::string status, path, range;
  long long bytes = 0, total = 0;
  while (log >> status >> path >> bytes >> range)
    if (path == uri) total += bytes;
  return total;
}

struct Outcome {
  double seconds = 0;
  long long sent = 0;
};

// Updates the installation in dir to version 2 by the road asked for,
// holding the publisher's key PublicKey when there is one.
Outcome Update(const testsupport::NginxServer& nginx, const std::string& dir, bool partial,
               const std::string& publicKey = "") {
  std::ofstream(dir + "/xconfig.ini") << "[version]\r\nver=1.0\r\n";
  UpdateEnvironment env = SystemEnvironment(dir + "/", "127.0.0.1:" + std::to_string(nginx.Port()), publicKey);
  env.online = [] { return true; };
  env.killProcessByName = [](const AnsiString&) { return 0; };
  env.partialPackages = partial;
  THttpClient query(nullptr), download(nullptr);
  TZipExtractor zip(nullptr);
  TMessagePump pump(nullptr);
  QuietView view;
  const std::size_t mark = nginx.RangeLog().size();
  // Each starts with nothing of an earlier one's writes still to reach the disk.
  std::system("sync");
  const double start = Seconds();
  UpdateJob(env, {query, download, zip, pump}, view).Run();
  Outcome out;
  out.seconds = Seconds() - start;
  out.sent = SentFor(nginx, mark, "/v2.zip");
  if (!view.installed) {
    std::fprintf(stderr, "the update failed: %s\n", view.failure.c_str());
    std::exit(1);
  }
  return out;
}

int Run(const std::string& cmd) { return std::system(cmd.c_str()); }

// The last line quelbo-publish printed for Args, or nothing when it failed.
std::string Publish(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {QUELBO_PUBLISH};
  argv.insert(argv.end(), args.begin(), args.end());
  const testsupport::CommandResult run = testsupport::RunCommand(argv);
  if (run.status != 0) return {};
  std::string out = run.out;
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out.substr(out.find_last_of('\n') + 1);
}

}  // namespace

int main(int argc, char** argv) {
  const int files = argc > 1 ? std::atoi(argv[1]) : 2000;
  const double totalMb = argc > 2 ? std::atof(argv[2]) : 1000;
  const std::size_t fileSize = static_cast<std::size_t>(totalMb * 1024 * 1024 / files);
  testsupport::TempDir work, docroot;
  const std::string v1 = work / "v1", v2 = work / "v2";

  // Version 1; version 2 changes every hundredth file.
  std::vector<std::string> changed;
  for (int i = 0; i < files; ++i) {
    const std::string name = "data/" + std::to_string(i / 100) + "/file" + std::to_string(i) + ".bin";
    WriteNoise(v1 + "/" + name, fileSize, static_cast<unsigned>(i));
    if (i % 100 == 50) changed.push_back(name);
  }
  Run("cp -a '" + v1 + "' '" + v2 + "'");
  for (std::size_t i = 0; i < changed.size(); ++i)
    WriteNoise(v2 + "/" + changed[i], fileSize, 100000 + static_cast<unsigned>(i));
  // Stored: the content does not compress, and the package is made quickly.
  if (Run("cd '" + v1 + "' && zip -q -0 -r '" + docroot / "v1.zip" + "' data") != 0 ||
      Run("cd '" + v2 + "' && zip -q -0 -r '" + docroot / "v2.zip" + "' data") != 0)
    return 1;
  const std::string package = docroot / "v2.zip";
  const long long packageBytes = static_cast<long long>(fs::file_size(package));

  // The changed members' bytes in the package, from its own directory.
  long long changedBytes = 0, endBytes = 0;
  {
    TZipExtractor reader(nullptr);
    reader.DoProcessMessages = false;
    reader.SetZipName(package);
    reader.LoadDirectory();
    std::vector<TPackageMember> members = PackageMembers(reader);
    std::sort(members.begin(), members.end(), [](auto& a, auto& b) { return a.offset < b.offset; });
    const long long directory = static_cast<long long>(reader.EndCentral().CentralOffset());
    endBytes = packageBytes - directory;
    for (std::size_t i = 0; i < members.size(); ++i)
      if (std::find(changed.begin(), changed.end(), members[i].name) != changed.end())
        changedBytes += (i + 1 < members.size() ? members[i + 1].offset : directory) - members[i].offset;
  }

  testsupport::NginxServer nginx(docroot.Path());
  testsupport::WriteFile(docroot / "version/version.php",
                         "2.0|http://127.0.0.1:" + std::to_string(nginx.Port()) + "/|v2.zip|");

  // Two installations of version 1 with their records, made by unpacking
  // the package by the whole road, and two empty ones.
  const std::string a = work / "a", b = work / "b", c = work / "c", d = work / "d";
  for (const std::string& dir : {a, b, c, d}) fs::create_directories(dir);
  testsupport::WriteFile(docroot / "version/version.php",
                         "1.5|http://127.0.0.1:" + std::to_string(nginx.Port()) + "/|v1.zip|");
  {
    // Installed through the updater, so that the record of the files is its own.
    std::ofstream(a + "/xconfig.ini") << "[version]\r\nver=1.0\r\n";
    UpdateEnvironment env = SystemEnvironment(a + "/", "127.0.0.1:" + std::to_string(nginx.Port()), "");
    env.online = [] { return true; };
    env.killProcessByName = [](const AnsiString&) { return 0; };
    THttpClient query(nullptr), download(nullptr);
    TZipExtractor zip(nullptr);
    TMessagePump pump(nullptr);
    QuietView view;
    UpdateJob(env, {query, download, zip, pump}, view).Run();
    if (!view.installed) return 1;
  }
  const std::string e = work / "e";
  Run("rm -rf '" + b + "' && cp -a '" + a + "' '" + b + "' && cp -a '" + a + "' '" + e + "'");
  testsupport::WriteFile(docroot / "version/version.php",
                         "2.0|http://127.0.0.1:" + std::to_string(nginx.Port()) + "/|v2.zip|");

  const Outcome partial = Update(nginx, a, true);
  const Outcome whole = Update(nginx, b, false);

  // The signed release: the publisher's index beside the package, its
  // digest in the signed reply.
  const std::string keyFile = work / "release.key";
  const std::string publicKey = Publish({"keygen", keyFile});
  const std::string signedReply = Publish({"sign", "--key", keyFile, "--version", "2.0", "--base-url",
                                           "http://127.0.0.1:" + std::to_string(nginx.Port()) + "/", "--package",
                                           package, "--program", "", "--serial", "1", "--valid", "1d"});
  if (publicKey.empty() || signedReply.find("index=") == std::string::npos) {
    std::fprintf(stderr, "quelbo-publish did not sign the release with an index\n");
    return 1;
  }
  testsupport::WriteFile(docroot / "version/version.php", signedReply);
  const Outcome signedPartial = Update(nginx, e, true, publicKey);
  testsupport::WriteFile(docroot / "version/version.php",
                         "2.0|http://127.0.0.1:" + std::to_string(nginx.Port()) + "/|v2.zip|");
  // Where nothing is installed both roads are one; they run in turns, in
  // both orders, and the faster of each counts, so that what one run leaves
  // the disk to do does not fall on the other.
  Outcome wholeEmpty, partialEmpty;
  for (int round = 0; round < 4; ++round) {
    const bool partialFirst = round % 2 == 1;
    for (const bool partialRoad : {partialFirst, !partialFirst}) {
      const std::string dir = partialRoad ? c : d;
      fs::remove_all(dir);
      fs::create_directories(dir);
      const Outcome o = Update(nginx, dir, partialRoad);
      Outcome& best = partialRoad ? partialEmpty : wholeEmpty;
      if (round == 0 || o.seconds < best.seconds) best = o;
    }
  }
  if (Run("diff -r -q '" + a + "' '" + b + "' > /dev/null") != 0 ||
      Run("diff -r -q -x xconfig.ini '" + a + "' '" + e + "' > /dev/null") != 0) {
    std::fprintf(stderr, "the two roads left different installations\n");
    return 1;
  }

  std::printf("%d files, %.0f MB package, %zu changed (%.2f MB of members), directory and end %.2f MB\n", files,
              packageBytes / 1048576.0, changed.size(), changedBytes / 1048576.0, endBytes / 1048576.0);
  std::printf("%-24s %12s %10s %14s %12s\n", "", "sent MB", "seconds", "sent/changed", "vs whole");
  std::printf("%-24s %12.2f %10.2f %14.3f %12s\n", "partial, installed", partial.sent / 1048576.0, partial.seconds,
              static_cast<double>(partial.sent) / static_cast<double>(changedBytes), "");
  std::printf("%-24s %12.2f %10.2f %14s %12s\n", "whole, installed", whole.sent / 1048576.0, whole.seconds, "", "");
  std::printf("%-24s %12.2f %10.2f %14.3f %12.3f\n", "partial, signed", signedPartial.sent / 1048576.0,
              signedPartial.seconds, static_cast<double>(signedPartial.sent) / static_cast<double>(changedBytes),
              signedPartial.seconds / whole.seconds);
  std::printf("  the signed road also fetched its index: %.2f MB\n", fs::file_size(package + ".idx") / 1048576.0);
  std::printf("  sent beyond the changed members: %.3f of the directory and end (the first range is 64 KB at least)\n",
              static_cast<double>(partial.sent - changedBytes) / static_cast<double>(endBytes));
  std::printf("  time ratio partial/whole: %.3f (goal <= 0.1); bytes ratio %.4f\n", partial.seconds / whole.seconds,
              static_cast<double>(partial.sent) / static_cast<double>(whole.sent));
  std::printf("%-24s %12.2f %10.2f\n", "partial, nothing there", partialEmpty.sent / 1048576.0, partialEmpty.seconds);
  std::printf("%-24s %12.2f %10.2f\n", "whole, nothing there", wholeEmpty.sent / 1048576.0, wholeEmpty.seconds);
  std::printf("  time ratio: %.3f (goal ~1); bytes ratio %.4f\n", partialEmpty.seconds / wholeEmpty.seconds,
              static_cast<double>(partialEmpty.sent) / static_cast<double>(wholeEmpty.sent));
  return 0;
}
