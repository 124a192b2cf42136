// Reading the archive's directory: the end record (with its ZIP64 companions),
// the central headers and the directory view.

#include <vector>

#include "core/UserInterface.h"
#include "platform/Clock.h"
#include "platform/FileHandle.h"
#include "platform/Files.h"
#include "zip/DosDateTime.h"
#include "zip/ZipExtractor.h"
#include "zip/ZipNames.h"

namespace {
// The ".zfc" companion: the archive's path with its extension replaced.
AnsiString CompanionName(const AnsiString& zipName) {
  std::size_t sep = zip::LastSeparator(zip::ToBackslashes(zipName));
  std::size_t dot = zipName.rfind('.');
  if (dot == AnsiString::npos || (sep != AnsiString::npos && dot < sep)) return zipName + ".zfc";
  return zipName.substr(0, dot) + ".zfc";
}

// Effective 64-bit end of a range, or -1 when it overflows.
std::int64_t RangeEnd(std::int64_t start, std::uint64_t length) {
  if (length > static_cast<std::uint64_t>(INT64_MAX - start)) return -1;
  return start + static_cast<std::int64_t>(length);
}
}  // namespace

const TZipHeaderInfo& TZipExtractor::Member(int Index) const {
  if (Index < 0 || Index >= MemberCount()) throw EListError(Format(zipmsg::kIndexOutOfRange, Index));
  return *view_->Items(Index);
}

void TZipExtractor::SetSortMode(TZipSortMode Value) {
  if (Value == sortMode_) return;
  sortMode_ = Value;
  if (list_) BuildView();
}

void TZipExtractor::CheckMessages() {
  if (DoProcessMessages && UserInterface().ProcessMessages) {
    ProcessPendingMessages();
    // A pause can only be lifted by a handler, so it is waited out only while
    // messages are being dispatched.
    while (pause_ && !cancel_) {
      platform::SleepMs(1000);
      ProcessPendingMessages();
    }
  }
  if (cancel_) throw EUserCanceled(zipmsg::kAborted);
}

void TZipExtractor::SetArchiveContent(const void* Content, std::size_t Size) {
  if (Content == content_ && Size == contentSize_) return;
  content_ = Content;
  contentSize_ = Content ? Size : 0;
  DiscardDirectory();
  CloseArchive();
}

std::unique_ptr<TBufferedFileStream> TZipExtractor::OpenArchiveFile(const AnsiString& Name) const {
  if (content_ && Name == zipName_) return std::make_unique<TBufferedFileStream>(Name, content_, contentSize_);
  return std::make_unique<TBufferedFileStream>(Name);
}

std::int64_t TZipExtractor::ArchiveTime() const {
  // Content in memory changes only through SetArchiveContent.
  if (content_) return 0;
  // Nanoseconds and size together: a package replaced within the same two
  // seconds still counts as changed.
  platform::PathStatus st;
  if (!platform::GetPathStatus(platform::ToOsPath(zipName_), st) || st.kind == platform::PathStatus::Missing) return 0;
  return st.modifiedNs ^ (st.size << 1);
}

void TZipExtractor::OpenArchive() {
  if (archive_) return;
  archive_ = OpenArchiveFile(zipName_);
  currentDisk_ = endCentral_.ThisDisk();
}

void TZipExtractor::CloseArchive() {
  archive_.reset();
  companion_.reset();
}

void TZipExtractor::DiscardDirectory() {
  view_ = nullptr;
  sortedView_.reset();
  list_.reset();
  directoryLoaded_ = false;
}

void TZipExtractor::EnsureDirectory() {
  OpenArchive();
  if (directoryLoaded_ && ArchiveTime() == archiveTime_) return;
  ReadDirectory();
}

void TZipExtractor::LoadDirectory() {
  // A handler that keeps answering "assume multi-part" without changing
  // anything would otherwise keep this loop going for ever.
  for (int attempt = 0;; ++attempt) {
    try {
      EnsureDirectory();
      break;
    } catch (const EIncompleteZip&) {
      CloseArchive();
      if (!OnInCompleteZip || attempt >= 100) return;
    } catch (...) {
      DiscardDirectory();
      CloseArchive();
      throw;
    }
  }
  if (!KeepZipOpen) CloseArchive();
}

bool TZipExtractor::FindEndRecord(TBufferedFileStream& s, TEndCentral& end) {
  end.Clear();
  std::int64_t size = s.Size();
  if (size < static_cast<std::int64_t>(zip::kEndCentralSize)) return size == 0;
  std::size_t span = static_cast<std::size_t>(std::min<std::int64_t>(size, zip::kEndSearchSpan));
  std::vector<std::uint8_t> block(span);
  std::int64_t blockStart = size - static_cast<std::int64_t>(span);
  s.SetPosition(blockStart);
  if (s.Read(block.data(), static_cast<std::int64_t>(span)) != static_cast<std::int64_t>(span)) return false;
  for (std::size_t i = span - zip::kEndCentralSize + 1; i-- > 0;) {
    if (block[i] != 'P' || zip::Get32(&block[i]) != zip::kEndCentralSig) continue;
    end.record = zip::EndCentralRecord::Parse(&block[i]);
    end.commentPosition = blockStart + static_cast<std::int64_t>(i + zip::kEndCentralSize);
    if (i >= zip::kZip64LocatorSize &&
        zip::Get32(&block[i - zip::kZip64LocatorSize]) == zip::kZip64LocatorSig) {
      end.zip64Locator =
          std::make_unique<zip::Zip64Locator>(zip::Zip64Locator::Parse(&block[i - zip::kZip64LocatorSize]));
      std::uint8_t raw[zip::kZip64EndSize];
      std::uint64_t at = end.zip64Locator->endRecordOffset;
      if (at < static_cast<std::uint64_t>(size)) {
        s.SetPosition(static_cast<std::int64_t>(at));
        if (s.Read(raw, sizeof raw) == static_cast<std::int64_t>(sizeof raw) && zip::Get32(raw) == zip::kZip64EndSig)
          end.zip64End = std::make_unique<zip::Zip64EndRecord>(zip::Zip64EndRecord::Parse(raw));
      }
    }
    return true;
  }
  return false;
}

bool TZipExtractor::ReadCentralHeader(TBufferedFileStream& s, TZipHeaderInfo& h) {
  std::int64_t start = s.Position();
  std::uint8_t raw[zip::kCentralHeaderSize];
  if (s.Read(raw, sizeof raw) != static_cast<std::int64_t>(sizeof raw) || zip::Get32(raw) != zip::kCentralHeaderSig) {
    s.SetPosition(start);
    return false;
  }
  zip::CentralHeader c = zip::CentralHeader::Parse(raw);
  std::string name(c.nameLength, '\0');
  if (s.Read(name.data(), c.nameLength) != c.nameLength) {
    s.SetPosition(start);
    return false;
  }
  h.versionMadeBy = c.versionMadeBy;
  h.versionNeeded = c.versionNeeded;
  h.flags = c.flags;
  h.compressionMethod = c.method;
  h.dateTime = zip::ClampDosDateTime(c.dateTime);
  h.crc32 = c.crc32;
  h.compressedSize = c.compressedSize;
  h.uncompressedSize = c.uncompressedSize;
  h.centralExtraLength = c.extraLength;
  h.commentLength = c.commentLength;
  h.diskNumberStart = c.diskNumberStart;
  h.internalAttributes = c.internalAttributes;
  h.externalAttributes = c.externalAttributes;
  h.localHeaderOffset = c.localHeaderOffset;
  h.centralHeaderPosition = start;
  h.oemConvert = OEMConvert;
  // The component's code page conversion of MS-DOS names is the identity here
  // (the OEM and ANSI code pages are both 936); UTF-8 names are converted always.
  h.SetName(zip::ToBackslashes(zip::DecodeStoredName(name, c.flags, h.Host())));
  std::int64_t afterName = start + static_cast<std::int64_t>(sizeof raw) + c.nameLength;
  if (c.extraLength) {
    h.extraPosition = afterName;
    std::vector<std::uint8_t> extra(c.extraLength);
    std::int64_t got = s.Read(extra.data(), c.extraLength);
    h.ParseExtraField(extra.data(), static_cast<std::size_t>(std::max<std::int64_t>(got, 0)));
  }
  s.SetPosition(afterName + c.extraLength + c.commentLength);
  return true;
}

void TZipExtractor::ReadCentralEntries(TBufferedFileStream& s, std::uint64_t count, bool matching) {
  TZipHeaderInfo* previous = nullptr;
  for (std::uint64_t i = 0; i < count; ++i) {
    CheckMessages();
    auto h = std::make_unique<TZipHeaderInfo>();
    bool ok = ReadCentralHeader(s, *h);
    if (!ok && previous && previous->centralExtraLength) {
      // The previous header may have declared an extra field it does not have.
      std::int64_t back = previous->centralExtraLength;
      previous->centralExtraLength = 0;
      s.Seek(-back, TSeekOrigin::soCurrent);
      ok = ReadCentralHeader(s, *h);
    }
    if (matching) {
      if (!ok) return;
      if (TZipHeaderInfo* found = list_->FindByOffset(h->DiskStart(), h->LocalHeaderOffset64())) {
        std::uint32_t offset = found->localHeaderOffset;
        std::uint16_t disk = found->diskNumberStart;
        std::unique_ptr<TZip64Values> z64 = found->zip64 ? std::make_unique<TZip64Values>(*found->zip64) : nullptr;
        std::uint16_t localExtra = found->localExtraLength;
        found->Assign(h.get());
        found->localHeaderOffset = offset;
        found->diskNumberStart = disk;
        found->localExtraLength = localExtra;
        found->fromLocalHeaderOnly = false;
        if (z64) {
          found->Zip64().localHeaderOffset = z64->localHeaderOffset;
          found->Zip64().diskStart = z64->diskStart;
        }
      }
      previous = nullptr;
      continue;
    }
    if (!ok || !list_->Add(h.get())) {
      if (ok) h.release();  // the list has freed the duplicate
      if (multiMode_ != mmNone || rebuilt_) throw EBadZipFile(zipmsg::kNotAZip);
      if (!RebuildFromLocalHeaders()) {
        DiscardDirectory();
        throw EBadZipFile(zipmsg::kNotAZip);
      }
      TBufferedFileStream& a = *archive_;
      a.SetPosition(static_cast<std::int64_t>(endCentral_.CentralOffset()));
      ReadCentralEntries(a, endCentral_.TotalEntries(), true);
      return;
    }
    previous = h.release();
  }
}

void TZipExtractor::ReadDirectory() {
  archiveTime_ = ArchiveTime();
  DiscardDirectory();
  rebuilt_ = false;
  TBufferedFileStream* source = archive_.get();
  bool found = FindEndRecord(*archive_, endCentral_);
  if (found && endCentral_.ThisDisk() < endCentral_.CentralStartDisk()) found = false;
  if (!found) {
    AnsiString zfc = CompanionName(zipName_);
    if (platform::FileExists(zfc)) {
      companion_ = std::make_unique<TBufferedFileStream>(zfc);
      if (FindEndRecord(*companion_, endCentral_)) {
        found = true;
        source = companion_.get();
      } else {
        companion_.reset();
      }
    }
  }
  list_ = std::make_unique<TSortedZip>(TZipSortMode::ByNone, TDuplicates::dupError, true);
  if (!found) {
    endCentral_.Clear();
    TIncompleteZipMode mode = IncompleteZipMode;
    if (OnInCompleteZip) {
      OnInCompleteZip(this, mode);
      IncompleteZipMode = mode;
    }
    if (mode == izAssumeNotAZip) throw ENotAZipFile(zipmsg::kNotAZip);
    if (mode == izAssumeMulti) throw EIncompleteZip(zipmsg::kIncomplete);
    multiMode_ = mmNone;
    if (!RebuildFromLocalHeaders()) {
      DiscardDirectory();
      throw EBadZipFile(zipmsg::kNotAZip);
    }
    archive_->SetPosition(static_cast<std::int64_t>(endCentral_.CentralOffset()));
    ReadCentralEntries(*archive_, endCentral_.TotalEntries(), true);
  } else {
    // Removable drives do not exist on this platform, so a multi-part archive
    // is always a set of split files.
    multiMode_ = endCentral_.ThisDisk() == 0 ? mmNone : mmBlocks;
    currentDisk_ = endCentral_.ThisDisk();
    std::uint64_t entries = endCentral_.TotalEntries();
    if (entries > 0) {
      std::uint64_t offset = 0;
      if (!companion_) {
        OpenDisk(endCentral_.CentralStartDisk());
        source = archive_.get();
        offset = endCentral_.CentralOffset();
      }
      source->SetPosition(offset > static_cast<std::uint64_t>(INT64_MAX) ? INT64_MAX : static_cast<std::int64_t>(offset));
      ReadCentralEntries(*source, entries, false);
    }
  }
  companion_.reset();
  BuildView();
  directoryLoaded_ = true;
}

void TZipExtractor::BuildView() {
  sortedView_.reset();
  if (!list_) {
    view_ = nullptr;
    return;
  }
  if (sortMode_ == TZipSortMode::ByNone) {
    view_ = list_.get();
    return;
  }
  sortedView_ = std::make_unique<TSortedZip>(sortMode_, TDuplicates::dupAccept, false);
  for (int i = 0; i < list_->Count(); ++i) sortedView_->Add(list_->Items(i));
  view_ = sortedView_.get();
}

AnsiString TZipExtractor::ZipComment() {
  if (endCentral_.commentLoaded) return endCentral_.comment;
  if (!directoryLoaded_ || endCentral_.record.commentLength == 0) return {};
  std::unique_ptr<TBufferedFileStream> file = OpenArchiveFile(zipName_);
  TBufferedFileStream& s = *file;
  s.SetPosition(endCentral_.commentPosition);
  AnsiString c(endCentral_.record.commentLength, '\0');
  c.resize(static_cast<std::size_t>(std::max<std::int64_t>(0, s.Read(c.data(), static_cast<std::int64_t>(c.size())))));
  endCentral_.comment = c;
  endCentral_.commentLoaded = true;
  return c;
}

AnsiString TZipExtractor::Comment(int Index) {
  const TZipHeaderInfo& h = Member(Index);
  if (h.commentLength == 0 || multiMode_ != mmNone || rebuilt_) return {};
  // The stored name and extra lengths are re-read: the decoded name may differ in length.
  std::unique_ptr<TBufferedFileStream> file = OpenArchiveFile(zipName_);
  TBufferedFileStream& s = *file;
  s.SetPosition(h.centralHeaderPosition);
  std::uint8_t raw[zip::kCentralHeaderSize];
  if (s.Read(raw, sizeof raw) != static_cast<std::int64_t>(sizeof raw)) return {};
  zip::CentralHeader c = zip::CentralHeader::Parse(raw);
  std::int64_t at = RangeEnd(h.centralHeaderPosition, sizeof raw + c.nameLength + c.extraLength);
  if (at < 0) return {};
  s.SetPosition(at);
  AnsiString text(c.commentLength, '\0');
  text.resize(static_cast<std::size_t>(std::max<std::int64_t>(0, s.Read(text.data(), c.commentLength))));
  return text;
}
