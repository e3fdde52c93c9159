// SPDX-License-Identifier: MIT
#pragma once

// Mouse events go through the window as the platform's would: a press lands on the child under
// the pointer, Qt's implicit grab routes the moves and the release, and a quick second press
// makes a double-click.
#define QTEST_QPA_MOUSE_HANDLING
#include <QtTest>

#include "rules/errors.h"
#include "shell/beep.h"
#include "shell/qt/application.h"
#include "shell/qt/test_seams.h"
#include "ui/qt/spin_button.h"
#include "ui/qt/spin_edit.h"
#include "ui/qt/timer_speed_button.h"

#include <QApplication>
#include <QLineEdit>
#include <QVBoxLayout>

#include <utility>

namespace mrfyc::test {

// The texts that the event loop's error report would have shown, in order.
class ReportedErrors
{
public:
    ReportedErrors()
    {
        ErrorReportSeam().Set([this](const QString &text) { m_texts << text; });
    }
    ~ReportedErrors() { ErrorReportSeam().Set({}); }
    Q_DISABLE_COPY_MOVE(ReportedErrors)
    QStringList Take() { return std::exchange(m_texts, {}); }

private:
    QStringList m_texts;
};

// Counts the default beeps while it lives.
class BeepCounter
{
public:
    BeepCounter()
    {
        BeepSeam().Set([this](BeepKind kind) { m_count += kind == BeepKind::Default; });
    }
    ~BeepCounter() { BeepSeam().Set({}); }
    Q_DISABLE_COPY_MOVE(BeepCounter)
    int Count() const { return m_count; }

private:
    int m_count = 0;
};

// A shown, active window with a spin field above an ordinary line edit (the next in tab order).
class SpinWindow : public QWidget
{
public:
    SpinWindow()
    {
        resize(300, 120);
        auto *layout = new QVBoxLayout(this);
        edit = new TSpinEdit;
        other = new QLineEdit;
        layout->addWidget(edit);
        layout->addWidget(other);
        layout->addStretch();
    }

    bool ShowActive()
    {
        show();
        activateWindow();
        return QTest::qWaitForWindowActive(this);
    }

    TSpinEdit *edit = nullptr;
    QLineEdit *other = nullptr;
};

// A font of the IPA family whose text height is exactly height pixels (the field's metrics are
// given for text 12 pixels high).
inline QFont FontOfHeight(int height)
{
    QFont font(QStringLiteral("IPAPGothic"));
    for (int pixels = 4; pixels < 64; ++pixels) {
        font.setPixelSize(pixels);
        if (QFontMetrics(font).height() == height)
            return font;
    }
    return {};
}

} // namespace mrfyc::test

#define MRFYC_SPIN_TEST_MAIN(TestObject)                                                           \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        mrfyc::TApplication app(argc, argv);                                                       \
        TestObject test;                                                                           \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
