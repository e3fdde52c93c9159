// SPDX-License-Identifier: MIT
#include "files/log_patch.h"

#include "files/log_replacement.h"
#include "files/program_directory.h"
#include "files/rewrite_recovery.h"
#include "files/scratch_file.h"
#include "rules/errors.h"

namespace mrfyc {

namespace {

constexpr const char *kScratchName = "Temp.txt";

} // namespace

PatchOutcome PatchLogFile(const std::string &currentLogPath, const THeaderSettings &settings,
                          const std::string &programDirectory)
{
    if (currentLogPath.empty())
        return PatchOutcome::NoFileChosen;
    const std::string scratchPath = programDirectory + kScratchName;
    // Without the program's folder the name alone would land in the working folder.
    if (programDirectory.empty())
        throw EFCreateError(FileCreateErrorText(scratchPath));
    // A log another run left half-moved must be whole before anyone reads it again.
    const RecoveryReport recovery = RecoverInterruptedRewrites(programDirectory);
    ScratchFile scratch = ScratchFile::Write(scratchPath, BuildHeaderText(settings));
    const std::string header = scratch.ReadBack();
    // Some file systems report a failed write only when the file is closed.
    scratch.Close();
    // One that could not be brought back is no log to put a header on.
    if (recovery.For(currentLogPath) != nullptr)
        throw EFOpenError(FileOpenErrorText(currentLogPath), 0);
    LogReplacement log(currentLogPath);
    log.SetJournalFolder(programDirectory);
    log.Open();
    log.Prepend(header);
    return PatchOutcome::Patched;
}

PatchOutcome PatchLogFileBesideProgram(const std::string &currentLogPath,
                                       const THeaderSettings &settings)
{
    return PatchLogFile(currentLogPath, settings, ProgramDirectory());
}

} // namespace mrfyc
