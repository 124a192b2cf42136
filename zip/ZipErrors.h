#pragma once
// The exceptions of the archive component. Every one derives from EZipError and
// carries the component's own message text.
#include "core/SysUtils.h"

QUELBO_DECLARE_EXCEPTION(EZipError, Exception);
QUELBO_DECLARE_EXCEPTION(EIncompleteZip, EZipError);
QUELBO_DECLARE_EXCEPTION(ENotAZipFile, EZipError);
QUELBO_DECLARE_EXCEPTION(EBadZipFile, EZipError);
QUELBO_DECLARE_EXCEPTION(EUserCanceled, EZipError);
QUELBO_DECLARE_EXCEPTION(EFatalUnzipError, EZipError);
QUELBO_DECLARE_EXCEPTION(ECantWriteUCF, EZipError);
QUELBO_DECLARE_EXCEPTION(EZCompressionError, EZipError);
QUELBO_DECLARE_EXCEPTION(EBiggerThanUncompressed, EZipError);
// An installation journal left behind that cannot be completed or undone.
QUELBO_DECLARE_EXCEPTION(EInstallJournal, EZipError);
// A member that fails its check in a run that installs all members or none.
QUELBO_DECLARE_EXCEPTION(EMemberCheckFailed, EZipError);

// Message texts, used exactly as they stand.
namespace zipmsg {
inline constexpr const char* kIncomplete = "Incomplete Zip File";
inline constexpr const char* kNotAZip = "Not a valid zip file!";
inline constexpr const char* kAborted = "User Aborted Operation";
inline constexpr const char* kCanceledName = "User canceled setting zip file name.";
inline constexpr const char* kCanceledDest = "User canceled Set Desination Directory";
inline constexpr const char* kCanceledDisk = "User canceled loading new disk.";
inline constexpr const char* kPrematureEnd = "Premature end of file reached";
inline constexpr const char* kCantWrite = "Cant write uncompressed file";
inline constexpr const char* kInflateError = "error";
inline constexpr const char* kTooBig = "File is larger than uncompressed size!";
inline constexpr const char* kIndexOutOfRange = "Index %d is out of range";
inline constexpr const char* kUnknownMethod = "Unknown Compression Method";
inline constexpr const char* kUnknownMethodCaption = "Zip Error";
inline constexpr const char* kOutOfMemory = "*** inflate out of memory ***";
inline constexpr const char* kOutOfMemoryCaption = "Error";
inline constexpr const char* kReplacePrefix = "Replace existing file ";
inline constexpr const char* kReplaceCaption = "File Exists Alert";
inline constexpr const char* kBadFileName = "Invalid file name: ";
inline constexpr const char* kBadFileNameCaption = "Zip Error";
inline constexpr const char* kCannotCreate = "Cannot create file \"%s\". %s";
// A file another program holds (by whom, when the system can tell): the
// installation waits in its journal.
inline constexpr const char* kFileInUse =
    "The file \"%s\" is in use%s and cannot be replaced. Close the program that holds it; the installation is "
    "completed at the next start.";
inline constexpr const char* kCannotCreateDirectory = "Cannot create directory \"%s\". %s";
inline constexpr const char* kCrcError = "CRC error in file %s";
inline constexpr const char* kBadPassword = "Wrong password for file %s";
inline constexpr const char* kUnfinishedJournal = "An unfinished installation waits in \"%s\"";
}  // namespace zipmsg
