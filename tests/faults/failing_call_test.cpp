// SPDX-License-Identifier: MIT
// One system call of a patch fails (injected with strace): the patch gives that step's text, keeps
// the old log and leaves no new file, whether it replaces the log or rewrites it in place.
#include "tests/support/expected_texts.h"
#include "tests/support/patch_run.h"

#include <gtest/gtest.h>

#include <string>

namespace mrfyc::test {
namespace {

struct CallCase
{
    const char *Name;
    const char *Strace; // strace's options
    std::string_view Outcome;
};

class FailingCall : public PatchRun, public testing::WithParamInterface<CallCase>
{
};

// strace -P counts only the calls on one file (or on descriptors of it), so "the second open of
// the scratch file" is exact.
TEST_P(FailingCall, GivesTheStepsErrorAndKeepsTheLog)
{
    if (!StraceWorks())
        GTEST_SKIP() << "strace is not installed or may not trace";
    ExpectOutcome(Patch(StraceWords(GetParam().Strace)), GetParam().Outcome);
}

// Writes of the whole run: 1 the scratch file, 2 the header of the new log; the kernel copies the
// body unless copy_file_range is refused, and then writes 3 to 15 are its 256 KiB blocks. The
// log is read by pread64 only in that case; the scratch file is read back by the third (the
// loader reads the C library's notes with the first two). Opens in the patcher's folder: 1 the
// look for left-over files, 2 the new scratch file, whose descriptor has no name to trace by. Opens
// in the log's folder: 1 the folder, 2 the log for reading, 3 for writing, 4 the look for left-over
// files, 5 the new file. (A failing write, sync or rename of any kind, at its first, middle and
// last call, is InjectedFailure's.)
INSTANTIATE_TEST_SUITE_P(
    Cases, FailingCall,
    testing::Values(
        CallCase{"ShortHeader", "-einject=write:retval=1:when=2", kWriteError},
        CallCase{"ShortLastBlock",
                 "-einject=copy_file_range:error=EXDEV -einject=write:retval=1:when=15",
                 kWriteError},
        CallCase{"Mode", "-einject=fchmod:error=EIO", kWriteError},
        CallCase{"Owner", "-einject=fchown:error=EIO", kWriteError},
        CallCase{"ScratchCreate", "-P {bin} -einject=openat:error=EACCES:when=2",
                 "ファイル {scratch} を作成できません."},
        CallCase{"ScratchLink", "-P {bin} -einject=linkat:error=EACCES",
                 "ファイル {scratch} を作成できません."},
        CallCase{"ScratchEndsEarly", "-einject=pread64:retval=0:when=3", kReadError},
        CallCase{"LogOpen", "-P {logs} -einject=openat:error=EACCES:when=2",
                 "ファイル {log} は開けません."},
        CallCase{"LogOpenForWriting", "-P {logs} -einject=openat:error=EROFS:when=3",
                 "ファイル {log} を作成できません."},
        CallCase{"LogMiddleRead",
                 "-P {log} -einject=copy_file_range:error=ENOSYS -einject=pread64:error=EIO:when=2",
                 kReadError},
        CallCase{"LogEndsEarly",
                 "-P {log} -einject=copy_file_range:error=ENOSYS -einject=pread64:retval=0:when=2",
                 kReadError},
        CallCase{"NoUnnamedFiles", "-P {logs} -einject=openat:error=EOPNOTSUPP:when=5", kPatched}),
    [](const testing::TestParamInfo<CallCase> &info) { return info.param.Name; });

class FailingCallInPlace : public NobodyRun
{
};

// Someone who may write a log but not its folder rewrites it in place: reads of the move (four
// blocks, from the end) and writes (the four blocks, then the header) failing at the first, a
// middle and the last undo the move. The log is flushed after each block but the last (its
// journal slot is taken again two blocks on) and once at the end.
TEST_P(FailingCallInPlace, KeepsTheLogWithOwnerAndMode)
{
    if (const std::string why = WhyNot(); !why.empty())
        GTEST_SKIP() << why;
    PatchAndExpectTheRow();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FailingCallInPlace,
    testing::Values(NobodyCase{"FirstReadFails",
                               0644,
                               true,
                               kReadError,
                               {},
                               0755,
                               "-P {log} -einject=pread64:error=EIO:when=1"},
                    NobodyCase{"MiddleReadFails",
                               0644,
                               true,
                               kReadError,
                               {},
                               0755,
                               "-P {log} -einject=pread64:error=EIO:when=2"},
                    NobodyCase{"LastReadFails",
                               0644,
                               true,
                               kReadError,
                               {},
                               0755,
                               "-P {log} -einject=pread64:error=EIO:when=4"},
                    NobodyCase{"FirstWriteFails",
                               0644,
                               true,
                               kWriteError,
                               {},
                               0755,
                               "-P {log} -einject=pwrite64:error=EIO:when=1"},
                    NobodyCase{"MiddleWriteFails",
                               0644,
                               true,
                               kWriteError,
                               {},
                               0755,
                               "-P {log} -einject=pwrite64:error=EIO:when=2"},
                    NobodyCase{"LastWriteFails",
                               0644,
                               true,
                               kWriteError,
                               {},
                               0755,
                               "-P {log} -einject=pwrite64:error=EIO:when=4"},
                    NobodyCase{"HeaderWriteFails",
                               06775,
                               true,
                               kWriteError,
                               {},
                               0755,
                               "-P {log} -einject=pwrite64:error=EIO:when=5"},
                    NobodyCase{"FinalFlushFails",
                               0644,
                               true,
                               kWriteError,
                               {},
                               0755,
                               "-P {log} -einject=fdatasync:error=EIO:when=4"}),
    [](const testing::TestParamInfo<NobodyCase> &info) { return info.param.Name; });

} // namespace
} // namespace mrfyc::test
