#include "app/update/Processes.h"

#include "app/update/Installation.h"
#include "app/update/PathText.h"
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
    const bool matches =
        UpperCaseAsciiOnly(FileNamePart(p.exeName)) == wanted || UpperCaseAsciiOnly(p.exeName) == wanted;
    if (matches) result = platform::KillProcess(p.pid) ? 1 : 0;
  }
  return result;
}

Result<> StartProgramFile(const AnsiString& Path) {
  int error = 0;
  if (platform::StartDetached(Path, &error)) return {};
  return Refused{platform::ErrorText(error)};
}

Result<> RunAppFile(const UpdateEnvironment& Env, const AnsiString& Name) {
  return Env.startProgram(InstalledPath(Env.appDir, Name));
}
