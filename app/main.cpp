#include "app/startup.h"

#include "core/log_file_selection.h"
#include "ui/main_window.h"

int main(int argc, char *argv[])
{
    // The current log path lives from start to exit, beyond the window that shows it.
    mrfyc::TLogFileSelection selection;
    return mrfyc::RunProgram(argc, argv, [&selection] {
        mrfyc::Form1 = new mrfyc::TForm1(selection);
        return mrfyc::Form1;
    });
}
