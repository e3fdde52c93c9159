// SPDX-License-Identifier: MIT
#include "rules/message_layout.h"
#include "shell/beep.h"
#include "shell/qt/application.h"
#include "shell/qt/message_dialog.h"
#include "shell/qt/message_form.h"
#include "shell/qt/notice.h"
#include "shell/qt/qt_geometry.h"
#include "shell/qt/test_seams.h"

#include "modal_helper.h"

#include <QClipboard>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace mrfyc;

namespace {

const QString kPatched = QStringLiteral("修正しました");

QFont PixelFont(int pixels)
{
    QFont font(QStringLiteral("IPAPGothic"));
    font.setPixelSize(pixels);
    return font;
}

QWidget *KeyTarget(QWidget *modal)
{
    return modal->focusWidget() ? modal->focusWidget() : modal;
}

} // namespace

class TestMessageDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void dialogGeometryFollowsTheLayout_data();
    void dialogGeometryFollowsTheLayout();
    void cachedCaptionWidthSurvivesFontChange();

    void keysAndCloseGiveResults_data();
    void keysAndCloseGiveResults();
    void otherWindowsBlockedAndActiveWindowBack();

    void ctrlCCopiesTheContent_data();
    void ctrlCCopiesTheContent();

    void noticeBeepsBeforeItsDialog();
    void sessionEndClosesNoticeWithResult2();

private:
    QList<BeepKind> m_beeps;
    QStringList m_reports;
};

void TestMessageDialog::initTestCase()
{
    QApplication::setFont(PixelFont(12), "QMessageBoxLabel");
    BeepSeam().Set([this](BeepKind kind) { m_beeps.append(kind); });
    ErrorReportSeam().Set([this](const QString &text) { m_reports.append(text); });
}

void TestMessageDialog::init()
{
    ForgetMeasuredCaptionWidth();
    m_beeps.clear();
    m_reports.clear();
}

void TestMessageDialog::cleanup()
{
    ClipboardSeam().Set({});
    QApplication::setFont(PixelFont(12), "QMessageBoxLabel");
    QVERIFY(!QApplication::activeModalWidget());
    QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
}

void TestMessageDialog::dialogGeometryFollowsTheLayout_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("notice") << kPatched;
    QTest::newRow("two lines, markup shown as it is") << QStringLiteral("<b>A&B</b>\n二行目");
    QTest::newRow("long: wraps at half the screen") << QString(120, u'あ');
    QTest::newRow("tab expanded") << QStringLiteral("a\tb");
}

void TestMessageDialog::dialogGeometryFollowsTheLayout()
{
    QFETCH(QString, text);
    const TMessageForm form(text, QStringLiteral("cap"));

    // IPAPGothic at 12 px: the A-Z a-z string is 364 px wide (7 per character) and 13 high.
    const QFontMetrics metrics(PixelFont(12));
    const int halfScreen = QGuiApplication::primaryScreen()->geometry().width() / 2;
    MessageMetrics expected{7, 13, {}, metrics.size(Qt::TextSingleLine, "OK").width() + 8};
    expected.text =
        FromQt(metrics
                   .boundingRect(QRect(0, 0, halfScreen, 0),
                                 Qt::AlignLeft | Qt::TextWordWrap | Qt::TextExpandTabs, text)
                   .size());
    const MessageLayout layout = LayOutMessage(expected);

    QCOMPARE(form.size(), ToQt(layout.client));
    QCOMPARE(form.minimumSize(), ToQt(layout.client)); // not resizable
    QCOMPARE(form.maximumSize(), ToQt(layout.client));
    QCOMPARE(form.Message()->geometry(), ToQt(layout.label));
    QCOMPARE(form.OkButton()->geometry(), ToQt(layout.button));
    QCOMPARE(form.findChild<QLabel *>("Message")->text(), text);
    QCOMPARE(form.Message()->textFormat(), Qt::PlainText);
    QCOMPARE(form.findChild<QPushButton *>("OK")->text(), QStringLiteral("OK"));
    QVERIFY(form.OkButton()->isDefault());
    QCOMPARE(form.windowTitle(), QStringLiteral("cap"));
    const Qt::WindowFlags flags = form.windowFlags();
    QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QVERIFY(flags & Qt::WindowCloseButtonHint);
}

void TestMessageDialog::cachedCaptionWidthSurvivesFontChange()
{
    // A large font first: its "OK" is wider than the smaller font's minimum button width.
    QApplication::setFont(PixelFont(60), "QMessageBoxLabel");
    const int cached = QFontMetrics(PixelFont(60)).size(Qt::TextSingleLine, "OK").width() + 8;
    const TMessageForm first(kPatched, QStringLiteral("mrfyc"));
    QCOMPARE(first.OkButton()->width(), std::max(first.Layout().minimumButtonWidth, cached));

    QApplication::setFont(PixelFont(8), "QMessageBoxLabel");
    const TMessageForm second(kPatched, QStringLiteral("mrfyc"));
    QVERIFY(second.Layout().minimumButtonWidth < cached);
    QCOMPARE(second.OkButton()->width(), cached);
    QCOMPARE(second.Message()->font().pixelSize(), 8);
}

void TestMessageDialog::keysAndCloseGiveResults_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("key"); // 0: the close box, -1: a mouse click on OK
    QTest::addColumn<int>("expected");
    QTest::newRow("Enter") << kPatched << int(Qt::Key_Enter) << 1;
    QTest::newRow("Esc") << kPatched << int(Qt::Key_Escape) << 1;
    QTest::newRow("Space") << kPatched << int(Qt::Key_Space) << 1;
    QTest::newRow("click") << kPatched << -1 << 1;
    QTest::newRow("close box") << kPatched << 0 << 2;
    QStringList lines;
    for (int i = 0; i < 100; ++i)
        lines << QStringLiteral("行 %1").arg(i);
    QTest::newRow("taller than the screen") << lines.join(u'\n') << int(Qt::Key_Escape) << 1;
}

void TestMessageDialog::keysAndCloseGiveResults()
{
    QFETCH(QString, text);
    QFETCH(int, key);
    QFETCH(int, expected);
    QRect geometry;
    WhenModal([key, &geometry](QWidget *modal) {
        geometry = modal->frameGeometry();
        if (key == 0)
            modal->close();
        else if (key == -1)
            QTest::mouseClick(modal->findChild<QPushButton *>("OK"), Qt::LeftButton);
        else
            QTest::keyClick(KeyTarget(modal), Qt::Key(key));
    });
    QCOMPARE(ShowMessageDialog(text, QStringLiteral("mrfyc")), expected);
    // Centred on the primary screen, never above its top.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(geometry.left(), (screen.width() - geometry.width()) / 2);
    QCOMPARE(geometry.top(), std::max(0, (screen.height() - geometry.height()) / 2));
}

void TestMessageDialog::otherWindowsBlockedAndActiveWindowBack()
{
    QWidget window;
    auto *button = new QPushButton(QStringLiteral("other"), &window);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QSignalSpy clicks(button, &QPushButton::clicked);

    bool owned = false;
    WhenModal([&](QWidget *modal) {
        owned = modal->parentWidget() == &window;
        // Through the platform window, as a user's click comes, so that modality applies.
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {},
                          button->mapTo(&window, button->rect().center()));
        QTest::keyClick(KeyTarget(modal), Qt::Key_Return);
    });
    QCOMPARE(ShowMessageDialog(kPatched, QStringLiteral("mrfyc")), 1);
    QCOMPARE(clicks.count(), 0);
    QVERIFY2(owned, "owned by the active window: no task-bar entry of its own");
    QTRY_COMPARE(QApplication::activeWindow(), &window);
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {},
                      button->mapTo(&window, button->rect().center()));
    QCOMPARE(clicks.count(), 1);
}

void TestMessageDialog::ctrlCCopiesTheContent_data()
{
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("clipboardWorks");
    QTest::addColumn<bool>("copied");
    QTest::newRow("Ctrl+C") << int(Qt::ControlModifier) << true << true;
    QTest::newRow("Ctrl+C, clipboard refused") << int(Qt::ControlModifier) << false << false;
    QTest::newRow("Ctrl+Shift+C") << int(Qt::ControlModifier | Qt::ShiftModifier) << true << false;
    QTest::newRow("Ctrl+Alt+C") << int(Qt::ControlModifier | Qt::AltModifier) << true << false;
}

void TestMessageDialog::ctrlCCopiesTheContent()
{
    QFETCH(int, modifiers);
    QFETCH(bool, clipboardWorks);
    QFETCH(bool, copied);
    if (!clipboardWorks)
        ClipboardSeam().Set([](const QString &) { return false; });
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    bool stillOpen = false;
    WhenModal([&stillOpen, modifiers](QWidget *modal) {
        QTest::keyClick(KeyTarget(modal), Qt::Key_C, Qt::KeyboardModifiers(modifiers));
        stillOpen = modal->isVisible();
        QTest::keyClick(KeyTarget(modal), Qt::Key_Return);
    });
    QCOMPARE(ShowMessageDialog(kPatched, QStringLiteral("mrfyc")), 1);
    QVERIFY(stillOpen);

    const QString divider = QStringLiteral("---------------------------\r\n");
    QCOMPARE(QGuiApplication::clipboard()->text(), copied ? divider + "mrfyc\r\n" + divider +
                                                                kPatched + "\r\n" + divider +
                                                                "OK   \r\n" + divider
                                                          : QStringLiteral("before"));
    const bool ctrlAlone = modifiers == Qt::ControlModifier;
    QCOMPARE(m_beeps, ctrlAlone ? QList<BeepKind>{BeepKind::Default} : QList<BeepKind>{});
    QCOMPARE(m_reports, clipboardWorks
                            ? QStringList{}
                            : QStringList{QStringLiteral("クリップボードを開くことができません.")});
}

void TestMessageDialog::noticeBeepsBeforeItsDialog()
{
    QStringList events;
    BeepSeam().Set([&events](BeepKind kind) {
        events << (kind == BeepKind::Notice ? "notice beep" : "default beep");
        if (QApplication::activeModalWidget())
            events << "dialog already open";
    });
    WhenModal([&events](QWidget *modal) {
        events << "dialog " + modal->windowTitle() + " " +
                      modal->findChild<QLabel *>("Message")->text();
        QTest::keyClick(KeyTarget(modal), Qt::Key_Return);
    });
    ShowNotice(kPatched);
    BeepSeam().Set([this](BeepKind kind) { m_beeps.append(kind); });
    QCOMPARE(events, (QStringList{"notice beep", "dialog mrfyc " + kPatched}));
}

void TestMessageDialog::sessionEndClosesNoticeWithResult2()
{
    auto *application = qobject_cast<TApplication *>(qApp);
    QVERIFY(application);
    int result = 0;
    bool returnedInsideLoop = false;
    QTimer::singleShot(0, [&] {
        WhenModal([application](QWidget *) { application->EndSession(); });
        result = ShowMessageDialog(kPatched, QStringLiteral("mrfyc"));
        returnedInsideLoop = true;
    });
    // The main loop of the program, ended by the session end.
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(returnedInsideLoop);
    QCOMPARE(result, 2);
}

int main(int argc, char **argv)
{
    TApplication application(argc, argv);
    TestMessageDialog test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_message_dialog.moc"
