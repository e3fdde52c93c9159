// SPDX-License-Identifier: MIT
#pragma once

#include <windows.h>

namespace mrfyc::win32 {

// Owns one file handle. Close() reports what CloseHandle says, since a write may fail only there.
class Handle
{
public:
    Handle() = default;
    explicit Handle(HANDLE handle) : m_handle(handle) {}
    Handle(Handle &&other) noexcept : m_handle(other.Release()) {}
    Handle &operator=(Handle &&other) noexcept;
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    ~Handle();

    bool IsValid() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }
    HANDLE Get() const { return m_handle; }
    HANDLE Release();
    bool Close();

    // Writes all of data; false with GetLastError() set when any part fails.
    bool WriteAll(const char *data, std::size_t size) const;
    // Reads up to size bytes; false on failure, done is 0 at the end.
    bool ReadSome(char *data, std::size_t size, std::size_t &done) const;

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};

} // namespace mrfyc::win32
