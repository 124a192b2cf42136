// The update procedure's road to a package of which only the changed
// members are fetched.
#include <algorithm>
#include <climits>

#include "app/update/Installation.h"
#include "app/update/InstalledFiles.h"
#include "app/update/PackageDownload.h"
#include "app/update/PackagesLeft.h"
#include "app/update/PartialFetch.h"
#include "app/update/UpdateJob.h"
#include "app/update/VersionReply.h"
#include "http/HttpClient.h"
#include "http/MessagePump.h"
#include "platform/Clock.h"
#include "platform/Files.h"

Result<> UpdateJob::FetchArchive(const AnsiString& URL, const AnsiString& PackageName, const ReleaseTerms& Terms) {
  partial_.reset();
  // A package's digest can be shown only by the whole package, unless a
  // signed index vouches for each member. Where no installation of ours is
  // recorded, nothing is known to be there and the road would only cost a
  // request.
  const bool open = env_.partialPackages && (!Terms.sha256 || Terms.index) &&
                    platform::FileExists(env_.appDir + kInstalledRecordName) && IsPlainFileName(PackageName) &&
                    PackageNameIsFree(PackageName).Ok() && RecordPackageLeft(env_.appDir, PackageName).Ok();
  if (open) {
    package_.reset();
    tools_.download.SetMaxBodyLength(INT64_MAX);
    TPartialOptions options;
    options.signedIndex = Terms.index;
    // A wait between attempts lets the window run, and ends when it is closed.
    options.wait = [this](std::int64_t ms) {
      if (env_.sleep) {
        env_.sleep(ms);
        return !fetches_.Cancelled();
      }
      const std::uint64_t end = platform::TickCount() + static_cast<std::uint64_t>(ms);
      for (std::uint64_t now = platform::TickCount(); now < end && !fetches_.Cancelled(); now = platform::TickCount()) {
        platform::SleepMs(static_cast<std::uint32_t>(std::min<std::uint64_t>(125, end - now)));
        TMessagePump::DispatchPoint(true);
      }
      return !fetches_.Cancelled();
    };
    // The display is told at steps of a two-hundredth, and at the end.
    std::int64_t shown = -1;
    std::optional<TPartialPackage> fetched = FetchChangedMembers(
        tools_.download, URL, Installed(PackageName), env_.appDir,
        [&](std::int64_t done, std::int64_t planned) {
          if (shown >= 0 && done != planned && done - shown < planned / 200) return;
          shown = done;
          view_.ShowDownload(done, planned);
        },
        options);
    if (fetched) {
      view_.DownloadComplete();
      partial_ = std::make_unique<TPartialPackage>(std::move(*fetched));
      return {};
    }
    ForgetPackageLeft(env_.appDir, PackageName);
  }
  return DownloadPackage(URL, PackageName, Terms);
}
