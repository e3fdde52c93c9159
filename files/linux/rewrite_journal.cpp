// SPDX-License-Identifier: MIT
#include "files/linux/rewrite_journal.h"

#include "files/linux/random_bytes.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace mrfyc {

namespace {

// Named after the scratch file beside it, so that whoever finds one knows which program left it.
constexpr std::string_view kNamePrefix = "Temp.txt.journal-";
constexpr std::size_t kUniqueLength = 16;
constexpr std::string_view kHexDigits = "0123456789abcdef";
constexpr int kAttempts = 100;

constexpr std::string_view kPlanMagic = "MRFYCJ02";
constexpr std::string_view kOldPlanMagic = "MRFYCJ01"; // kept no proof of the old contents
constexpr std::string_view kStepMagic = "MRFYCS01";
constexpr std::string_view kProofMagic = "MRFYCP02";
constexpr std::size_t kWord = sizeof(std::uint64_t);
constexpr std::size_t kPlanWords = 9;     // after the magic: see EncodePlan
constexpr std::size_t kStepWords = 5;     // after the magic: see EncodeStep
constexpr off_t kPage = 4096;             // the plan and each step record start on their own page
constexpr std::size_t kMaxText = 1 << 16; // bounds the lengths a damaged plan may claim

// Tells a torn or stale write from a whole one, and a block of old contents from other bytes;
// nobody else writes the journal, so nothing has to withstand a forgery. A multiply-xorshift
// over 8-byte words.
std::uint64_t Checksum(const char *data, std::size_t size)
{
    constexpr std::uint64_t kMultiplier = 0x9e3779b97f4a7c15ULL;
    std::uint64_t hash = 0x6a09e667f3bcc909ULL ^ size;
    const auto mix = [&hash](std::uint64_t word) {
        hash = (hash ^ word) * kMultiplier;
        hash ^= hash >> 29;
    };
    std::size_t at = 0;
    for (; at + kWord <= size; at += kWord) {
        std::uint64_t word = 0;
        std::memcpy(&word, data + at, kWord);
        mix(word);
    }
    std::uint64_t tail = 0;
    std::memcpy(&tail, data + at, size - at);
    mix(tail);
    return hash;
}

void PutWord(std::string &out, std::uint64_t word)
{
    out.append(reinterpret_cast<const char *>(&word), kWord);
}

std::uint64_t GetWord(const char *in)
{
    std::uint64_t word = 0;
    std::memcpy(&word, in, kWord);
    return word;
}

void SealWithChecksum(std::string &bytes)
{
    PutWord(bytes, Checksum(bytes.data(), bytes.size()));
}

bool IsSealed(std::string_view bytes)
{
    return bytes.size() >= kWord &&
           Checksum(bytes.data(), bytes.size() - kWord) == GetWord(bytes.end() - kWord);
}

off_t RoundUpToPage(off_t size)
{
    return (size + kPage - 1) / kPage * kPage;
}

off_t SlotSize(const RewritePlan &plan)
{
    return kPage + RoundUpToPage(static_cast<off_t>(plan.BlockSize));
}

std::string EncodePlan(const RewritePlan &plan)
{
    std::string bytes(kPlanMagic);
    for (const std::uint64_t word :
         {std::uint64_t(plan.Inode), std::uint64_t(plan.SizeSeen), std::uint64_t(plan.Mode),
          std::uint64_t(plan.BlockSize), std::uint64_t(plan.Prefix.size()),
          std::uint64_t(plan.Marker.size()), std::uint64_t(plan.FileSystem.size()),
          std::uint64_t(plan.Folder.size()), std::uint64_t(plan.Name.size())})
        PutWord(bytes, word);
    for (const std::string *text :
         {&plan.Prefix, &plan.Marker, &plan.FileSystem, &plan.Folder, &plan.Name})
        bytes += *text;
    SealWithChecksum(bytes);
    return bytes;
}

std::string EncodeProof(const RewriteProof &proof)
{
    std::string bytes(kProofMagic);
    PutWord(bytes, std::uint64_t(proof.OldSize));
    PutWord(bytes, proof.Blocks.size());
    for (const std::uint64_t block : proof.Blocks)
        PutWord(bytes, block);
    SealWithChecksum(bytes);
    return bytes;
}

std::string EncodeStep(const RewriteStep &step, std::uint64_t blockChecksum)
{
    std::string bytes(kStepMagic);
    for (const std::uint64_t word :
         {step.Sequence, static_cast<std::uint64_t>(step.Way), std::uint64_t(step.Offset),
          std::uint64_t(step.Length), blockChecksum})
        PutWord(bytes, word);
    SealWithChecksum(bytes);
    return bytes;
}

std::string UniqueName()
{
    std::string name(kNamePrefix);
    for (const char byte : RandomBytes(kUniqueLength / 2)) {
        const auto value = static_cast<unsigned char>(byte);
        name += kHexDigits[value >> 4];
        name += kHexDigits[value & 15];
    }
    return name;
}

// A journal this user made but may not write now (a folder mounted read-only, a file whose mode
// was changed): it can still be read, to say which log waits.
bool RefusedForWriting(int error)
{
    return error == EROFS || error == EACCES || error == EPERM || error == ETXTBSY;
}

} // namespace

std::string FileSystemUuid(int fd)
{
    // Linux 6.5 and later; older headers do not name it yet.
    struct Uuid
    {
        std::uint8_t Length;
        std::uint8_t Bytes[16];
    };
    constexpr unsigned long kGetUuid = _IOR(0x15, 0, Uuid);
    Uuid uuid = {};
    if (::ioctl(fd, kGetUuid, &uuid) != 0 || uuid.Length == 0 || uuid.Length > sizeof uuid.Bytes)
        return {};
    return std::string(reinterpret_cast<const char *>(uuid.Bytes), uuid.Length);
}

std::uint64_t BlockChecksum(const char *data, std::size_t size)
{
    return Checksum(data, size);
}

bool RewriteJournal::IsJournalName(std::string_view name)
{
    return name.size() == kNamePrefix.size() + kUniqueLength && name.starts_with(kNamePrefix) &&
           name.substr(kNamePrefix.size()).find_first_not_of(kHexDigits) == std::string_view::npos;
}

bool RewriteJournal::Create(const std::string &folder, const RewritePlan &plan)
{
    m_plan = plan;
    m_plan.Marker = RandomBytes(plan.Prefix.size());
    m_ownFolder = FileDescriptor(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!m_ownFolder.IsValid())
        return false;
    m_folder = m_ownFolder.Get();
    if (!CreateNamed())
        return false;
    m_slotsStart = RoundUpToPage(static_cast<off_t>(EncodePlan(m_plan).size()));
    // All of it now, so that a full disk stops the rewrite before anything has moved.
    const int reserved = ::posix_fallocate(m_file.Get(), 0, ProofStart());
    if (reserved == 0 && WritePlan() && ::fdatasync(m_file.Get()) == 0 && ::fsync(m_folder) == 0)
        return true;
    const int error = reserved != 0 ? reserved : errno;
    Remove();
    errno = error;
    return false;
}

bool RewriteJournal::WriteProof(const RewriteProof &proof)
{
    const std::string bytes = EncodeProof(proof);
    const int reserved =
        ::posix_fallocate(m_file.Get(), ProofStart(), static_cast<off_t>(bytes.size()));
    if (reserved != 0) {
        errno = reserved;
        return false;
    }
    if (!m_file.WriteAllAt(bytes.data(), bytes.size(), ProofStart()) ||
        ::fdatasync(m_file.Get()) != 0)
        return false;
    m_proof = proof;
    return true;
}

bool RewriteJournal::CreateNamed()
{
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        m_name = UniqueName();
        m_file = FileDescriptor(::openat(m_folder, m_name.c_str(),
                                         O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!m_file.IsValid()) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        // Another run's recovery may have found the empty file before the lock and removed it.
        if (m_file.LockExclusive(false) && m_file.IsNamed(m_folder, m_name))
            return true;
        m_file.Close();
    }
    errno = EEXIST;
    return false;
}

bool RewriteJournal::WritePlan() const
{
    const std::string bytes = EncodePlan(m_plan);
    return m_file.WriteAllAt(bytes.data(), bytes.size(), 0);
}

RewriteJournal::Adoption RewriteJournal::Adopt(int folder, const std::string &name)
{
    m_folder = folder;
    m_name = name;
    // Look before opening: opening a FIFO or a device that someone put there can have effects.
    struct stat named = {};
    if (::fstatat(m_folder, m_name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(named.st_mode) || named.st_uid != ::geteuid())
        return Adoption::NotOurs;
    m_file = FileDescriptor(::openat(m_folder, m_name.c_str(), O_RDWR | kOpenLookedAt));
    bool writable = m_file.IsValid();
    if (!writable && RefusedForWriting(errno))
        m_file = FileDescriptor(::openat(m_folder, m_name.c_str(), O_RDONLY | kOpenLookedAt));
    struct stat status = {};
    if (!m_file.IsValid())
        return RefusedForWriting(errno) ? Adoption::Unusable : Adoption::NotOurs;
    if (::fstat(m_file.Get(), &status) != 0 || !SameFile(status, named) ||
        status.st_uid != ::geteuid() || status.st_nlink != 1)
        return Adoption::NotOurs;
    if (!writable) {
        ReadPlan();
        return Adoption::Unusable;
    }
    if (!m_file.LockExclusive(false)) {
        // Told only to say which log is being rewritten; a plan still being written reads as none.
        if (!ReadPlan())
            m_plan = {};
        return Adoption::Busy;
    }
    // Its rewrite may have ended and removed it between the look and the lock.
    if (!m_file.IsNamed(m_folder, m_name))
        return Adoption::NotOurs;
    char magic[kPlanMagic.size()];
    if (m_file.ReadExactlyAt(magic, sizeof magic, 0) &&
        std::string_view(magic, sizeof magic) == kOldPlanMagic)
        return Adoption::Unusable;
    if (!ReadPlan())
        return Adoption::Unwritten;
    ReadProof();
    return Adoption::Adopted;
}

bool RewriteJournal::ReadPlan()
{
    char fixed[kPlanMagic.size() + kPlanWords * kWord];
    if (!m_file.ReadExactlyAt(fixed, sizeof fixed, 0) ||
        std::string_view(fixed, kPlanMagic.size()) != kPlanMagic)
        return false;
    std::array<std::uint64_t, kPlanWords> word = {};
    for (std::size_t i = 0; i < kPlanWords; ++i)
        word[i] = GetWord(fixed + kPlanMagic.size() + i * kWord);
    std::size_t textSize = 0;
    for (std::size_t i = 4; i < kPlanWords; ++i) {
        if (word[i] > kMaxText)
            return false;
        textSize += static_cast<std::size_t>(word[i]);
    }
    std::string bytes(sizeof fixed + textSize + kWord, '\0');
    if (!m_file.ReadExactlyAt(bytes.data(), bytes.size(), 0) || !IsSealed(bytes))
        return false;
    m_plan.Inode = static_cast<ino_t>(word[0]);
    m_plan.SizeSeen = static_cast<off_t>(word[1]);
    m_plan.Mode = static_cast<mode_t>(word[2]);
    m_plan.BlockSize = static_cast<std::size_t>(word[3]);
    std::size_t at = sizeof fixed;
    for (std::size_t i = 4; i < kPlanWords; ++i) {
        std::string *text[] = {&m_plan.Prefix, &m_plan.Marker, &m_plan.FileSystem, &m_plan.Folder,
                               &m_plan.Name};
        *text[i - 4] = bytes.substr(at, static_cast<std::size_t>(word[i]));
        at += static_cast<std::size_t>(word[i]);
    }
    m_slotsStart = RoundUpToPage(static_cast<off_t>(bytes.size()));
    return m_plan.SizeSeen >= 0 && m_plan.BlockSize > 0 && m_plan.BlockSize <= (1U << 30) &&
           m_plan.Marker.size() == m_plan.Prefix.size() && !m_plan.Name.empty();
}

// A proof cut short by a kill is no proof: nothing had moved yet.
void RewriteJournal::ReadProof()
{
    char fixed[kProofMagic.size() + 2 * kWord];
    if (!m_file.ReadExactlyAt(fixed, sizeof fixed, ProofStart()) ||
        std::string_view(fixed, kProofMagic.size()) != kProofMagic)
        return;
    const auto oldSize = static_cast<off_t>(GetWord(fixed + kProofMagic.size()));
    const std::uint64_t count = GetWord(fixed + kProofMagic.size() + kWord);
    const auto blockSize = static_cast<off_t>(m_plan.BlockSize);
    if (oldSize < 0 || count != static_cast<std::uint64_t>((oldSize + blockSize - 1) / blockSize))
        return;
    std::string bytes(sizeof fixed + (count + 1) * kWord, '\0');
    if (!m_file.ReadExactlyAt(bytes.data(), bytes.size(), ProofStart()) || !IsSealed(bytes))
        return;
    RewriteProof proof{oldSize, std::vector<std::uint64_t>(count)};
    for (std::uint64_t k = 0; k < count; ++k)
        proof.Blocks[k] = GetWord(bytes.data() + sizeof fixed + k * kWord);
    m_proof = std::move(proof);
}

off_t RewriteJournal::SlotStart(std::uint64_t sequence) const
{
    return m_slotsStart + static_cast<off_t>(sequence % 2) * SlotSize(m_plan);
}

off_t RewriteJournal::ProofStart() const
{
    return m_slotsStart + 2 * SlotSize(m_plan);
}

bool RewriteJournal::WriteStep(const RewriteStep &step, const char *block) const
{
    const off_t slot = SlotStart(step.Sequence);
    const std::string record = EncodeStep(step, Checksum(block, step.Length));
    return m_file.WriteAllAt(block, step.Length, slot + kPage) &&
           m_file.WriteAllAt(record.data(), record.size(), slot) && ::fdatasync(m_file.Get()) == 0;
}

std::optional<RewriteStep> RewriteJournal::ReadLatestStep(char *block) const
{
    struct Found
    {
        RewriteStep Step;
        std::uint64_t Sum = 0;
    };
    std::vector<Found> found;
    // Steps come only after the proof: without it nothing moved.
    const off_t oldSize = m_proof ? m_proof->OldSize : 0;
    for (std::uint64_t slot = 0; m_proof && slot < 2; ++slot) {
        std::string record(kStepMagic.size() + (kStepWords + 1) * kWord, '\0');
        if (!m_file.ReadExactlyAt(record.data(), record.size(), SlotStart(slot)) ||
            !record.starts_with(kStepMagic) || !IsSealed(record))
            continue;
        const char *words = record.data() + kStepMagic.size();
        Found step{{GetWord(words), static_cast<RewriteStep::Direction>(GetWord(words + kWord)),
                    static_cast<off_t>(GetWord(words + 2 * kWord)),
                    static_cast<std::size_t>(GetWord(words + 3 * kWord))},
                   GetWord(words + 4 * kWord)};
        const bool knownWay = step.Step.Way == RewriteStep::Direction::Forward ||
                              step.Step.Way == RewriteStep::Direction::Back;
        if (knownWay && step.Step.Sequence % 2 == slot && step.Step.Length > 0 &&
            step.Step.Length <= m_plan.BlockSize && step.Step.Offset >= 0 &&
            step.Step.Offset <= oldSize - static_cast<off_t>(step.Step.Length))
            found.push_back(step);
    }
    std::sort(found.begin(), found.end(),
              [](const Found &a, const Found &b) { return a.Step.Sequence > b.Step.Sequence; });
    for (const Found &step : found)
        if (m_file.ReadExactlyAt(block, step.Step.Length, SlotStart(step.Step.Sequence) + kPage) &&
            Checksum(block, step.Step.Length) == step.Sum)
            return step.Step;
    return std::nullopt;
}

bool RewriteJournal::Remove()
{
    if (!m_file.IsValid())
        return true;
    const bool removed = m_file.IsNamed(m_folder, m_name) &&
                         ::unlinkat(m_folder, m_name.c_str(), 0) == 0 && ::fsync(m_folder) == 0;
    // Closing lets go of the lock, only once the name is gone.
    m_file.Close();
    return removed;
}

} // namespace mrfyc
