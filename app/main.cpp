#include "app/startup.h"

#include "core/log_file_selection.h"
#include "ui/main_window.h"

#include <csignal>

int main(int argc, char *argv[])
{
    // A file size limit then fails the patch's write, which is reported, instead of killing the
    // window with the user's values in it.
    std::signal(SIGXFSZ, SIG_IGN);
    // The current log path lives from start to exit, beyond the window that shows it.
    mrfyc::TLogFileSelection selection;
    return mrfyc::RunProgram(argc, argv, [&selection] {
        mrfyc::Form1 = new mrfyc::TForm1(selection);
        return mrfyc::Form1;
    });
}
