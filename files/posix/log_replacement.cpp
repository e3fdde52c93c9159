// SPDX-License-Identifier: MIT
#include "files/log_replacement.h"

#include "files/posix/safe_file_replace.h"

namespace mrfyc {

static_assert(LogReplacement::kBlockSize == SafeFileReplace::kBlockSize);

struct LogReplacement::Impl
{
    explicit Impl(const std::string &path) : Replace(path) {}

    SafeFileReplace Replace;
};

LogReplacement::LogReplacement(std::string path)
    : m_path(std::move(path)), m_impl(std::make_unique<Impl>(m_path))
{}

LogReplacement::~LogReplacement() = default;

void LogReplacement::Open()
{
    m_impl->Replace.Open();
}

void LogReplacement::Prepend(std::string_view prefix)
{
    m_impl->Replace.Prepend(prefix);
}

void LogReplacement::SetJournalFolder(std::string folder)
{
    m_impl->Replace.SetJournalFolder(std::move(folder));
}

} // namespace mrfyc
