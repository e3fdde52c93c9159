// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace mrfyc {

// The scratch file the header goes through before it reaches the log: a new file of this patch's
// own every time, put in place of the old one. The header is read back from that very file, so
// nobody else's writes can reach it. Patches take turns on it from the write to the close.
class ScratchFile
{
public:
    ScratchFile(ScratchFile &&other) noexcept;
    ScratchFile &operator=(ScratchFile &&other) noexcept;
    ScratchFile(const ScratchFile &) = delete;
    ScratchFile &operator=(const ScratchFile &) = delete;
    ~ScratchFile();

    // Writes header into a new file for this patch alone and puts it in place of the file at
    // path (UTF-8). EFCreateError naming path when it cannot be created or put in place, when
    // the name means something other than a plain file, or when another patch holds it beyond a
    // bounded wait; EWriteError when the header cannot be written.
    static ScratchFile Write(const std::string &path, std::string_view header);
    // The whole file, read through the same handle: EReadError, EStreamError.
    std::string ReadBack();
    // EWriteError when the system reports a failed write only now.
    void Close();

private:
    struct Impl;
    explicit ScratchFile(std::unique_ptr<Impl> impl);

    std::unique_ptr<Impl> m_impl;
};

} // namespace mrfyc
