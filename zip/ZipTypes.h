#pragma once
// The settings and event types of the archive component.
#include <cstdint>
#include <functional>

#include "core/Classes.h"

enum class TZipSortMode { ByName, ByFileName, ByDirectoryName, ByDate, ByCompressedSize, ByUnCompressedSize, ByRate, ByNone };
enum TIncompleteZipMode { izAssumeMulti, izAssumeBad, izAssumeNotAZip };
enum TOEMConvert { oemAlways, oemNever, oemFlexible };
enum TBlockMode { bmStandard, bmClassic };
enum class TUZOverwriteMode { Prompt, Always, Never, ifNewer, ifOlder };
enum TSkipReason {
  srBadPassword,
  srNoOverwrite,
  srFileOpenError,
  srCreateError,
  srExcludeList,
  srArchiveBitNotSet,
  srNoFileToFreshen,
  srSkippedInStartZip
};
enum TMultiMode { mmNone, mmSpan, mmBlocks };
enum TSplitPartType { spFirst, spMiddle, spLast };

using TInCompleteZipEvent = std::function<void(TObject* Sender, TIncompleteZipMode& IncompleteMode)>;
using TGetNextDiskEvent = std::function<void(TObject* Sender, int NextDisk, AnsiString& FName)>;
using TFileNameForSplitPartEvent =
    std::function<void(TObject* Sender, AnsiString& FName, int PartNum, TSplitPartType SplitType)>;
// Replaces a message box of the component: Msg1 is the text, Msg2 the caption,
// flags the MB_ bits; Return holds the button answer.
using THandleMessageEvent = std::function<void(TObject* Sender, int MessageID, const AnsiString& Msg1,
                                               const AnsiString& Msg2, unsigned flags, int& Return)>;

using TStartUnZipInfoEvent = std::function<void(TObject* Sender, int NumFiles, std::int64_t TotalBytes, bool& StopNow)>;
using TStartUnZipEvent = std::function<void(TObject* Sender, int FileIndex, AnsiString& FName, bool& Skip)>;
using TPromptForOverwriteEvent =
    std::function<void(TObject* Sender, bool& OverWriteIt, int FileIndex, AnsiString& FName)>;
using TSkippingFileEvent =
    std::function<void(TObject* Sender, TSkipReason Reason, const AnsiString& FName, int FileIndex, bool& Retry)>;
using TBadPasswordEvent = std::function<void(TObject* Sender, int FileIndex, AnsiString& NewPassword)>;
using TBadCRCEvent = std::function<void(TObject* Sender, std::uint32_t CalcCRC, std::uint32_t StoredCRC, int FileIndex)>;
using TPercentDoneEvent = std::function<void(TObject* Sender, int Percent)>;
using TEndUnZipEvent = std::function<void(TObject* Sender, int FileIndex, const AnsiString& FName)>;
using TUnZipCompleteEvent = std::function<void(TObject* Sender, int FileCount)>;
using TDecryptEvent =
    std::function<void(TObject* Sender, std::uint8_t* buffer, int length, const AnsiString& Password)>;

// Message ids handed to OnHandleMessage, one per box the component shows.
enum TZipMessageId { zmOverwritePrompt = 1, zmUnknownMethod = 2, zmInflateOutOfMemory = 3, zmBadFileName = 4 };
