// SPDX-License-Identifier: MIT
#include "files/scratch_file.h"

#include "files/win32/handle.h"
#include "files/win32/wide_text.h"
#include "rules/errors.h"
#include "rules/scratch_lock.h"

#include <new>
#include <stdexcept>

namespace mrfyc {

namespace {

constexpr DWORD kRetryMs = 20;

[[noreturn]] void ThrowCreateError(const std::string &path, DWORD error)
{
    throw EFCreateError(FileCreateErrorText(path), static_cast<int>(error));
}

// No sharing while written: a second patch waits its turn instead of reading our header.
win32::Handle CreateExclusive(const std::string &path)
{
    const std::optional<std::wstring> wide = win32::ToWide(path);
    if (!wide || wide->empty())
        ThrowCreateError(path, ERROR_INVALID_NAME);
    // Timed by the clock: each try and each sleep may take longer than asked.
    const ULONGLONG deadline =
        ::GetTickCount64() + static_cast<ULONGLONG>(kScratchLockWait.count());
    for (;;) {
        // Not CREATE_ALWAYS: a read-only file must be refused before it is emptied, also where the
        // system would let an administrator write it.
        win32::Handle file(::CreateFileW(wide->c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        const DWORD error = ::GetLastError();
        if (file.IsValid())
            return file;
        if (error != ERROR_SHARING_VIOLATION || ::GetTickCount64() >= deadline)
            ThrowCreateError(path, error);
        ::Sleep(kRetryMs);
    }
}

} // namespace

struct ScratchFile::Impl
{
    win32::Handle File;
    std::string Path;
};

ScratchFile::ScratchFile(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
ScratchFile::ScratchFile(ScratchFile &&other) noexcept = default;
ScratchFile &ScratchFile::operator=(ScratchFile &&other) noexcept = default;
ScratchFile::~ScratchFile() = default;

ScratchFile ScratchFile::Write(const std::string &path, std::string_view header)
{
    auto impl = std::make_unique<Impl>();
    impl->Path = path;
    impl->File = CreateExclusive(path);
    // A name such as "CON" or a pipe opens too, but is no file to read a header back from.
    if (::GetFileType(impl->File.Get()) != FILE_TYPE_DISK)
        ThrowCreateError(path, ERROR_INVALID_FUNCTION);
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!::GetFileInformationByHandle(impl->File.Get(), &info))
        ThrowCreateError(path, ::GetLastError());
    if (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
        ThrowCreateError(path, ERROR_ACCESS_DENIED);
    if (!::SetEndOfFile(impl->File.Get()))
        ThrowCreateError(path, ::GetLastError());
    if (!impl->File.WriteAll(header.data(), header.size()))
        throw EWriteError(std::string(kWriteErrorText), static_cast<int>(::GetLastError()));
    return ScratchFile(std::move(impl));
}

std::string ScratchFile::ReadBack()
{
    LARGE_INTEGER size = {};
    if (!m_impl || !m_impl->File.IsValid() || !::GetFileSizeEx(m_impl->File.Get(), &size) ||
        !::SetFilePointerEx(m_impl->File.Get(), LARGE_INTEGER{}, nullptr, FILE_BEGIN))
        throw EFOpenError(FileOpenErrorText(m_impl ? m_impl->Path : std::string()),
                          static_cast<int>(::GetLastError()));
    std::string contents;
    try {
        contents.resize(static_cast<std::size_t>(size.QuadPart));
    } catch (const std::bad_alloc &) {
        throw EStreamError(std::string(kStreamMemoryErrorText));
    } catch (const std::length_error &) {
        throw EStreamError(std::string(kStreamMemoryErrorText));
    }
    for (std::size_t at = 0; at < contents.size();) {
        std::size_t done = 0;
        if (!m_impl->File.ReadSome(contents.data() + at, contents.size() - at, done))
            throw EReadError(std::string(kReadErrorText), static_cast<int>(::GetLastError()));
        if (done == 0)
            throw EReadError(std::string(kReadErrorText), ERROR_HANDLE_EOF);
        at += done;
    }
    return contents;
}

void ScratchFile::Close()
{
    if (m_impl && !m_impl->File.Close())
        throw EWriteError(std::string(kWriteErrorText), static_cast<int>(::GetLastError()));
}

} // namespace mrfyc
