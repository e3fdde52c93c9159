// SPDX-License-Identifier: MIT
#include "spin_test_support.h"

#include <QTimerEvent>

#include <memory>

using namespace mrfyc;
using namespace mrfyc::test;

namespace {

// As the error report shows it, with its full stop.
const QString kTimerError =
    QString::fromUtf8(kTimerErrorText.data(), kTimerErrorText.size()) + u'.';

class FailingSpinEdit : public TSpinEdit
{
public:
    using TSpinEdit::TSpinEdit;
    void StepUp() override { throw Exception("step failed"); }
};

// One tick of the arrow's own repeat timer, delivered now.
void Tick(TTimerSpeedButton *arrow)
{
    QVERIFY(arrow->RepeatTimerId() != 0);
    QTimerEvent tick(arrow->RepeatTimerId());
    QCoreApplication::sendEvent(arrow, &tick);
}

QImage Render(QWidget *widget)
{
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestSpinButton : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void clickStepsOnceAtTheReleaseOverTheArrow();
    void otherButtonsNeitherPressNorStep_data();
    void otherButtonsNeitherPressNorStep();

    void repeatTimerTicksStepTheField();
    void readOnlyArrowsOnlyBeepOnEveryTick();
    void timerFailureIsReported();
    void failingStepStopsTheTimerAndIsReported();
    void fieldDeletedByAStepDuringRepeat();
    void lostCaptureReleasesTheArrow_data();
    void lostCaptureReleasesTheArrow();

    void pairNeverTakesTheFocus();

    void arrowLayoutSharesOneRow();
    void arrowsDrawTheBitmapCentredAndShiftedWhilePressed_data();
    void arrowsDrawTheBitmapCentredAndShiftedWhilePressed();

private:
    ReportedErrors m_errors;
    std::unique_ptr<SpinWindow> m_window;
    TSpinEdit *m_edit = nullptr;
    TTimerSpeedButton *m_up = nullptr;
    TTimerSpeedButton *m_down = nullptr;
};

void TestSpinButton::init()
{
    m_window = std::make_unique<SpinWindow>();
    m_edit = m_window->edit;
    m_edit->setFont(FontOfHeight(12));
    m_edit->setFixedSize(121, 21);
    m_edit->setMaxValue(65536);
    m_edit->setMinValue(0);
    m_edit->setValue(0);
    m_up = m_edit->Button()->UpButton();
    m_down = m_edit->Button()->DownButton();
    QVERIFY(m_window->ShowActive());
}

void TestSpinButton::cleanup()
{
    m_window.reset();
    if (QWidget *popup = QApplication::activePopupWidget())
        popup->close();
    QCOMPARE(m_errors.Take(), QStringList());
}

void TestSpinButton::clickStepsOnceAtTheReleaseOverTheArrow()
{
    QSignalSpy ups(m_edit->Button(), &TSpinButton::OnUpClick);
    const QPoint centre = m_up->rect().center();
    QTest::mousePress(m_up, Qt::LeftButton, {}, centre);
    QVERIFY(m_up->IsDown());
    QCOMPARE(m_edit->text(), QStringLiteral("0"));
    QTest::mouseRelease(m_up, Qt::LeftButton, {}, centre);
    QVERIFY(!m_up->IsDown());
    QCOMPARE(m_edit->text(), QStringLiteral("1"));
    QCOMPARE(ups.count(), 1);
    QCOMPARE(m_up->RepeatTimerId(), 0);
    QTest::mouseClick(m_down, Qt::LeftButton, {}, m_down->rect().center());
    QCOMPARE(m_edit->text(), QStringLiteral("0"));
    // Qt reports the second press of a double-click apart; the arrows do not need the editor.
    m_edit->setEditorEnabled(false);
    QTest::mouseDClick(m_up, Qt::LeftButton, {}, centre);
    QCOMPARE(ups.count(), 3);
    QCOMPARE(m_edit->text(), QStringLiteral("2"));

    // Where the arrow ends is the rule's table; here: moves reach it and redraw the arrow, and
    // a release off it takes no step.
    const QPoint off(15, 4);
    QTest::mousePress(m_up, Qt::LeftButton, {}, centre);
    QTest::mouseMove(m_up, off);
    QVERIFY(!m_up->IsDown());
    QTest::mouseMove(m_up, centre);
    QVERIFY(m_up->IsDown());
    QTest::mouseMove(m_up, off);
    QTest::mouseRelease(m_up, Qt::LeftButton, {}, off);
    QVERIFY(!m_up->IsDown());
    QCOMPARE(m_edit->text(), QStringLiteral("2"));
}

void TestSpinButton::otherButtonsNeitherPressNorStep_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::newRow("middle") << Qt::MiddleButton;
    QTest::newRow("right: the field's menu") << Qt::RightButton;
}

void TestSpinButton::otherButtonsNeitherPressNorStep()
{
    QFETCH(Qt::MouseButton, button);
    const QPoint centre = m_up->rect().center();
    QTest::mousePress(m_up, button, {}, centre);
    QVERIFY(!m_up->IsDown());
    if (m_up->RepeatTimerId() != 0)
        Tick(m_up); // a timer the press started takes no step
    // The right button opens the field's own menu, which takes the release.
    QWidget *menu = QApplication::activePopupWidget();
    QCOMPARE(menu != nullptr, button == Qt::RightButton);
    QTest::mouseRelease(menu ? menu : m_up, button, {}, menu ? QPoint(-5, -5) : centre);
    if (m_up->RepeatTimerId() != 0)
        Tick(m_up);
    QCOMPARE(m_up->RepeatTimerId(), 0);
    QCOMPARE(m_edit->text(), QStringLiteral("0"));
}

void TestSpinButton::repeatTimerTicksStepTheField()
{
    // The schedule itself is the rule's table; here: the timer runs at its intervals and each
    // tick's step reaches the field.
    const QPoint centre = m_up->rect().center();
    // The ticks are delivered by the test; the real timer is set so far off that it never fires.
    m_edit->Button()->setRepeatTiming(400 * 1000, 100 * 1000);
    QTest::mousePress(m_up, Qt::LeftButton, {}, centre);
    QCOMPARE(m_up->RepeatTimerInterval(), 400 * 1000);
    Tick(m_up);
    QCOMPARE(m_up->RepeatTimerInterval(), 100 * 1000);
    Tick(m_up);
    QCOMPARE(m_edit->text(), QStringLiteral("2"));
    QTest::mouseRelease(m_up, Qt::LeftButton, {}, centre);
    QCOMPARE(m_edit->text(), QStringLiteral("3"));
    QCOMPARE(m_up->RepeatTimerId(), 0);
}

void TestSpinButton::readOnlyArrowsOnlyBeepOnEveryTick()
{
    m_edit->setReadOnly(true);
    m_edit->setValue(5); // writing Value is not editing
    QSignalSpy changes(m_edit, &TSpinEdit::OnChange);
    BeepCounter beeps;
    const QPoint centre = m_up->rect().center();
    QTest::mousePress(m_up, Qt::LeftButton, {}, centre);
    Tick(m_up);
    Tick(m_up);
    QTest::mouseRelease(m_up, Qt::LeftButton, {}, centre);
    QCOMPARE(beeps.Count(), 3);
    QCOMPARE(m_edit->text(), QStringLiteral("5"));
    QCOMPARE(changes.count(), 0);
}

void TestSpinButton::timerFailureIsReported()
{
    // At which start the timer fails, and that the next press is ordinary, is the rule's table;
    // here: the report and the let-go.
    auto *arrow = new TTimerSpeedButton(m_window.get());
    // The platform refuses the repeat timer at the press.
    arrow->setTimerAnswerer([calls = 0](int) mutable { return ++calls != 1; });
    arrow->setAllowRepeat(true);
    arrow->setGeometry(200, 80, 15, 8);
    arrow->show();
    QSignalSpy clicks(arrow, &TTimerSpeedButton::OnClick);
    const QPoint centre = arrow->rect().center();

    QTest::mousePress(arrow, Qt::LeftButton, {}, centre);
    QCOMPARE(m_errors.Take(), QStringList{kTimerError});
    // That press does not repeat, and the report let go of the arrow before showing the error.
    QCOMPARE(arrow->RepeatTimerId(), 0);
    QVERIFY(!arrow->IsDown() && !arrow->IsHeld());
    QTest::mouseRelease(arrow, Qt::LeftButton, {}, centre);
    QCOMPARE(clicks.count(), 0);
}

void TestSpinButton::failingStepStopsTheTimerAndIsReported()
{
    auto *edit = new FailingSpinEdit(m_window.get());
    edit->setGeometry(150, 80, 121, 21);
    edit->show();
    TTimerSpeedButton *up = edit->Button()->UpButton();
    const QPoint centre = up->rect().center();
    QTest::mousePress(up, Qt::LeftButton, {}, centre);
    Tick(up);
    QCOMPARE(m_errors.Take(), QStringList{"step failed."});
    QCOMPARE(up->RepeatTimerId(), 0);
    QVERIFY(!up->IsDown());
    QTest::mouseRelease(up, Qt::LeftButton, {}, centre);
    QCOMPARE(m_errors.Take(), QStringList());

    // A click's own step fails the same way, once.
    QTest::mouseClick(up, Qt::LeftButton, {}, centre);
    QCOMPARE(m_errors.Take(), QStringList{"step failed."});
}

void TestSpinButton::fieldDeletedByAStepDuringRepeat()
{
    QPointer<TSpinEdit> edit = m_edit;
    QPointer<TTimerSpeedButton> up = m_up;
    connect(m_edit, &TSpinEdit::OnChange, this, [&] { delete edit.data(); });
    QTest::mousePress(m_up, Qt::LeftButton, {}, m_up->rect().center());
    Tick(m_up);
    QVERIFY(edit.isNull());
    QVERIFY(up.isNull());
}

void TestSpinButton::lostCaptureReleasesTheArrow_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("grab taken away") << "ungrab";
    QTest::newRow("another window activated") << "deactivate";
    QTest::newRow("field hidden") << "hide";
    QTest::newRow("field disabled") << "disable";
}

void TestSpinButton::lostCaptureReleasesTheArrow()
{
    QFETCH(QString, how);
    const QPoint centre = m_up->rect().center();
    QTest::mousePress(m_up, Qt::LeftButton, {}, centre);
    QVERIFY(m_up->IsDown());
    QWidget other;
    if (how == "ungrab") {
        QEvent ungrab(QEvent::UngrabMouse);
        QCoreApplication::sendEvent(m_up, &ungrab);
    } else if (how == "deactivate") {
        other.resize(50, 50);
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
    } else if (how == "hide") {
        m_edit->hide();
    } else {
        m_edit->setEnabled(false);
    }
    QTRY_VERIFY(!m_up->IsDown());
    QCOMPARE(m_up->RepeatTimerId(), 0);
    QCOMPARE(m_up->IsHeld(), false);
    QTest::mouseRelease(m_up, Qt::LeftButton, {}, centre);
    QCOMPARE(m_edit->text(), QStringLiteral("0"));
}

void TestSpinButton::pairNeverTakesTheFocus()
{
    auto *pair = new TSpinButton(m_window.get());
    QCOMPARE(pair->focusPolicy(), Qt::NoFocus); // not by Tab either
    pair->move(200, 70);
    pair->show();
    QSignalSpy downs(pair, &TSpinButton::OnDownClick);
    m_window->other->setFocus();
    TTimerSpeedButton *down = pair->DownButton();
    QTest::mouseClick(down, Qt::LeftButton, {}, down->rect().center());
    QCOMPARE(downs.count(), 1);
    QVERIFY(m_window->other->hasFocus());

    // A destroyed FocusControl is forgotten.
    auto *control = new QLineEdit(m_window.get());
    pair->setFocusControl(control);
    delete control;
    QCOMPARE(pair->FocusControl(), nullptr);
}

void TestSpinButton::arrowLayoutSharesOneRow()
{
    // The places are the rule's table; here: a pair given less than its least width is widened
    // and its arrows stand where the rule puts them.
    auto *pair = new TSpinButton(m_window.get());
    QCOMPARE(pair->size(), QSize(20, 25));
    pair->resize(9, 16);
    pair->show();
    QCOMPARE(pair->width(), 15);
    QCOMPARE(pair->UpButton()->geometry(), QRect(0, 0, 15, 8));
    QCOMPARE(pair->DownButton()->geometry(), QRect(0, 7, 15, 9));
}

void TestSpinButton::arrowsDrawTheBitmapCentredAndShiftedWhilePressed_data()
{
    QTest::addColumn<bool>("dark");
    QTest::newRow("default colours") << false;
    QTest::newRow("dark colour scheme") << true;
}

void TestSpinButton::arrowsDrawTheBitmapCentredAndShiftedWhilePressed()
{
    QFETCH(bool, dark);
    if (dark) {
        QPalette scheme = m_edit->palette();
        scheme.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
        scheme.setColor(QPalette::ButtonText, QColor(0xEE, 0xEE, 0xEE));
        scheme.setColor(QPalette::Light, QColor(0x50, 0x50, 0x50));
        scheme.setColor(QPalette::Shadow, QColor(0x10, 0x10, 0x10));
        m_edit->setPalette(scheme);
    }
    // The 9 x 6 glyph at its place: a triangle in the text colour, its olive background
    // transparent.
    const QPalette palette = m_up->palette();
    const QRgb arrow = palette.color(QPalette::ButtonText).rgb();
    const auto glyphAt = [&palette, arrow](const QImage &image, QPoint at, bool pointUp) {
        QCOMPARE(image.pixel(at), palette.color(QPalette::Button).rgb());
        for (int y = 0; y < 6; ++y) {
            const int row = pointUp ? y : 5 - y; // rows counted from the point
            for (int x = 0; x < 9; ++x) {
                const bool triangle = row >= 1 && row <= 4 && qAbs(x - 4) <= row - 1;
                QCOMPARE(image.pixel(at + QPoint(x, y)) == arrow, triangle);
            }
        }
    };
    // Up arrow 15 x 8: the glyph at (3, 1) on a raised frame.
    QImage image = Render(m_up);
    QCOMPARE(image.pixel(0, 0), palette.color(QPalette::Light).rgb());
    QCOMPARE(image.pixel(14, 7), palette.color(QPalette::Shadow).rgb());
    glyphAt(image, QPoint(3, 1), true);
    // Down arrow 15 x 9: the spare odd row goes to the top margin, so the glyph is at (3, 2).
    glyphAt(Render(m_down), QPoint(3, 2), false);
    // Pressed: sunken frame, glyph one pixel right and down.
    QTest::mousePress(m_up, Qt::LeftButton, {}, m_up->rect().center());
    image = Render(m_up);
    QCOMPARE(image.pixel(0, 0), palette.color(QPalette::Shadow).rgb());
    glyphAt(image, QPoint(4, 2), true);
    QTest::mouseRelease(m_up, Qt::LeftButton, {}, m_up->rect().center());
}

MRFYC_SPIN_TEST_MAIN(TestSpinButton)
#include "tst_spin_button.moc"
