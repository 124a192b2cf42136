// Support operations on processes: ending the game launcher, starting a program.
#include "app/PathText.h"
#include "app/Unit2.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Processes.h"

namespace {

// Only the bytes "a" to "z" change: both bytes of a double-byte character
// stay as they are, even where one looks like a lower-case letter.
AnsiString UpperCaseAsciiOnly(AnsiString s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    auto c = static_cast<unsigned char>(s[i]);
    if (platform::IsCp936LeadByte(c)) ++i;
    else if (c >= 'a' && c <= 'z') s[i] = static_cast<char>(c - 'a' + 'A');
  }
  return s;
}

AnsiString FileNamePart(const AnsiString& path) {
  std::size_t cut = LastSeparator(path, "\\:/");
  return cut == AnsiString::npos ? path : path.substr(cut + 1);
}

}  // namespace

int KillProcessByName(const AnsiString& ExeName) {
  const AnsiString wanted = UpperCaseAsciiOnly(ExeName);
  int result = 0;
  for (const platform::ProcessEntry& p : platform::ListProcesses()) {
    const bool matches = UpperCaseAsciiOnly(FileNamePart(p.exeName)) == wanted ||
                         UpperCaseAsciiOnly(p.exeName) == wanted;
    if (matches) result = platform::KillProcess(p.pid) ? 1 : 0;
  }
  return result;
}

bool RunAppFile(const AnsiString& Name, AnsiString* Why) {
  int error = 0;
  const bool started = platform::StartDetached(InstalledPath(Name), &error);
  if (Why) *Why = started ? AnsiString() : AnsiString(platform::ErrorText(error));
  return started;
}
