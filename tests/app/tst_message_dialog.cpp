#include "app/application.h"
#include "app/beep.h"
#include "app/error_report.h"
#include "app/message_dialog.h"
#include "app/message_form.h"
#include "app/notice.h"

#include "modal_helper.h"

#include <QClipboard>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
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

    void baseValuesOfTheMessageFont();
    void dialogGeometryFollowsTheLayout_data();
    void dialogGeometryFollowsTheLayout();
    void longTextWrapsAndGrowsOnlyInHeight();
    void tabsAreExpanded();
    void labelAndButtonAreNamedAndPlain();
    void cachedCaptionWidthSurvivesFontChange();

    void keysAndCloseGiveResults_data();
    void keysAndCloseGiveResults();
    void centredOnThePrimaryScreen();
    void largerThanTheScreenPlacedAtZero();

    void ctrlCCopiesTheContent();
    void ctrlWithShiftOrAltCopiesNothing_data();
    void ctrlWithShiftOrAltCopiesNothing();
    void clipboardFailureIsReportedAndDialogStays();

    void noticeBeepsBeforeItsDialog();
    void sessionEndClosesNoticeWithResult2();

private:
    QList<BeepKind> m_beeps;
    QStringList m_reports;
};

void TestMessageDialog::initTestCase()
{
    QApplication::setFont(PixelFont(12), "QMessageBoxLabel");
    SetBeepObserver([this](BeepKind kind) { m_beeps.append(kind); });
    SetErrorReportHook([this](const QString &text) { m_reports.append(text); });
}

void TestMessageDialog::init()
{
    TMessageForm::ForgetCaptionWidth();
    m_beeps.clear();
    m_reports.clear();
}

void TestMessageDialog::cleanup()
{
    TMessageForm::SetClipboardWriter({});
    QApplication::setFont(PixelFont(12), "QMessageBoxLabel");
    QVERIFY(!QApplication::activeModalWidget());
    QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
}

void TestMessageDialog::baseValuesOfTheMessageFont()
{
    // IPAPGothic at 12 px: the A-Z a-z string is 364 px wide (7 per character) and 13 high.
    const MessageMetrics metrics = TMessageForm::Measure(TMessageForm::MessageFont(), "x");
    QCOMPARE(metrics.ax, 7);
    QCOMPARE(metrics.ay, 13);
}

void TestMessageDialog::dialogGeometryFollowsTheLayout_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("notice") << kPatched;
    QTest::newRow("empty") << QString();
    QTest::newRow("two lines") << QStringLiteral("一行目\n二行目はもっと長い");
    QTest::newRow("long") << QString(120, u'あ');
    QTest::newRow("tab") << QStringLiteral("a\tb");
}

void TestMessageDialog::dialogGeometryFollowsTheLayout()
{
    QFETCH(QString, text);
    const TMessageForm form(text, QStringLiteral("mrfyc"));

    const QFontMetrics metrics(PixelFont(12));
    const int halfScreen = QGuiApplication::primaryScreen()->geometry().width() / 2;
    MessageMetrics expected{7, 13, QSize(), metrics.size(Qt::TextSingleLine, "OK").width() + 8};
    expected.text = metrics
                        .boundingRect(QRect(0, 0, halfScreen, 0),
                                      Qt::AlignLeft | Qt::TextWordWrap | Qt::TextExpandTabs, text)
                        .size();
    const MessageLayout layout = LayOutMessage(expected);

    QCOMPARE(form.size(), layout.client);
    QCOMPARE(form.minimumSize(), layout.client); // not resizable
    QCOMPARE(form.maximumSize(), layout.client);
    QCOMPARE(form.Message()->geometry(), layout.label);
    QCOMPARE(form.OkButton()->geometry(), layout.button);
}

void TestMessageDialog::longTextWrapsAndGrowsOnlyInHeight()
{
    const int halfScreen = QGuiApplication::primaryScreen()->geometry().width() / 2;
    const QString longText = QString(200, u'あ') + QStringLiteral(" and some words to break at");
    const TMessageForm form(longText, QStringLiteral("mrfyc"));
    const MessageLayout &layout = form.Layout();

    QVERIFY(layout.label.width() <= halfScreen);
    QVERIFY(layout.label.width() > halfScreen * 3 / 4);
    QVERIFY2(layout.label.height() >= 4 * 13, "wraps onto several lines");
    QCOMPARE(form.width(), layout.label.width() + 2 * layout.horizontalMargin);
}

void TestMessageDialog::tabsAreExpanded()
{
    const QFont font = TMessageForm::MessageFont();
    const int withTab = TMessageForm::Measure(font, QStringLiteral("a\tb")).text.width();
    const int withSpace = TMessageForm::Measure(font, QStringLiteral("a b")).text.width();
    QVERIFY2(withTab > withSpace + 7 * 3, "the tab reaches the next tab stop");
    const TMessageForm form(QStringLiteral("a\tb"), QStringLiteral("mrfyc"));
    QCOMPARE(form.Message()->text(), QStringLiteral("a\tb"));
    QVERIFY(form.Message()->alignment() & Qt::AlignLeft);
}

void TestMessageDialog::labelAndButtonAreNamedAndPlain()
{
    const QString text = QStringLiteral("<b>A&B</b> ");
    const TMessageForm form(text, QStringLiteral("cap"));
    QCOMPARE(form.findChild<QLabel *>("Message"), form.Message());
    QCOMPARE(form.findChild<QPushButton *>("OK"), form.OkButton());
    QCOMPARE(form.Message()->text(), text);
    QCOMPARE(form.Message()->textFormat(), Qt::PlainText);
    QVERIFY(form.Message()->wordWrap());
    QCOMPARE(form.OkButton()->text(), QStringLiteral("OK"));
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
    QTest::addColumn<int>("key"); // 0: the close box, -1: a mouse click on OK
    QTest::addColumn<int>("expected");
    QTest::newRow("Enter") << int(Qt::Key_Enter) << 1;
    QTest::newRow("Return") << int(Qt::Key_Return) << 1;
    QTest::newRow("Esc") << int(Qt::Key_Escape) << 1;
    QTest::newRow("Space") << int(Qt::Key_Space) << 1;
    QTest::newRow("click") << -1 << 1;
    QTest::newRow("close box") << 0 << 2;
}

void TestMessageDialog::keysAndCloseGiveResults()
{
    QFETCH(int, key);
    QFETCH(int, expected);
    WhenModal([key](QWidget *modal) {
        if (key == 0)
            modal->close();
        else if (key == -1)
            QTest::mouseClick(modal->findChild<QPushButton *>("OK"), Qt::LeftButton);
        else
            QTest::keyClick(KeyTarget(modal), Qt::Key(key));
    });
    QCOMPARE(ShowMessageDialog(kPatched, QStringLiteral("mrfyc")), expected);
}

void TestMessageDialog::centredOnThePrimaryScreen()
{
    QRect geometry;
    WhenModal([&geometry](QWidget *modal) {
        geometry = modal->frameGeometry();
        QTest::keyClick(KeyTarget(modal), Qt::Key_Escape);
    });
    ShowMessageDialog(kPatched, QStringLiteral("mrfyc"));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(geometry.topLeft(), QPoint((screen.width() - geometry.width()) / 2,
                                        (screen.height() - geometry.height()) / 2));
}

void TestMessageDialog::largerThanTheScreenPlacedAtZero()
{
    QStringList lines;
    for (int i = 0; i < 100; ++i)
        lines << QStringLiteral("行 %1").arg(i);
    QRect geometry;
    WhenModal([&geometry](QWidget *modal) {
        geometry = modal->frameGeometry();
        QTest::keyClick(KeyTarget(modal), Qt::Key_Escape);
    });
    ShowMessageDialog(lines.join(u'\n'), QStringLiteral("mrfyc"));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QVERIFY(geometry.height() > screen.height());
    QCOMPARE(geometry.top(), 0);
    QCOMPARE(geometry.left(), (screen.width() - geometry.width()) / 2);
}

void TestMessageDialog::ctrlCCopiesTheContent()
{
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    bool stillOpen = false;
    WhenModal([&stillOpen](QWidget *modal) {
        QTest::keyClick(KeyTarget(modal), Qt::Key_C, Qt::ControlModifier);
        stillOpen = modal->isVisible();
        QTest::keyClick(KeyTarget(modal), Qt::Key_Return);
    });
    QCOMPARE(ShowMessageDialog(kPatched, QStringLiteral("mrfyc")), 1);

    const QString divider = QStringLiteral("---------------------------\r\n");
    QCOMPARE(QGuiApplication::clipboard()->text(),
             divider + "mrfyc\r\n" + divider + kPatched + "\r\n" + divider + "OK   \r\n" + divider);
    QCOMPARE(m_beeps, QList<BeepKind>{BeepKind::Default});
    QVERIFY(stillOpen);
    QVERIFY(m_reports.isEmpty());
}

void TestMessageDialog::ctrlWithShiftOrAltCopiesNothing_data()
{
    QTest::addColumn<int>("modifiers");
    QTest::newRow("Ctrl+Shift+C") << int(Qt::ControlModifier | Qt::ShiftModifier);
    QTest::newRow("Ctrl+Alt+C") << int(Qt::ControlModifier | Qt::AltModifier);
    QTest::newRow("C alone") << int(Qt::NoModifier);
}

void TestMessageDialog::ctrlWithShiftOrAltCopiesNothing()
{
    QFETCH(int, modifiers);
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    bool stillOpen = false;
    WhenModal([&stillOpen, modifiers](QWidget *modal) {
        QTest::keyClick(KeyTarget(modal), Qt::Key_C, Qt::KeyboardModifiers(modifiers));
        stillOpen = modal->isVisible();
        QTest::keyClick(KeyTarget(modal), Qt::Key_Escape);
    });
    QCOMPARE(ShowMessageDialog(kPatched, QStringLiteral("mrfyc")), 1);
    QVERIFY(stillOpen);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
    QVERIFY(m_beeps.isEmpty());
}

void TestMessageDialog::clipboardFailureIsReportedAndDialogStays()
{
    TMessageForm::SetClipboardWriter([](const QString &) { return false; });
    bool stillOpen = false;
    WhenModal([&stillOpen](QWidget *modal) {
        QTest::keyClick(KeyTarget(modal), Qt::Key_C, Qt::ControlModifier);
        stillOpen = modal->isVisible();
        QTest::keyClick(KeyTarget(modal), Qt::Key_Escape);
    });
    QCOMPARE(ShowMessageDialog(kPatched, QStringLiteral("mrfyc")), 1);
    QVERIFY(stillOpen);
    QCOMPARE(m_reports, QStringList{QStringLiteral("クリップボードを開くことができません.")});
}

void TestMessageDialog::noticeBeepsBeforeItsDialog()
{
    QStringList events;
    SetBeepObserver([&events](BeepKind kind) {
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
    SetBeepObserver([this](BeepKind kind) { m_beeps.append(kind); });
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
