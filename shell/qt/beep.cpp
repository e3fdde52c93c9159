// SPDX-License-Identifier: MIT
#include "shell/beep.h"

#include "shell/qt/test_seams.h"

#include <QApplication>

namespace mrfyc {

TestSeam<void(BeepKind kind)> &BeepSeam()
{
    static TestSeam<void(BeepKind kind)> seam;
    return seam;
}

void Beep(BeepKind kind)
{
    if (BeepSeam()) {
        BeepSeam()(kind);
        return;
    }
    // Qt has one system beep; the two kinds differ only where the platform tells them apart.
    QApplication::beep();
}

} // namespace mrfyc
