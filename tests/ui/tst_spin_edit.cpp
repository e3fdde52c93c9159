#include "spin_test_support.h"

#include <QClipboard>
#include <QMenu>
#include <QMimeData>

#include <limits>
#include <memory>

using namespace mrfyc;
using namespace mrfyc::test;

namespace {

constexpr std::int32_t kMin32 = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax32 = std::numeric_limits<std::int32_t>::max();

// Types text with one key press per character, as a keyboard would.
void Type(QWidget *widget, const QString &text)
{
    for (char32_t code : text.toUcs4()) {
        if (code > 32 && code < 127) {
            QTest::keyClick(widget, char(code));
        } else if (code == U' ') {
            QTest::keyClick(widget, Qt::Key_Space);
        } else {
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString::fromUcs4(&code, 1),
                                Qt::NoModifier);
        }
    }
}

QAction *MenuAction(QMenu *menu, const QString &name)
{
    const QList<QAction *> actions = menu->actions();
    for (QAction *action : actions) {
        if (action->objectName() == name) {
            return action;
        }
    }
    return nullptr;
}

// Records the keys that reach it after its children let them pass.
class KeyRecorder : public QWidget
{
public:
    QList<int> keys;

protected:
    void keyPressEvent(QKeyEvent *event) override { keys << event->key(); }
};

enum class Route
{
    Keys,
    ContextMenu,
    Drop,
    Slot,
    Invoke
};

} // namespace

Q_DECLARE_METATYPE(Route)

class TestSpinEdit : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void readingFollowsTheTextRulesWithoutSideEffects_data();
    void readingFollowsTheTextRulesWithoutSideEffects();
    void writingBoundsAndFormatsTheNumber_data();
    void writingBoundsAndFormatsTheNumber();
    void onChangeOnlyWhenTheTextReallyChanges();
    void stepsAreBoundedWithoutWrapAround_data();
    void stepsAreBoundedWithoutWrapAround();
    void readOnlyStepsOnlyBeep();

    void acceptsCharTable_data();
    void acceptsCharTable();
    void decimalSeparatorFollowsTheLocale();
    void typedCharactersAreFilteredWithOneBeepEach_data();
    void typedCharactersAreFilteredWithOneBeepEach();
    void controlKeys_data();
    void controlKeys();
    void upAndDownStepOncePerPressThenPassOn();
    void pageHomeEndAndWheelNeverStep();
    void inputMethodTextIsFiltered();

    void exitRuleOnRealFocusChange_data();
    void exitRuleOnRealFocusChange();
    void entrySelection_data();
    void entrySelection();

    void pasteAndCutObeyEditorAndReadOnly_data();
    void pasteAndCutObeyEditorAndReadOnly();
    void pastedTextIsNotFiltered();
    void middleClickPasteObeysEditor();
    void filesDroppedOnTheFieldGoToTheWindow();
    void contextMenuDoesNotTriggerTheExitRule();

    void heightFromFontMetrics();
    void geometryOfAMainWindowField();
    void textAreaEndsLeftOfThePair();

private:
    ReportedErrors m_errors;
};

void TestSpinEdit::cleanup()
{
    if (QWidget *popup = QApplication::activePopupWidget()) {
        popup->close();
    }
    QCOMPARE(m_errors.Take(), QStringList());
    QLocale::setDefault(QLocale::c());
}

void TestSpinEdit::readingFollowsTheTextRulesWithoutSideEffects_data()
{
    // Every form is in the reader's own table; here, what the field adds. Bounds 3..100.
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");
    QTest::newRow("empty reads as MinValue") << "" << 3;
    QTest::newRow("1.5 reads as MinValue") << "1.5" << 3;
    QTest::newRow("beyond 32 bits reads as MinValue") << "9999999999" << 3;
    QTest::newRow("leading zeros") << " 007" << 7;
    QTest::newRow("hex as a bit pattern") << "$FFFFFFFF" << -1;
    QTest::newRow("outside the bounds unchanged") << "500" << 500;
    QTest::newRow("lowest") << "-2147483648" << kMin32;
}

void TestSpinEdit::readingFollowsTheTextRulesWithoutSideEffects()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    TSpinEdit edit;
    edit.setMinValue(3);
    edit.setMaxValue(100);
    edit.setText(text);
    QSignalSpy changes(&edit, &TSpinEdit::OnChange);
    QCOMPARE(edit.Value(), expected);
    QCOMPARE(edit.property("Value").toInt(), expected);
    QCOMPARE(edit.text(), text);
    QCOMPARE(changes.count(), 0);
}

void TestSpinEdit::writingBoundsAndFormatsTheNumber_data()
{
    QTest::addColumn<int>("minValue");
    QTest::addColumn<int>("maxValue");
    QTest::addColumn<int>("written");
    QTest::addColumn<QString>("shown");
    QTest::newRow("inside") << 0 << 65536 << 1200 << "1200";
    QTest::newRow("below") << 1 << 9 << 0 << "1";
    QTest::newRow("above") << 1 << 9 << 12 << "9";
    QTest::newRow("negative no plus or zeros") << -100 << 100 << -7 << "-7";
    QTest::newRow("no bounds lowest") << 0 << 0 << kMin32 << "-2147483648";
    QTest::newRow("no bounds highest") << 0 << 0 << kMax32 << "2147483647";
    QTest::newRow("no bounds equal nonzero") << 5 << 5 << -3 << "-3";
    QTest::newRow("reversed between") << 10 << 5 << 7 << "10";
    QTest::newRow("reversed above") << 10 << 5 << 12 << "5";
    QTest::newRow("reversed below") << 10 << 5 << 3 << "10";
    QTest::newRow("reversed at min") << 10 << 5 << 10 << "5";
}

void TestSpinEdit::writingBoundsAndFormatsTheNumber()
{
    QFETCH(int, minValue);
    QFETCH(int, maxValue);
    QFETCH(int, written);
    QFETCH(QString, shown);
    TSpinEdit edit;
    // In the layout's order: bounds first, so that the value is written with them.
    edit.setProperty("MaxValue", maxValue);
    edit.setProperty("MinValue", minValue);
    edit.setProperty("Value", written);
    QCOMPARE(edit.text(), shown);
}

void TestSpinEdit::onChangeOnlyWhenTheTextReallyChanges()
{
    TSpinEdit edit;
    edit.setMaxValue(100);
    QObject *sender = nullptr;
    int changes = 0;
    connect(&edit, &TSpinEdit::OnChange, this, [&](QObject *from) {
        sender = from;
        ++changes;
    });

    edit.setValue(5);
    QCOMPARE(changes, 1);
    QCOMPARE(sender, &edit);
    edit.setValue(5);
    QCOMPARE(changes, 1);

    edit.setText(QStringLiteral("005"));
    QCOMPARE(changes, 2);
    edit.setValue(5);
    QCOMPARE(edit.text(), QStringLiteral("5"));
    QCOMPARE(changes, 3);

    edit.setValue(500); // bounded to "100"
    edit.setValue(100);
    QCOMPARE(changes, 4);
    edit.StepUp();
    QCOMPARE(changes, 4);
    edit.StepDown();
    QCOMPARE(changes, 5);

    edit.setFocus();
    edit.end(false);
    Type(&edit, QStringLiteral("1a2"));
    QCOMPARE(edit.text(), QStringLiteral("9912"));
    QCOMPARE(changes, 7);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QCOMPARE(changes, 8);
}

void TestSpinEdit::stepsAreBoundedWithoutWrapAround_data()
{
    QTest::addColumn<int>("minValue");
    QTest::addColumn<int>("maxValue");
    QTest::addColumn<int>("increment");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("up");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("changes");
    QTest::newRow("UdH at its top") << 0 << 65536 << 1 << "65536" << true << "65536" << 0;
    QTest::newRow("UdH at its bottom") << 0 << 65536 << 1 << "0" << false << "0" << 0;
    QTest::newRow("Udl at 2147483647")
        << 0 << kMax32 << 1 << "2147483647" << true << "2147483647" << 0;
    QTest::newRow("bottom of 32 bits")
        << kMin32 << 0 << 1 << "-2147483648" << false << "-2147483648" << 0;
    QTest::newRow("huge increment to the top")
        << 0 << kMax32 << kMax32 << "5" << true << "2147483647" << 1;
    QTest::newRow("huge increment to the bottom")
        << kMin32 << kMax32 << kMin32 << "-5" << true << "-2147483648" << 1;
    QTest::newRow("leading zeros rewritten") << 0 << 100 << 1 << "007" << true << "8" << 1;
    QTest::newRow("1.5 counts as MinValue") << 0 << 65536 << 1 << "1.5" << true << "1" << 1;
    QTest::newRow("empty counts as MinValue") << 1 << 9 << 1 << "" << true << "2" << 1;
    QTest::newRow("hex rewritten in decimal") << 0 << 65536 << 1 << "$10" << false << "15" << 1;
    QTest::newRow("out of bounds text pulled in") << 1 << 9 << 1 << "50" << false << "9" << 1;
    QTest::newRow("zero increment") << 0 << 10 << 0 << "+5" << true << "5" << 1;
    QTest::newRow("negative increment") << 0 << 10 << -3 << "5" << true << "2" << 1;
    QTest::newRow("unbounded top stays")
        << 0 << 0 << 1 << "2147483647" << true << "2147483647" << 0;
    QTest::newRow("unbounded bottom stays")
        << 0 << 0 << 1 << "-2147483648" << false << "-2147483648" << 0;
    QTest::newRow("unbounded lowest increment down")
        << 0 << 0 << kMin32 << "0" << false << "2147483647" << 1;
    QTest::newRow("reversed bounds") << 10 << 5 << 1 << "7" << true << "10" << 1;
}

void TestSpinEdit::stepsAreBoundedWithoutWrapAround()
{
    QFETCH(int, minValue);
    QFETCH(int, maxValue);
    QFETCH(int, increment);
    QFETCH(QString, text);
    QFETCH(bool, up);
    QFETCH(QString, expected);
    QFETCH(int, changes);
    TSpinEdit edit;
    edit.setMinValue(minValue);
    edit.setMaxValue(maxValue);
    edit.setIncrement(increment);
    edit.setText(text);
    QSignalSpy spy(&edit, &TSpinEdit::OnChange);
    BeepCounter beeps;
    up ? edit.StepUp() : edit.StepDown();
    QCOMPARE(edit.text(), expected);
    QCOMPARE(spy.count(), changes);
    QCOMPARE(beeps.Count(), 0);
}

void TestSpinEdit::readOnlyStepsOnlyBeep()
{
    SpinWindow window;
    QVERIFY(window.ShowActive());
    TSpinEdit *edit = window.edit;
    edit->setMaxValue(100);
    edit->setText(QStringLiteral("007"));
    edit->setReadOnly(true);
    QSignalSpy changes(edit, &TSpinEdit::OnChange);
    BeepCounter beeps;

    edit->StepUp();
    edit->StepDown();
    QTest::keyClick(edit, Qt::Key_Up);
    QTest::keyClick(edit, Qt::Key_Down);
    TTimerSpeedButton *up = edit->Button()->UpButton();
    QTest::mouseClick(up, Qt::LeftButton, {}, up->rect().center());
    QCOMPARE(beeps.Count(), 5);
    QCOMPARE(edit->text(), QStringLiteral("007"));
    QCOMPARE(changes.count(), 0);
}

void TestSpinEdit::acceptsCharTable_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("withEditor");
    QTest::addColumn<bool>("withoutEditor");
    QTest::newRow("0") << int('0') << true << false;
    QTest::newRow("9") << int('9') << true << false;
    QTest::newRow("+") << int('+') << true << false;
    QTest::newRow("-") << int('-') << true << false;
    QTest::newRow(".") << int('.') << true << false;
    QTest::newRow("space") << int(' ') << false << false;
    QTest::newRow("NUL") << 0 << true << true;
    QTest::newRow("backspace") << 8 << true << false;
    QTest::newRow("carriage return") << 13 << false << false;
    QTest::newRow("unit separator") << 31 << true << true;
    QTest::newRow("DEL") << 127 << false << false;
    QTest::newRow("0xFF") << 0xFF << false << false;
}

void TestSpinEdit::acceptsCharTable()
{
    QFETCH(int, code);
    QFETCH(bool, withEditor);
    QFETCH(bool, withoutEditor);
    TSpinEdit edit;
    QCOMPARE(edit.AcceptsChar(QChar(code)), withEditor);
    edit.setEditorEnabled(false);
    QCOMPARE(edit.AcceptsChar(QChar(code)), withoutEditor);
}

void TestSpinEdit::decimalSeparatorFollowsTheLocale()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    TSpinEdit edit;
    QVERIFY(edit.AcceptsChar(u','));
    QVERIFY(!edit.AcceptsChar(u'.'));
    edit.setText(QString());
    BeepCounter beeps;
    Type(&edit, QStringLiteral("1,5.2"));
    QCOMPARE(edit.text(), QStringLiteral("1,52"));
    QCOMPARE(beeps.Count(), 1);
}

void TestSpinEdit::typedCharactersAreFilteredWithOneBeepEach_data()
{
    QTest::addColumn<bool>("editorEnabled");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("beeps");
    QTest::newRow("digits") << true << "12"
                            << "12" << 0;
    QTest::newRow("signs and separators anywhere") << true << "1-2--1.5+"
                                                   << "1-2--1.5+" << 0;
    QTest::newRow("letter") << true << "1a2"
                            << "12" << 1;
    QTest::newRow("space") << true << "1 2"
                           << "12" << 1;
    QTest::newRow("punctuation") << true << "$x,*"
                                 << "" << 4;
    QTest::newRow("latin-1 letter") << true << QStringLiteral("5\u00e9") << "5" << 1;
    QTest::newRow("fullwidth digit") << true << QStringLiteral("\uFF15") << "" << 1;
    QTest::newRow("outside 16 bits") << true << QStringLiteral("\U0001F600") << "" << 1;
    QTest::newRow("editor off refuses digits") << false << "12+"
                                               << "" << 3;
}

void TestSpinEdit::typedCharactersAreFilteredWithOneBeepEach()
{
    QFETCH(bool, editorEnabled);
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    QFETCH(int, beeps);
    SpinWindow window;
    QVERIFY(window.ShowActive());
    TSpinEdit *edit = window.edit;
    edit->setText(QString());
    edit->setEditorEnabled(editorEnabled);
    edit->setFocus();
    BeepCounter counter;
    Type(edit, typed);
    QCOMPARE(edit->text(), expected);
    QCOMPARE(counter.Count(), beeps);
}

void TestSpinEdit::controlKeys_data()
{
    QTest::addColumn<bool>("editorEnabled");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("cursorAtStart");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("beeps");
    QTest::newRow("backspace deletes") << true << int(Qt::Key_Backspace) << false << "12" << 0;
    QTest::newRow("backspace refused without editor")
        << false << int(Qt::Key_Backspace) << false << "123" << 1;
    QTest::newRow("enter refused") << true << int(Qt::Key_Return) << false << "123" << 1;
    QTest::newRow("keypad enter refused") << true << int(Qt::Key_Enter) << false << "123" << 1;
    QTest::newRow("escape accepted without editor")
        << false << int(Qt::Key_Escape) << false << "123" << 0;
    QTest::newRow("delete deletes") << true << int(Qt::Key_Delete) << true << "23" << 0;
    QTest::newRow("delete does nothing without editor")
        << false << int(Qt::Key_Delete) << true << "123" << 0;
}

void TestSpinEdit::controlKeys()
{
    QFETCH(bool, editorEnabled);
    QFETCH(int, key);
    QFETCH(bool, cursorAtStart);
    QFETCH(QString, expected);
    QFETCH(int, beeps);
    SpinWindow window;
    QVERIFY(window.ShowActive());
    TSpinEdit *edit = window.edit;
    edit->setText(QStringLiteral("123"));
    edit->setEditorEnabled(editorEnabled);
    edit->setFocus();
    edit->setCursorPosition(cursorAtStart ? 0 : 3);
    QSignalSpy returns(edit, &QLineEdit::returnPressed);
    BeepCounter counter;
    QTest::keyClick(edit, Qt::Key(key));
    QCOMPARE(edit->text(), expected);
    QCOMPARE(counter.Count(), beeps);
    QCOMPARE(returns.count(), 0);
}

void TestSpinEdit::upAndDownStepOncePerPressThenPassOn()
{
    KeyRecorder window;
    auto *edit = new TSpinEdit(&window);
    edit->setMaxValue(100);
    edit->setValue(50);
    edit->setEditorEnabled(false); // the keys still step
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    edit->setFocus();

    QTest::keyClick(edit, Qt::Key_Up);
    QCOMPARE(edit->text(), QStringLiteral("51"));
    QTest::keyClick(edit, Qt::Key_Down);
    QTest::keyClick(edit, Qt::Key_Down);
    QCOMPARE(edit->text(), QStringLiteral("49"));
    // Keyboard auto-repeat: every key-down steps.
    for (int i = 0; i < 3; ++i) {
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(edit, &repeat);
    }
    QCOMPARE(edit->text(), QStringLiteral("52"));
    // After the step the key goes on as usual: the text box lets it pass to the window.
    QCOMPARE(window.keys, (QList<int>{Qt::Key_Up, Qt::Key_Down, Qt::Key_Down, Qt::Key_Up,
                                      Qt::Key_Up, Qt::Key_Up}));
}

void TestSpinEdit::pageHomeEndAndWheelNeverStep()
{
    SpinWindow window;
    QVERIFY(window.ShowActive());
    TSpinEdit *edit = window.edit;
    edit->setMaxValue(100);
    edit->setValue(50);
    edit->setFocus();
    BeepCounter beeps;
    for (Qt::Key key : {Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Home, Qt::Key_End}) {
        QTest::keyClick(edit, key);
    }
    const QPointF centre = edit->rect().center();
    for (int delta : {120, -120}) {
        QWheelEvent wheel(centre, edit->mapToGlobal(centre), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(edit, &wheel);
    }
    QCOMPARE(edit->text(), QStringLiteral("50"));
    QCOMPARE(beeps.Count(), 0);
}

void TestSpinEdit::inputMethodTextIsFiltered()
{
    TSpinEdit edit;
    edit.setText(QString());
    BeepCounter beeps;
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("1\uFF12a3"));
    QApplication::sendEvent(&edit, &commit);
    QCOMPARE(edit.text(), QStringLiteral("13"));
    QCOMPARE(beeps.Count(), 2);
}

void TestSpinEdit::exitRuleOnRealFocusChange_data()
{
    QTest::addColumn<int>("minValue");
    QTest::addColumn<int>("maxValue");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("left");
    QTest::addColumn<int>("value");
    QTest::newRow("UdQ 0 becomes 1") << 1 << 9 << "0"
                                     << "1" << 1;
    QTest::newRow("UdQ 12 becomes 9") << 1 << 9 << "12"
                                      << "9" << 9;
    QTest::newRow("UdQ emptied stays empty") << 1 << 9 << ""
                                             << "" << 1;
    QTest::newRow("UdW 1.5 stays") << 0 << 65536 << "1.5"
                                   << "1.5" << 0;
    QTest::newRow("007 stays") << 0 << 65536 << "007"
                               << "007" << 7;
    QTest::newRow("+5 stays") << 0 << 65536 << "+5"
                              << "+5" << 5;
    QTest::newRow("Udl 9999999999 stays") << 0 << kMax32 << "9999999999"
                                          << "9999999999" << 0;
    QTest::newRow("UdH $10 stays") << 0 << 65536 << "$10"
                                   << "$10" << 16;
    QTest::newRow("UdH 0x1F stays") << 0 << 65536 << "0x1F"
                                    << "0x1F" << 31;
    QTest::newRow("UdH 070000 becomes the top") << 0 << 65536 << "070000"
                                                << "65536" << 65536;
    QTest::newRow("UdH -5 becomes the bottom") << 0 << 65536 << "-5"
                                               << "0" << 0;
    QTest::newRow("no bounds keep anything") << 7 << 7 << "-99"
                                             << "-99" << -99;
}

void TestSpinEdit::exitRuleOnRealFocusChange()
{
    QFETCH(int, minValue);
    QFETCH(int, maxValue);
    QFETCH(QString, typed);
    QFETCH(QString, left);
    QFETCH(int, value);
    SpinWindow window;
    QVERIFY(window.ShowActive());
    TSpinEdit *edit = window.edit;
    edit->setMaxValue(maxValue);
    edit->setMinValue(minValue);
    edit->setFocus();
    QTRY_VERIFY(edit->hasFocus());
    edit->setText(typed);

    QStringList order;
    connect(edit, &TSpinEdit::OnExit, this, [&] { order << "exit:" + edit->text(); });
    connect(edit, &TSpinEdit::OnChange, this, [&] { order << "change:" + edit->text(); });
    QTest::keyClick(edit, Qt::Key_Tab);
    QVERIFY(window.other->hasFocus());
    QCOMPARE(edit->text(), left);
    QCOMPARE(edit->Value(), value);
    QStringList expected{"exit:" + typed};
    if (left != typed) {
        expected << "change:" + left;
    }
    QCOMPARE(order, expected);
}

void TestSpinEdit::entrySelection_data()
{
    QTest::addColumn<QString>("route");
    QTest::addColumn<bool>("autoSelect");
    QTest::addColumn<bool>("selected");
    QTest::newRow("tab") << "tab" << true << true;
    QTest::newRow("backtab") << "backtab" << true << true;
    QTest::newRow("program") << "program" << true << true;
    QTest::newRow("left press in the text") << "text" << true << false;
    QTest::newRow("middle press in the text") << "middle" << true << true;
    QTest::newRow("left press on an arrow") << "arrow" << true << true;
    QTest::newRow("tab without AutoSelect") << "tab" << false << false;
    QTest::newRow("arrow without AutoSelect") << "arrow" << false << false;
}

void TestSpinEdit::entrySelection()
{
    QFETCH(QString, route);
    QFETCH(bool, autoSelect);
    QFETCH(bool, selected);
    SpinWindow window;
    QVERIFY(window.ShowActive());
    TSpinEdit *edit = window.edit;
    edit->setMaxValue(100);
    edit->setValue(42);
    edit->setAutoSelect(autoSelect);
    edit->setDragEnabled(false);
    window.other->setFocus();
    QTRY_VERIFY(window.other->hasFocus());
    QSignalSpy entered(edit, &TSpinEdit::OnEnter);

    TTimerSpeedButton *up = edit->Button()->UpButton();
    const QPoint inText(5, edit->height() / 2);
    if (route == "tab") {
        QTest::keyClick(window.other, Qt::Key_Tab); // wraps round to the field
    } else if (route == "backtab") {
        QTest::keyClick(window.other, Qt::Key_Backtab);
    } else if (route == "program") {
        edit->setFocus();
    } else if (route == "text") {
        QTest::mousePress(edit, Qt::LeftButton, {}, inText);
    } else if (route == "middle") {
        QTest::mousePress(edit, Qt::MiddleButton, {}, inText);
    } else {
        QTest::mousePress(up, Qt::LeftButton, {}, up->rect().center());
    }
    QVERIFY(edit->hasFocus());
    QCOMPARE(entered.count(), 1);
    QCOMPARE(edit->selectedText(), selected ? QStringLiteral("42") : QString());

    if (route == "arrow") {
        QTest::mouseRelease(up, Qt::LeftButton, {}, up->rect().center());
        QCOMPARE(edit->text(), QStringLiteral("43"));
    } else if (route == "text" || route == "middle") {
        QTest::mouseRelease(edit, route == "text" ? Qt::LeftButton : Qt::MiddleButton, {}, inText);
    }
}

void TestSpinEdit::pasteAndCutObeyEditorAndReadOnly_data()
{
    QTest::addColumn<Route>("route");
    QTest::addColumn<bool>("editorEnabled");
    QTest::addColumn<bool>("readOnly");
    const struct
    {
        Route route;
        const char *name;
    } routes[] = {{Route::Keys, "keys"},
                  {Route::ContextMenu, "menu"},
                  {Route::Drop, "drop"},
                  {Route::Slot, "slot"},
                  {Route::Invoke, "invoke"}};
    for (const auto &r : routes) {
        QTest::addRow("%s editor on", r.name) << r.route << true << false;
        QTest::addRow("%s editor off", r.name) << r.route << false << false;
        QTest::addRow("%s read-only", r.name) << r.route << true << true;
        QTest::addRow("%s both off", r.name) << r.route << false << true;
    }
}

void TestSpinEdit::pasteAndCutObeyEditorAndReadOnly()
{
    QFETCH(Route, route);
    QFETCH(bool, editorEnabled);
    QFETCH(bool, readOnly);
    const bool allowed = editorEnabled && !readOnly;
    SpinWindow window;
    QVERIFY(window.ShowActive());
    TSpinEdit *edit = window.edit;
    edit->setMaxValue(65536);
    // A drop inserts where it lands, so it starts from an empty text.
    const QString initial = route == Route::Drop ? QString() : QStringLiteral("5");
    edit->setText(initial);
    edit->setEditorEnabled(editorEnabled);
    edit->setReadOnly(readOnly);
    edit->setFocus();
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("$10"));
    BeepCounter beeps;

    // Paste over the whole text.
    edit->selectAll();
    switch (route) {
    case Route::Keys:
        for (const QKeySequence &keys : QKeySequence::keyBindings(QKeySequence::Paste)) {
            edit->selectAll();
            QTest::keySequence(edit, keys);
        }
        break;
    case Route::ContextMenu: {
        QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(5, 5),
                                  edit->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(edit, &request);
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QAction *paste = MenuAction(menu, QStringLiteral("edit-paste"));
        QAction *cut = MenuAction(menu, QStringLiteral("edit-cut"));
        QAction *remove = MenuAction(menu, QStringLiteral("edit-delete"));
        QVERIFY(MenuAction(menu, QStringLiteral("edit-copy"))->isEnabled());
        for (QAction *action : {paste, cut, remove}) {
            QCOMPARE(action && action->isEnabled(), allowed);
        }
        if (paste) {
            paste->trigger();
        }
        menu->close();
        break;
    }
    case Route::Drop: {
        QMimeData text;
        text.setText(QStringLiteral("$10"));
        const QPoint at(5, edit->height() / 2);
        QDragEnterEvent enter(at, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(edit, &enter);
        QCOMPARE(enter.isAccepted(), allowed);
        QDropEvent drop(at, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(edit, &drop);
        break;
    }
    case Route::Slot:
        edit->paste();
        break;
    case Route::Invoke:
        QMetaObject::invokeMethod(edit, "paste");
        break;
    }
    QCOMPARE(edit->text(), allowed ? QStringLiteral("$10") : initial);
    if (allowed) {
        QCOMPARE(edit->Value(), 16);
    }

    // Cut the whole text.
    if (route == Route::Drop) {
        QCOMPARE(beeps.Count(), 0);
        return; // a drop does not cut
    }
    const QString before = edit->text();
    clipboard->setText(QStringLiteral("unchanged"));
    edit->selectAll();
    switch (route) {
    case Route::Keys:
        for (const QKeySequence &keys : QKeySequence::keyBindings(QKeySequence::Cut)) {
            edit->setText(before);
            edit->selectAll();
            QTest::keySequence(edit, keys);
        }
        break;
    case Route::ContextMenu: {
        QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(5, 5),
                                  edit->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(edit, &request);
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        if (QAction *cut = MenuAction(menu, QStringLiteral("edit-cut"))) {
            cut->trigger();
        }
        menu->close();
        break;
    }
    case Route::Slot:
        edit->cut();
        break;
    case Route::Invoke:
        QMetaObject::invokeMethod(edit, "cut");
        break;
    case Route::Drop:
        break;
    }
    QCOMPARE(edit->text(), allowed ? QString() : before);
    QCOMPARE(clipboard->text(), allowed ? before : QStringLiteral("unchanged"));
    QCOMPARE(beeps.Count(), 0);
}

void TestSpinEdit::pastedTextIsNotFiltered()
{
    TSpinEdit edit;
    edit.setMinValue(3);
    edit.setMaxValue(9);
    QGuiApplication::clipboard()->setText(QStringLiteral("a b$"));
    BeepCounter beeps;
    edit.selectAll();
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(edit.text(), QStringLiteral("a b$"));
    QCOMPARE(edit.Value(), 3);
    QCOMPARE(beeps.Count(), 0);
}

void TestSpinEdit::middleClickPasteObeysEditor()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard->supportsSelection()) {
        QSKIP("This platform has no selection clipboard to paste with the middle button");
    }
    SpinWindow window;
    QVERIFY(window.ShowActive());
    TSpinEdit *edit = window.edit;
    edit->setText(QStringLiteral("5"));
    edit->setEditorEnabled(false);
    clipboard->setText(QStringLiteral("7"), QClipboard::Selection);
    QTest::mouseClick(edit, Qt::MiddleButton, {}, QPoint(5, edit->height() / 2));
    QCOMPARE(edit->text(), QStringLiteral("5"));
    edit->setEditorEnabled(true);
    QTest::mouseClick(edit, Qt::MiddleButton, {}, QPoint(5, edit->height() / 2));
    QVERIFY(edit->text().contains(u'7'));
}

void TestSpinEdit::filesDroppedOnTheFieldGoToTheWindow()
{
    TSpinEdit edit;
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/0001.mrfy"))});
    files.setText(QStringLiteral("/tmp/0001.mrfy"));
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&edit, &enter);
    QVERIFY(!enter.isAccepted());
    QDropEvent drop(QPoint(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&edit, &drop);
    QCOMPARE(edit.text(), QStringLiteral("0"));
}

void TestSpinEdit::contextMenuDoesNotTriggerTheExitRule()
{
    SpinWindow window;
    QVERIFY(window.ShowActive());
    TSpinEdit *edit = window.edit;
    edit->setMinValue(1);
    edit->setMaxValue(9);
    edit->setFocus();
    QTRY_VERIFY(edit->hasFocus());
    edit->setText(QStringLiteral("70"));
    QSignalSpy exits(edit, &TSpinEdit::OnExit);
    QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(5, 5),
                              edit->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(edit, &request);
    QTRY_VERIFY(QApplication::activePopupWidget());
    QApplication::activePopupWidget()->close();
    QTRY_VERIFY(edit->hasFocus());
    QCOMPARE(edit->text(), QStringLiteral("70"));
    QCOMPARE(exits.count(), 0);
}

void TestSpinEdit::heightFromFontMetrics()
{
    const int system = QFontMetrics(QGuiApplication::font()).height();
    for (int text : {12, 20}) {
        TSpinEdit edit;
        edit.setFont(FontOfHeight(text));
        QCOMPARE(edit.AutoSizeHeight(), text + 8);
        // The smaller of the two text heights counts, so a large font is measured by the other.
        const int minimum = text + std::min(text, system) / 4 + 6;
        QCOMPARE(edit.height(), std::max(minimum, text + 8));
        edit.resize(121, 5);
        QCOMPARE(edit.height(), minimum);
        edit.setFrame(false);
        QCOMPARE(edit.AutoSizeHeight(), text + 6);
    }
}

void TestSpinEdit::geometryOfAMainWindowField()
{
    // Text 12 pixels high: AutoSize gives 20, the minimum 21.
    QWidget window;
    window.resize(300, 100);
    auto *edit = new TSpinEdit(&window);
    edit->setFont(FontOfHeight(12));
    if (QFontMetrics(QGuiApplication::font()).height() >= 12) {
        QCOMPARE(edit->height(), 21);
    }
    edit->setGeometry(28, 68, 121, 21);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(edit->size(), QSize(121, 21));
    // The pair stands at client (101, 0), inside the 2-pixel sunken edge.
    TSpinButton *pair = edit->Button();
    QCOMPARE(pair->geometry(), QRect(2 + 101, 2 + 0, 15, 16));
    QCOMPARE(pair->UpButton()->geometry(), QRect(0, 0, 15, 8));
    QCOMPARE(pair->DownButton()->geometry(), QRect(0, 7, 15, 9));

    edit->resize(200, 30);
    QCOMPARE(pair->geometry(), QRect(2 + 200 - 15 - 5, 2, 15, 25));
    edit->setFrame(false);
    edit->resize(121, 21);
    QCOMPARE(pair->geometry(), QRect(121 - 15, 1, 15, 21 - 3));
}

void TestSpinEdit::textAreaEndsLeftOfThePair()
{
    QWidget window;
    window.resize(300, 100);
    auto *edit = new TSpinEdit(&window);
    edit->setFont(FontOfHeight(12));
    edit->setGeometry(10, 10, 121, 21);
    edit->setText(QStringLiteral("8888888888888888888888888888888888888888"));
    edit->end(false);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QImage image = edit->grab().toImage().convertToFormat(QImage::Format_RGB32);
    // Client x 100 is the text area's end (widget x 102, exclusive); the pair begins at 103.
    QCOMPARE(edit->Button()->x(), 103);
    const QRgb base = edit->palette().color(QPalette::Base).rgb();
    bool textNearTheEnd = false;
    for (int y = 3; y < 18; ++y) {
        QCOMPARE(image.pixel(102, y), base);
        for (int x = 95; x < 102; ++x) {
            textNearTheEnd = textNearTheEnd || qGray(image.pixel(x, y)) < 128;
        }
    }
    QVERIFY(textNearTheEnd);
}

MRFYC_SPIN_TEST_MAIN(TestSpinEdit)
#include "tst_spin_edit.moc"
