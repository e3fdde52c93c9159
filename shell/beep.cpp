// SPDX-License-Identifier: MIT
#include "shell/beep.h"

#include <QApplication>

namespace mrfyc {

namespace {

std::function<void(BeepKind)> &Observer()
{
    static std::function<void(BeepKind)> observer;
    return observer;
}

} // namespace

void Beep(BeepKind kind)
{
    if (Observer()) {
        Observer()(kind);
        return;
    }
    // Qt has one system beep; the two kinds differ only where the platform tells them apart.
    QApplication::beep();
}

void SetBeepObserver(std::function<void(BeepKind)> observer)
{
    Observer() = std::move(observer);
}

} // namespace mrfyc
