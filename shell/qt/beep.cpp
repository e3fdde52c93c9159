// SPDX-License-Identifier: MIT
#include "shell/beep.h"

#include <QApplication>

namespace mrfyc {

void SystemBeep(BeepKind)
{
    // Qt has one system beep; the two kinds differ only where the platform tells them apart.
    QApplication::beep();
}

} // namespace mrfyc
