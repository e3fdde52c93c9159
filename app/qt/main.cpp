// SPDX-License-Identifier: MIT
#include "shell/qt/command_line.h"
#include "shell/qt/startup.h"
#include "shell/startup_trace.h"

#include "files/program_directory.h"
#include "files/rewrite_recovery.h"
#include "shell/qt/notice.h"

#include "rules/log_file_selection.h"
#include "rules/notice_function.h"
#include "ui/qt/main_window.h"

#include <QTimer>

#include <csignal>

int main(int argc, char *argv[])
{
    mrfyc::StartupTrace::Mark("main");
    // A file size limit then fails the patch's write, which is reported, instead of killing the
    // window with the user's values in it.
    std::signal(SIGXFSZ, SIG_IGN);
    if (const std::optional<int> exitCode = mrfyc::AnswerInformationOptions(argc, argv))
        return *exitCode;
    // A log that a killed patch left half-moved is made whole before the window can touch it.
    // What could not be is told once the window shows, never passed over.
    std::string waiting;
    for (const auto &journal : mrfyc::RecoverInterruptedRewrites(mrfyc::ProgramDirectory()).Waiting)
        if (journal.Why != mrfyc::WaitingRewrite::Reason::Busy)
            waiting += "\n" + (journal.Log.empty() ? journal.Journal : journal.Log);
    // The current log path lives from start to exit, beyond the window that shows it.
    mrfyc::LogFileSelection selection;
    return mrfyc::RunProgram(argc, argv, [&selection, &argc, argv, &waiting] {
        auto *form = new mrfyc::TForm1(selection);
        if (!waiting.empty())
            QTimer::singleShot(0, form, [waiting] {
                mrfyc::ShowNoticeBytes(mrfyc::kNoticeRecoveryWaits + waiting);
            });
        // The application has taken its own options out of argv by now. The file is taken once
        // the loop runs, so that a refusal's notice comes after the window is shown.
        if (std::optional<std::string> file = mrfyc::FileArgument(argc, argv))
            QTimer::singleShot(0, form,
                               [form, file = std::move(*file)] { form->OpenFromOutside(file); });
        return form;
    });
}
