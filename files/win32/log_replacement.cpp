// SPDX-License-Identifier: MIT
#include "files/log_replacement.h"

#include "files/win32/handle.h"
#include "files/win32/replacement_file.h"
#include "files/win32/wide_text.h"
#include "rules/errors.h"

#include <cstdio>
#include <new>
#include <optional>

namespace mrfyc {

namespace {

[[noreturn]] void ThrowWriteError(DWORD error = ::GetLastError())
{
    throw EWriteError(std::string(kWriteErrorText), static_cast<int>(error));
}

[[noreturn]] void ThrowReadError(DWORD error = ::GetLastError())
{
    throw EReadError(std::string(kReadErrorText), static_cast<int>(error));
}

std::unique_ptr<char[]> AllocateBlock()
{
    try {
        return std::make_unique_for_overwrite<char[]>(LogReplacement::kBlockSize);
    } catch (const std::bad_alloc &) {
        throw EStreamError(std::string(kStreamMemoryErrorText));
    }
}

// Two patches of one log at once would lose a header: each would copy the old contents. The
// lock is named after the file itself (volume and file index), not its path, so that a patch
// that opened the old file is refused until the new one is in place.
win32::Handle LockAgainstOtherPatches(const BY_HANDLE_FILE_INFORMATION &info)
{
    wchar_t name[64] = {};
    std::swprintf(name, 64, L"Local\\mrfyc-patch-%08lx-%08lx%08lx", info.dwVolumeSerialNumber,
                  info.nFileIndexHigh, info.nFileIndexLow);
    win32::Handle mutex(::CreateMutexW(nullptr, FALSE, name));
    if (!mutex.IsValid())
        return {};
    // An abandoned lock belongs to a patch that was killed; its new file is gone with it.
    const DWORD waited = ::WaitForSingleObject(mutex.Get(), 0);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        ::SetLastError(waited == WAIT_TIMEOUT ? ERROR_SHARING_VIOLATION : ::GetLastError());
        return {};
    }
    return mutex;
}

std::uint64_t FileSize(const BY_HANDLE_FILE_INFORMATION &info)
{
    return (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
}

} // namespace

struct LogReplacement::Impl
{
    std::wstring Path;
    win32::Handle Source;
    win32::Handle PatchLock;
    BY_HANDLE_FILE_INFORMATION Info = {};

    void CopyWithPrefix(const win32::Handle &to, std::string_view prefix) const;
};

LogReplacement::LogReplacement(std::string path) : m_path(std::move(path)) {}
void LogReplacement::SetJournalFolder(std::string) {}
LogReplacement::~LogReplacement()
{
    if (m_impl && m_impl->PatchLock.IsValid())
        ::ReleaseMutex(m_impl->PatchLock.Get());
}

void LogReplacement::Open()
{
    auto impl = std::make_unique<Impl>();
    const auto fail = [this](DWORD error) {
        throw EFOpenError(FileOpenErrorText(m_path), static_cast<int>(error));
    };
    const std::optional<std::wstring> wide = win32::ToWide(m_path);
    if (!wide || wide->empty())
        fail(ERROR_INVALID_NAME);
    impl->Path = *wide;
    // While read, others may read but not write: a log the chat still writes cannot be opened.
    impl->Source =
        win32::Handle(::CreateFileW(impl->Path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!impl->Source.IsValid())
        fail(::GetLastError());
    if (::GetFileType(impl->Source.Get()) != FILE_TYPE_DISK)
        fail(ERROR_INVALID_FUNCTION);
    if (!::GetFileInformationByHandle(impl->Source.Get(), &impl->Info))
        fail(::GetLastError());
    if (impl->Info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        fail(ERROR_DIRECTORY);
    impl->PatchLock = LockAgainstOtherPatches(impl->Info);
    if (!impl->PatchLock.IsValid())
        fail(::GetLastError());
    if (m_impl && m_impl->PatchLock.IsValid())
        ::ReleaseMutex(m_impl->PatchLock.Get());
    m_impl = std::move(impl);
}

void LogReplacement::Prepend(std::string_view prefix)
{
    if (!m_impl || !m_impl->Source.IsValid())
        Open();
    const auto createError = [this](DWORD error) {
        throw EFCreateError(FileCreateErrorText(m_path), static_cast<int>(error));
    };
    if (m_impl->Info.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
        createError(ERROR_ACCESS_DENIED);
    // Under the patch lock, so that no other patch of this log is writing a new file now.
    win32::ReplacementFile::RemoveLeftovers(m_impl->Path);
    win32::ReplacementFile newFile(m_impl->Path);
    if (!newFile.Create())
        createError(::GetLastError());
    m_impl->CopyWithPrefix(newFile.File(), prefix);
    if (!newFile.Finish(m_impl->Info))
        ThrowWriteError();
    // The log must be closed before it can be replaced; the patch lock stays held until then.
    m_impl->Source.Close();
    // Refused while another program has the log open without allowing its deletion: the log
    // cannot be made anew then.
    if (!newFile.PutInPlace())
        createError(::GetLastError());
    if (!newFile.Close())
        ThrowWriteError();
}

void LogReplacement::Impl::CopyWithPrefix(const win32::Handle &to, std::string_view prefix) const
{
    if (!to.WriteAll(prefix.data(), prefix.size()))
        ThrowWriteError();
    const std::unique_ptr<char[]> block = AllocateBlock();
    // Up to the end of the file, so that bytes appended meanwhile are not lost.
    std::uint64_t copied = 0;
    for (;;) {
        std::size_t done = 0;
        if (!Source.ReadSome(block.get(), kBlockSize, done))
            ThrowReadError();
        if (done == 0)
            break;
        if (!to.WriteAll(block.get(), done))
            ThrowWriteError();
        copied += done;
    }
    if (copied < FileSize(Info))
        ThrowReadError(ERROR_HANDLE_EOF);
    // What the file system holds must be what was written before it replaces the log.
    LARGE_INTEGER written = {};
    if (!::GetFileSizeEx(to.Get(), &written) ||
        static_cast<std::uint64_t>(written.QuadPart) != prefix.size() + copied)
        ThrowWriteError(ERROR_WRITE_FAULT);
}

} // namespace mrfyc
