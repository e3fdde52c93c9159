// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace mrfyc {

// The scratch file the header goes through before it reaches the log. It stays open from the
// write to the read-back, so that no other patch can replace it in between.
class ScratchFile
{
public:
    ScratchFile(ScratchFile &&other) noexcept;
    ScratchFile &operator=(ScratchFile &&other) noexcept;
    ScratchFile(const ScratchFile &) = delete;
    ScratchFile &operator=(const ScratchFile &) = delete;
    ~ScratchFile();

    // Creates or replaces the file at path (UTF-8) for this patch alone and writes header.
    // EFCreateError naming path when it cannot be created, is not a plain file, or another patch
    // holds it beyond a bounded wait; EWriteError when the header cannot be written.
    static ScratchFile Write(const std::string &path, std::string_view header);
    // The whole file, read through the same handle: EFOpenError, EReadError, EStreamError.
    std::string ReadBack();
    // EWriteError when the system reports a failed write only now.
    void Close();

private:
    struct Impl;
    explicit ScratchFile(std::unique_ptr<Impl> impl);

    std::unique_ptr<Impl> m_impl;
};

} // namespace mrfyc
