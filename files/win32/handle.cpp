// SPDX-License-Identifier: MIT
#include "files/win32/handle.h"

#include <algorithm>

namespace mrfyc::win32 {

namespace {

// ReadFile and WriteFile take a DWORD; stay well below it.
constexpr std::size_t kLargestCall = std::size_t{1} << 30;

} // namespace

Handle &Handle::operator=(Handle &&other) noexcept
{
    if (this != &other) {
        Close();
        m_handle = other.Release();
    }
    return *this;
}

Handle::~Handle()
{
    Close();
}

HANDLE Handle::Release()
{
    const HANDLE handle = m_handle;
    m_handle = INVALID_HANDLE_VALUE;
    return handle;
}

bool Handle::Close()
{
    if (!IsValid())
        return true;
    return ::CloseHandle(Release()) != 0;
}

bool Handle::WriteAll(const char *data, std::size_t size) const
{
    while (size > 0) {
        const auto chunk = static_cast<DWORD>(std::min(size, kLargestCall));
        DWORD written = 0;
        if (!::WriteFile(m_handle, data, chunk, &written, nullptr))
            return false;
        if (written == 0) {
            ::SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

bool Handle::ReadSome(char *data, std::size_t size, std::size_t &done) const
{
    DWORD read = 0;
    const bool ok = ::ReadFile(m_handle, data, static_cast<DWORD>(std::min(size, kLargestCall)),
                               &read, nullptr) != 0;
    done = read;
    return ok;
}

} // namespace mrfyc::win32
