// Owner-only files on Windows: a protected access list that grants the file's
// owner alone, and a look through the list of an existing file for anyone
// else who is granted reading.
#include "platform/OwnerOnlyFiles.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <cerrno>

#include "platform/win32/Win32Text.h"

namespace platform {
namespace {

// The SIDs that may read every file anyway.
bool IsOwnerOrSystem(PSID sid, PSID owner) {
  if (owner && EqualSid(sid, owner)) return true;
  return IsWellKnownSid(sid, WinLocalSystemSid) || IsWellKnownSid(sid, WinBuiltinAdministratorsSid) ||
         IsWellKnownSid(sid, WinCreatorOwnerSid);
}

// The SID of the user this process runs as, in its text form.
std::wstring CurrentUserSid() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::wstring text;
  std::string buffer(size, '\0');
  if (size && GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
    wchar_t* sid = nullptr;
    if (ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &sid)) {
      text = sid;
      LocalFree(sid);
    }
  }
  CloseHandle(token);
  return text;
}

}  // namespace

FileHandle CreateOwnerOnlyFile(const std::string& osPath) {
  const std::wstring user = CurrentUserSid();
  if (user.empty()) {
    win32::SetErrnoFromLastError();
    return kNoFile;
  }
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  // Protected (no inherited entries), full access for this user alone.
  const std::wstring sddl = L"D:P(A;;FA;;;" + user + L")";
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr)) {
    win32::SetErrnoFromLastError();
    return kNoFile;
  }
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
  HANDLE h = CreateFileW(win32::WidePath(osPath).c_str(), GENERIC_WRITE, 0, &attributes, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) win32::SetErrnoFromLastError();
  LocalFree(descriptor);
  return h == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<FileHandle>(h);
}

bool OthersMayRead(FileHandle file, bool& mayRead) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD rc = GetSecurityInfo(reinterpret_cast<HANDLE>(file), SE_FILE_OBJECT,
                                   OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr, &dacl,
                                   nullptr, &descriptor);
  if (rc != ERROR_SUCCESS) {
    errno = win32::ErrnoFromWindowsError(rc);
    return false;
  }
  // No access list at all lets everyone in.
  mayRead = dacl == nullptr;
  for (DWORD i = 0; dacl && i < dacl->AceCount && !mayRead; ++i) {
    void* ace = nullptr;
    if (!GetAce(dacl, i, &ace)) continue;
    const auto* header = static_cast<ACE_HEADER*>(ace);
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
    const auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    const ACCESS_MASK reading = FILE_READ_DATA | GENERIC_READ | GENERIC_ALL;
    PSID sid = const_cast<DWORD*>(&allowed->SidStart);
    if ((allowed->Mask & reading) && !IsOwnerOrSystem(sid, owner)) mayRead = true;
  }
  LocalFree(descriptor);
  return true;
}

}  // namespace platform
