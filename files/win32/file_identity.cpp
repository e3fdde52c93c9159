// SPDX-License-Identifier: MIT
#include "files/win32/file_identity.h"

#include "files/win32/handle.h"

#include <aclapi.h>

#include <vector>

namespace mrfyc::win32 {

namespace {

// The SID the process token holds under kind (TokenUser or TokenOwner) equals sid.
bool TokenNames(TOKEN_INFORMATION_CLASS kind, PSID sid)
{
    HANDLE rawToken = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &rawToken))
        return false;
    const Handle token(rawToken);
    // Pointer-aligned, as the structures it holds need.
    std::vector<void *> buffer((sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE) / sizeof(void *) + 1);
    DWORD size = 0;
    if (!::GetTokenInformation(token.Get(), kind, buffer.data(),
                               static_cast<DWORD>(buffer.size() * sizeof(void *)), &size))
        return false;
    const PSID held = kind == TokenUser ? reinterpret_cast<TOKEN_USER *>(buffer.data())->User.Sid
                                        : reinterpret_cast<TOKEN_OWNER *>(buffer.data())->Owner;
    return ::EqualSid(held, sid) != 0;
}

// A volume that cannot say is taken to keep them.
bool KeepsNoOwners(HANDLE file)
{
    DWORD flags = 0;
    return ::GetVolumeInformationByHandleW(file, nullptr, 0, nullptr, nullptr, &flags, nullptr,
                                           0) &&
           !(flags & FILE_PERSISTENT_ACLS);
}

} // namespace

std::uint64_t FileIndex(const BY_HANDLE_FILE_INFORMATION &info)
{
    return (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
}

std::optional<std::wstring> PathOnVolume(HANDLE file)
{
    std::vector<DWORD> buffer((sizeof(FILE_NAME_INFO) + 32768 * sizeof(WCHAR)) / sizeof(DWORD));
    if (!::GetFileInformationByHandleEx(file, FileNameInfo, buffer.data(),
                                        static_cast<DWORD>(buffer.size() * sizeof(DWORD))))
        return std::nullopt;
    const auto *name = reinterpret_cast<const FILE_NAME_INFO *>(buffer.data());
    return std::wstring(name->FileName, name->FileNameLength / sizeof(WCHAR));
}

bool IsOwnedByRunningUser(HANDLE file)
{
    if (KeepsNoOwners(file))
        return true;
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                          nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    const bool ours =
        owner != nullptr && (TokenNames(TokenUser, owner) || TokenNames(TokenOwner, owner));
    ::LocalFree(descriptor);
    return ours;
}

} // namespace mrfyc::win32
