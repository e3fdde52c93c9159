// SPDX-License-Identifier: MIT
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

// Types text with one key press per character, as a keyboard would; a few control characters
// stand for keys: \b Backspace, \r Return, \n keypad Enter, \x1b Esc, \x7f Delete, \x01 Home.
void Type(QWidget *widget, const QString &text)
{
    const QMap<char32_t, Qt::Key> keys{{U'\b', Qt::Key_Backspace}, {U'\r', Qt::Key_Return},
                                       {U'\n', Qt::Key_Enter},     {U'\x1b', Qt::Key_Escape},
                                       {U'\x7f', Qt::Key_Delete},  {U'\x01', Qt::Key_Home}};
    for (char32_t code : text.toUcs4()) {
        if (keys.contains(code)) {
            QTest::keyClick(widget, keys.value(code));
        } else if (code > 32 && code < 127) {
            QTest::keyClick(widget, char(code));
        } else if (code == U' ') {
            QTest::keyClick(widget, Qt::Key_Space);
        } else {
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString::fromUcs4(&code, 1),
                                Qt::NoModifier);
        }
    }
}

// Opens the field's context menu, checks that its editing commands are enabled only when
// editing is allowed, and triggers the named one.
void TriggerMenuCommand(TSpinEdit *edit, const QString &name, bool allowed)
{
    QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(5, 5),
                              edit->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(edit, &request);
    auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    QVERIFY(menu);
    QAction *command = nullptr;
    for (QAction *action : menu->actions()) {
        const QString id = action->objectName();
        if (id == "edit-paste" || id == "edit-cut" || id == "edit-delete")
            QCOMPARE(action->isEnabled(), allowed);
        command = id == name ? action : command;
    }
    QVERIFY(command || !allowed);
    if (command)
        command->trigger();
    menu->close();
}

// Records the keys that reach it after its children let them pass.
class KeyRecorder : public QWidget
{
public:
    QList<int> keys;

protected:
    void keyPressEvent(QKeyEvent *event) override { keys << event->key(); }
};

// Bounds and increment, the text before, the operation ("up", "down" or "=" and a number to
// write) and the text after.
struct ValueRow
{
    int minValue, maxValue, increment;
    QString before, operation, after;
};

// Typed with the editor on or off into a field holding `before` (cursor at the end); the
// prefix "de:" types with a German locale, "im:" commits the text through an input method.
struct TypingRow
{
    bool editorEnabled;
    QString before, typed, after;
    int beeps;
};

// Bounds, the text when the focus leaves, the text and value after; byMenu: the field's own
// context menu takes the focus instead.
struct ExitRow
{
    int minValue, maxValue;
    QString typed, left;
    int value;
    bool byMenu = false;
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

Q_DECLARE_METATYPE(ValueRow)
Q_DECLARE_METATYPE(TypingRow)
Q_DECLARE_METATYPE(ExitRow)
Q_DECLARE_METATYPE(Route)

class TestSpinEdit : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void writesAndStepsAreBoundedWithoutWrapAround_data();
    void writesAndStepsAreBoundedWithoutWrapAround();
    void readOnlyStepsOnlyBeep();

    void acceptsCharAsksTheRule();
    void typedCharactersAreFilteredWithOneBeepEach_data();
    void typedCharactersAreFilteredWithOneBeepEach();
    void upAndDownStepOncePerPressThenPassOn();
    void pageHomeEndAndWheelNeverStep();

    void exitRuleOnRealFocusChange_data();
    void exitRuleOnRealFocusChange();
    void entrySelection_data();
    void entrySelection();

    void pasteAndCutObeyEditorAndReadOnly_data();
    void pasteAndCutObeyEditorAndReadOnly();
    void middleClickPasteObeysEditor();
    void longTextIsNeverCut_data();
    void longTextIsNeverCut();
    void filesDroppedOnTheFieldGoToTheWindow();

    void heightFromFontMetrics();
    void geometryOfAMainWindowField();
    void textAreaEndsLeftOfThePair();

private:
    ReportedErrors m_errors;
    std::unique_ptr<SpinWindow> m_window;
    TSpinEdit *m_edit = nullptr;
};

void TestSpinEdit::init()
{
    m_window = std::make_unique<SpinWindow>();
    m_edit = m_window->edit;
    QVERIFY(m_window->ShowActive());
}

void TestSpinEdit::cleanup()
{
    m_edit->disconnect(this); // the tests' own handlers end with the test
    m_window.reset();
    if (QWidget *popup = QApplication::activePopupWidget())
        popup->close();
    QCOMPARE(m_errors.Take(), QStringList());
    QLocale::setDefault(QLocale::c());
}

void TestSpinEdit::writesAndStepsAreBoundedWithoutWrapAround_data()
{
    QTest::addColumn<ValueRow>("row");
    // The bounding, stepping and reading rules are tests/rules' tables; here: the field writes
    // their answer and notifies only a new text.
    QTest::newRow("write above") << ValueRow{1, 9, 1, "", "=12", "9"};
    QTest::newRow("write the same text") << ValueRow{0, 9, 1, "5", "=5", "5"};
    QTest::newRow("write over leading zeros") << ValueRow{0, 9, 1, "005", "=5", "5"};
    QTest::newRow("hex rewritten in decimal") << ValueRow{0, 65536, 1, "$10", "down", "15"};
}

void TestSpinEdit::writesAndStepsAreBoundedWithoutWrapAround()
{
    QFETCH(ValueRow, row);
    // In the layout's order: bounds first, so that the value is written with them.
    m_edit->setProperty("MaxValue", row.maxValue);
    m_edit->setProperty("MinValue", row.minValue);
    m_edit->setIncrement(row.increment);
    m_edit->setText(row.before);
    QSignalSpy changes(m_edit, &TSpinEdit::OnChange);
    BeepCounter beeps;
    if (row.operation.startsWith(u'='))
        m_edit->setProperty("Value", row.operation.mid(1).toInt());
    else
        row.operation == "up" ? m_edit->StepUp() : m_edit->StepDown();
    QCOMPARE(m_edit->text(), row.after);
    QCOMPARE(changes.count(), row.before == row.after ? 0 : 1);
    QCOMPARE(beeps.Count(), 0);
}

void TestSpinEdit::readOnlyStepsOnlyBeep()
{
    m_edit->setMaxValue(100);
    m_edit->setText(QStringLiteral("007"));
    m_edit->setReadOnly(true);
    m_edit->setFocus();
    QSignalSpy changes(m_edit, &TSpinEdit::OnChange);
    BeepCounter beeps;
    m_edit->StepUp();
    m_edit->StepDown();
    QTest::keyClick(m_edit, Qt::Key_Up);
    QTest::keyClick(m_edit, Qt::Key_Down);
    QCOMPARE(beeps.Count(), 4);
    QCOMPARE(m_edit->text(), QStringLiteral("007"));
    QCOMPARE(changes.count(), 0);
}

void TestSpinEdit::acceptsCharAsksTheRule()
{
    QVERIFY(m_edit->AcceptsChar(u'0'));
    m_edit->setEditorEnabled(false);
    QVERIFY(!m_edit->AcceptsChar(u'0'));
}

void TestSpinEdit::typedCharactersAreFilteredWithOneBeepEach_data()
{
    QTest::addColumn<TypingRow>("row");
    // Which characters pass is the rule's table; here: the field asks it for each key and input
    // method commit, in the locale, and beeps at each refusal.
    QTest::newRow("letter") << TypingRow{true, "", "1a2", "12", 1};
    QTest::newRow("outside 16 bits") << TypingRow{true, "", "\U0001F600", "", 1};
    QTest::newRow("German decimal separator") << TypingRow{true, "", "de:1,5.2", "1,52", 1};
    QTest::newRow("input method") << TypingRow{true, "", "im:1\uFF12a3", "13", 2};
    QTest::newRow("editor off refuses digits") << TypingRow{false, "", "12+", "", 3};
    QTest::newRow("enter refused") << TypingRow{true, "123", "\r", "123", 1};
    QTest::newRow("delete does nothing without editor")
        << TypingRow{false, "123", "\x01\x7f", "123", 0};
}

void TestSpinEdit::typedCharactersAreFilteredWithOneBeepEach()
{
    QFETCH(TypingRow, row);
    m_edit->setText(row.before);
    m_edit->setEditorEnabled(row.editorEnabled);
    m_edit->setFocus();
    m_edit->end(false);
    if (row.typed.startsWith("de:"))
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    BeepCounter beeps;
    QSignalSpy changes(m_edit, &TSpinEdit::OnChange);
    if (row.typed.startsWith("im:")) {
        QInputMethodEvent commit;
        commit.setCommitString(row.typed.mid(3));
        QApplication::sendEvent(m_edit, &commit);
    } else {
        Type(m_edit, row.typed.startsWith("de:") ? row.typed.mid(3) : row.typed);
    }
    QCOMPARE(m_edit->text(), row.after);
    QCOMPARE(beeps.Count(), row.beeps);
    QCOMPARE(changes.isEmpty(), row.after == row.before);
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
    m_edit->setMaxValue(100);
    m_edit->setValue(50);
    m_edit->setFocus();
    BeepCounter beeps;
    for (Qt::Key key : {Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Home, Qt::Key_End})
        QTest::keyClick(m_edit, key);
    const QPointF centre = m_edit->rect().center();
    for (int delta : {120, -120}) {
        QWheelEvent wheel(centre, m_edit->mapToGlobal(centre), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(m_edit, &wheel);
    }
    QCOMPARE(m_edit->text(), QStringLiteral("50"));
    QCOMPARE(beeps.Count(), 0);
}

void TestSpinEdit::exitRuleOnRealFocusChange_data()
{
    QTest::addColumn<ExitRow>("row");
    QTest::newRow("UdQ 0 becomes 1") << ExitRow{1, 9, "0", "1", 1};
    QTest::newRow("the field's own menu is no exit") << ExitRow{1, 9, "70", "70", 70, true};
}

void TestSpinEdit::exitRuleOnRealFocusChange()
{
    QFETCH(ExitRow, row);
    m_edit->setMaxValue(row.maxValue);
    m_edit->setMinValue(row.minValue);
    m_edit->setFocus();
    QTRY_VERIFY(m_edit->hasFocus());
    m_edit->setText(row.typed);

    QStringList order;
    connect(
        m_edit, &TSpinEdit::OnExit, this, [&] { order << "exit:" + m_edit->text(); });
    connect(
        m_edit, &TSpinEdit::OnChange, this, [&] { order << "change:" + m_edit->text(); });
    connect(m_edit, &TSpinEdit::OnEnter, this, [&] { order << "enter"; });
    if (row.byMenu) {
        QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(5, 5),
                                  m_edit->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(m_edit, &request);
        QTRY_VERIFY(QApplication::activePopupWidget());
        QApplication::activePopupWidget()->close();
        QTRY_VERIFY(m_edit->hasFocus());
    } else {
        QTest::keyClick(m_edit, Qt::Key_Tab);
        QVERIFY(m_window->other->hasFocus());
    }
    QCOMPARE(m_edit->text(), row.left);
    QCOMPARE(m_edit->Value(), row.value);
    QStringList expected;
    if (!row.byMenu)
        expected << "exit:" + row.typed;
    if (row.left != row.typed)
        expected << "change:" + row.left;
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
    m_edit->setMaxValue(100);
    m_edit->setValue(42);
    m_edit->setAutoSelect(autoSelect);
    m_edit->setDragEnabled(false);
    m_window->other->setFocus();
    QTRY_VERIFY(m_window->other->hasFocus());
    QSignalSpy entered(m_edit, &TSpinEdit::OnEnter);

    TTimerSpeedButton *up = m_edit->Button()->UpButton();
    const QPoint inText(5, m_edit->height() / 2);
    const Qt::MouseButton button = route == "middle" ? Qt::MiddleButton : Qt::LeftButton;
    if (route == "tab" || route == "backtab")
        QTest::keyClick(m_window->other, route == "tab" ? Qt::Key_Tab : Qt::Key_Backtab);
    else if (route == "program")
        m_edit->setFocus();
    else if (route == "arrow")
        QTest::mousePress(up, Qt::LeftButton, {}, up->rect().center());
    else
        QTest::mousePress(m_edit, button, {}, inText);
    QVERIFY(m_edit->hasFocus());
    QCOMPARE(entered.count(), 1);
    QCOMPARE(m_edit->selectedText(), selected ? QStringLiteral("42") : QString());

    if (route == "arrow") {
        QTest::mouseRelease(up, Qt::LeftButton, {}, up->rect().center());
        QCOMPARE(m_edit->text(), QStringLiteral("43"));
    } else if (route == "text" || route == "middle") {
        QTest::mouseRelease(m_edit, button, {}, inText);
    }
}

void TestSpinEdit::pasteAndCutObeyEditorAndReadOnly_data()
{
    QTest::addColumn<Route>("route");
    QTest::addColumn<bool>("editorEnabled");
    QTest::addColumn<bool>("readOnly");
    const std::pair<Route, const char *> routes[] = {{Route::Keys, "keys"},
                                                     {Route::ContextMenu, "menu"},
                                                     {Route::Drop, "drop"},
                                                     {Route::Slot, "slot"},
                                                     {Route::Invoke, "invoke"}};
    for (const auto &[route, name] : routes) {
        QTest::addRow("%s editor on", name) << route << true << false;
        QTest::addRow("%s editor off", name) << route << false << false;
        QTest::addRow("%s read-only", name) << route << true << true;
    }
}

void TestSpinEdit::pasteAndCutObeyEditorAndReadOnly()
{
    QFETCH(Route, route);
    QFETCH(bool, editorEnabled);
    QFETCH(bool, readOnly);
    const bool allowed = editorEnabled && !readOnly;
    m_edit->setMaxValue(65536);
    // A drop inserts where it lands, so it starts from an empty text.
    const QString initial = route == Route::Drop ? QString() : QStringLiteral("5");
    m_edit->setText(initial);
    m_edit->setEditorEnabled(editorEnabled);
    m_edit->setReadOnly(readOnly);
    m_edit->setFocus();
    QClipboard *clipboard = QGuiApplication::clipboard();
    BeepCounter beeps;

    // Paste, then cut, the whole text; "$" would be refused if typed, but a paste is not filtered.
    // Only its first line arrives: the field shows one.
    for (const bool cut : {false, true}) {
        const QString before = m_edit->text();
        clipboard->setText(cut ? QStringLiteral("unchanged") : QStringLiteral("$10\r\n99"));
        m_edit->selectAll();
        switch (route) {
        case Route::Keys:
            for (const QKeySequence &keys :
                 QKeySequence::keyBindings(cut ? QKeySequence::Cut : QKeySequence::Paste)) {
                m_edit->setText(before);
                m_edit->selectAll();
                QTest::keySequence(m_edit, keys);
            }
            break;
        case Route::ContextMenu:
            TriggerMenuCommand(m_edit, cut ? "edit-cut" : "edit-paste", allowed);
            break;
        case Route::Drop: {
            QMimeData text;
            text.setText(QStringLiteral("$10"));
            const QPoint at(5, m_edit->height() / 2);
            QDragEnterEvent enter(at, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(m_edit, &enter);
            QCOMPARE(enter.isAccepted(), allowed);
            QDropEvent drop(at, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(m_edit, &drop);
            break;
        }
        case Route::Slot:
            cut ? m_edit->cut() : m_edit->paste();
            break;
        case Route::Invoke:
            QMetaObject::invokeMethod(m_edit, cut ? "cut" : "paste");
            break;
        }
        if (!cut) {
            QCOMPARE(m_edit->text(), allowed ? QStringLiteral("$10") : initial);
            if (route == Route::Drop)
                break; // a drop does not cut
        } else {
            QCOMPARE(m_edit->text(), allowed ? QString() : before);
            QCOMPARE(clipboard->text(), allowed ? before : QStringLiteral("unchanged"));
        }
    }
    QCOMPARE(beeps.Count(), 0);
}

void TestSpinEdit::longTextIsNeverCut_data()
{
    // QLineEdit's own limit is 32767 characters; the field has none.
    QTest::addColumn<bool>("paste");
    QTest::addColumn<int>("length");
    QTest::newRow("paste 32768") << true << 32768;
    QTest::newRow("type onto 32767") << false << 32767;
}

void TestSpinEdit::longTextIsNeverCut()
{
    QFETCH(bool, paste);
    QFETCH(int, length);
    const QString digits(length, u'7');
    m_edit->setFocus();
    BeepCounter beeps;
    if (paste) {
        QGuiApplication::clipboard()->setText(digits);
        m_edit->selectAll();
        m_edit->paste();
        QCOMPARE(m_edit->text().size(), length);
    } else {
        m_edit->setText(digits);
        m_edit->end(false);
        QTest::keyClick(m_edit, Qt::Key_1);
        QCOMPARE(m_edit->text().size(), length + 1);
        QCOMPARE(m_edit->text().back(), u'1');
    }
    QCOMPARE(m_edit->text(), paste ? digits : digits + u'1');
    QCOMPARE(beeps.Count(), 0);
}

void TestSpinEdit::middleClickPasteObeysEditor()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard->supportsSelection())
        QSKIP("This platform has no selection clipboard to paste with the middle button");
    m_edit->setText(QStringLiteral("5"));
    m_edit->setEditorEnabled(false);
    clipboard->setText(QStringLiteral("7"), QClipboard::Selection);
    QTest::mouseClick(m_edit, Qt::MiddleButton, {}, QPoint(5, m_edit->height() / 2));
    QCOMPARE(m_edit->text(), QStringLiteral("5"));
    m_edit->setEditorEnabled(true);
    QTest::mouseClick(m_edit, Qt::MiddleButton, {}, QPoint(5, m_edit->height() / 2));
    QVERIFY(m_edit->text().contains(u'7'));
}

void TestSpinEdit::filesDroppedOnTheFieldGoToTheWindow()
{
    m_edit->setText(QStringLiteral("0"));
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/0001.mrfy"))});
    files.setText(QStringLiteral("/tmp/0001.mrfy"));
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_edit, &enter);
    QVERIFY(!enter.isAccepted());
    QDropEvent drop(QPoint(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_edit, &drop);
    QCOMPARE(m_edit->text(), QStringLiteral("0"));
}

void TestSpinEdit::heightFromFontMetrics()
{
    const int system = QFontMetrics(QGuiApplication::font()).height();
    // The arithmetic is the rule's table; here: the field measures its font and obeys it.
    const int text = 20;
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

void TestSpinEdit::geometryOfAMainWindowField()
{
    // Text 12 pixels high: AutoSize gives 20, the minimum 21.
    auto *edit = new TSpinEdit(m_window.get());
    edit->setFont(FontOfHeight(12));
    edit->setGeometry(28, 68, 121, 21);
    edit->show();
    QCOMPARE(edit->size(), QSize(121, 21));
    // The pair stands at client (101, 0), inside the 2-pixel sunken edge.
    TSpinButton *pair = edit->Button();
    QCOMPARE(pair->geometry(), QRect(2 + 101, 2 + 0, 15, 16));
    edit->setFrame(false);
    edit->resize(122, 21);
    QCOMPARE(pair->geometry(), QRect(122 - 15, 1, 15, 21 - 3));
}

void TestSpinEdit::textAreaEndsLeftOfThePair()
{
    auto *edit = new TSpinEdit(m_window.get());
    edit->setFont(FontOfHeight(12));
    edit->setGeometry(10, 10, 121, 21);
    edit->setText(QStringLiteral("8888888888888888888888888888888888888888"));
    edit->end(false);
    edit->show();
    const QImage image = edit->grab().toImage().convertToFormat(QImage::Format_RGB32);
    // Client x 100 is the text area's end (widget x 102, exclusive); the pair begins at 103.
    QCOMPARE(edit->Button()->x(), 103);
    const QRgb base = edit->palette().color(QPalette::Base).rgb();
    bool textNearTheEnd = false;
    for (int y = 3; y < 18; ++y) {
        QCOMPARE(image.pixel(102, y), base);
        for (int x = 95; x < 102; ++x)
            textNearTheEnd = textNearTheEnd || qGray(image.pixel(x, y)) < 128;
    }
    QVERIFY(textNearTheEnd);
}

MRFYC_SPIN_TEST_MAIN(TestSpinEdit)
#include "tst_spin_edit.moc"
