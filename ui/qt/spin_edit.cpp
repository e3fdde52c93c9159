// SPDX-License-Identifier: MIT
#include "ui/qt/spin_edit.h"

#include "rules/spin_field.h"
#include "rules/spin_field_geometry.h"
#include "shell/beep.h"
#include "ui/qt/spin_button.h"
#include "ui/qt/timer_speed_button.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QStyle>
#include <QStyleHints>
#include <QStyleOptionFrame>

#include <algorithm>
#include <limits>

namespace mrfyc {

namespace {

constexpr int kBorder = 1;     // the platform's border thickness
constexpr int kSunkenEdge = 2; // the sunken border around the client area
constexpr char16_t kBackspace = 8;
constexpr char16_t kCarriageReturn = 13;

// The characters that a key press types, as the character test sees them: Backspace and Enter
// are characters too; keys that only move, select or run a command type none.
QString TypedCharacters(const QKeyEvent &event)
{
    switch (event.key()) {
    case Qt::Key_Backspace:
        return QString(QChar(kBackspace));
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return QString(QChar(kCarriageReturn));
    default:
        break;
    }
    const QString text = event.text();
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    const bool commandChord =
        modifiers == Qt::ControlModifier || modifiers == (Qt::ControlModifier | Qt::ShiftModifier);
    if (text.isEmpty() || commandChord || text.front().category() == QChar::Other_Control)
        return {};
    return text;
}

QChar DecimalSeparator()
{
    const QString separator = QLocale().decimalPoint();
    return separator.size() == 1 ? separator.front() : QChar(u'.');
}

} // namespace

TSpinEdit::TSpinEdit(QWidget *parent) : QLineEdit(parent)
{
    // The field has no length limit of its own; Qt's default one would cut pasted text and drop
    // typed characters without a beep.
    setMaxLength(std::numeric_limits<int>::max());
    // An input method offers digits rather than full-width characters the field would refuse.
    setInputMethodHints(Qt::ImhDigitsOnly | Qt::ImhPreferNumbers | Qt::ImhPreferLatin |
                        Qt::ImhNoPredictiveText);
    setText(QStringLiteral("0"));
    m_button = new TSpinButton(this);
    m_button->resize(kSpinPairWidth, kSpinPairStartHeight);
    m_button->setFocusControl(this);
    // Through the member pointers, so that overrides of StepUp and StepDown are called.
    connect(m_button, &TSpinButton::OnUpClick, this, &TSpinEdit::StepUp);
    connect(m_button, &TSpinButton::OnDownClick, this, &TSpinEdit::StepDown);
    m_button->UpButton()->installEventFilter(this);
    m_button->DownButton()->installEventFilter(this);
    connect(this, &QLineEdit::textChanged, this, [this] { emit OnChange(); });
    ApplyHeightRules();
    PlaceButton();
}

TSpinEdit::~TSpinEdit() = default;

std::int32_t TSpinEdit::Value() const
{
    const QByteArray utf8 = text().toUtf8();
    return ReadSpinValue(std::string_view(utf8.constData(), utf8.size()), Bounds());
}

void TSpinEdit::setValue(std::int32_t value)
{
    ShowNumber(ClampValue(value));
}

std::int32_t TSpinEdit::ClampValue(std::int64_t value) const
{
    return ClampSpinValue(value, Bounds());
}

SpinBounds TSpinEdit::Bounds() const
{
    return {m_minValue, m_maxValue};
}

void TSpinEdit::ShowNumber(std::int32_t bounded)
{
    const QString number = QString::fromStdString(SpinValueText(bounded));
    if (number == text())
        return;
    setText(number);
}

void TSpinEdit::StepUp()
{
    Step(SpinDirection::Up);
}

void TSpinEdit::StepDown()
{
    Step(SpinDirection::Down);
}

void TSpinEdit::Step(SpinDirection direction)
{
    if (isReadOnly()) {
        Beep(BeepKind::Default);
        return;
    }
    const QByteArray utf8 = text().toUtf8();
    ShowNumber(SteppedSpinValue(std::string_view(utf8.constData(), utf8.size()), m_increment,
                                direction, Bounds()));
}

bool TSpinEdit::AcceptsChar(QChar character) const
{
    return SpinAcceptsChar(character.unicode(), m_editorEnabled, DecimalSeparator().unicode());
}

QString TSpinEdit::AcceptedCharacters(const QString &typed) const
{
    QString accepted;
    for (qsizetype i = 0; i < typed.size(); ++i) {
        const QChar character = typed.at(i);
        const bool pair =
            character.isHighSurrogate() && i + 1 < typed.size() && typed.at(i + 1).isLowSurrogate();
        if (pair) {
            ++i; // one character beyond the 16-bit range: never a digit or a sign
        } else if (AcceptsChar(character)) {
            accepted += character;
            continue;
        }
        Beep(BeepKind::Default);
    }
    return accepted;
}

bool TSpinEdit::MayEditText() const
{
    return SpinMayEditText(m_editorEnabled, isReadOnly());
}

void TSpinEdit::paste()
{
    if (!MayEditText())
        return;
    // QLineEdit would keep the line breaks, and the value would read as MinValue behind a text
    // that shows a number.
    const QByteArray clip = QGuiApplication::clipboard()->text().toUtf8();
    const std::string_view line = SpinPasteText(std::string_view(clip.constData(), clip.size()));
    if (line.empty() && !hasSelectedText())
        return;
    insert(QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())));
}

void TSpinEdit::cut()
{
    if (MayEditText())
        QLineEdit::cut();
}

bool TSpinEdit::IsRefusedEditKey(const QKeyEvent &event) const
{
    if (event.matches(QKeySequence::Paste) || event.matches(QKeySequence::Cut))
        return !MayEditText();
    if (m_editorEnabled)
        return false;
    // Without the editor the text changes only by steps: no deleting and no undoing either.
    for (QKeySequence::StandardKey edit :
         {QKeySequence::Delete, QKeySequence::DeleteEndOfWord, QKeySequence::DeleteStartOfWord,
          QKeySequence::DeleteEndOfLine, QKeySequence::DeleteCompleteLine, QKeySequence::Undo,
          QKeySequence::Redo})
        if (event.matches(edit))
            return true;
    return event.key() == Qt::Key_Delete;
}

void TSpinEdit::keyPressEvent(QKeyEvent *event)
{
    QPointer<TSpinEdit> self(this);
    if (event->key() == Qt::Key_Up)
        StepUp();
    else if (event->key() == Qt::Key_Down)
        StepDown();
    if (!self)
        return;
    if (IsRefusedEditKey(*event)) {
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        paste();
        event->accept();
        return;
    }
    const QString typed = TypedCharacters(*event);
    if (typed.isEmpty()) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    const QString accepted = AcceptedCharacters(typed);
    if (accepted.isEmpty()) {
        event->accept();
        return;
    }
    if (accepted == typed) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    QKeyEvent filtered(event->type(), event->key(), event->modifiers(), event->nativeScanCode(),
                       event->nativeVirtualKey(), event->nativeModifiers(), accepted,
                       event->isAutoRepeat(), static_cast<quint16>(accepted.size()),
                       event->device());
    QLineEdit::keyPressEvent(&filtered);
    event->setAccepted(filtered.isAccepted());
}

void TSpinEdit::inputMethodEvent(QInputMethodEvent *event)
{
    const QString commit = event->commitString();
    const QString accepted = commit.isEmpty() ? commit : AcceptedCharacters(commit);
    if (accepted == commit) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent filtered(event->preeditString(), event->attributes());
    filtered.setCommitString(accepted, event->replacementStart(), event->replacementLength());
    QLineEdit::inputMethodEvent(&filtered);
    event->setAccepted(filtered.isAccepted());
}

void TSpinEdit::focusInEvent(QFocusEvent *event)
{
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::PopupFocusReason || reason == Qt::MenuBarFocusReason) {
        // Back from the context menu or the menu bar: the field was never left.
        QLineEdit::focusInEvent(event);
        return;
    }
    // QLineEdit selects by itself on Tab; the selection here follows AutoSelect alone.
    QFocusEvent plain(QEvent::FocusIn,
                      reason == Qt::MouseFocusReason ? Qt::MouseFocusReason : Qt::OtherFocusReason);
    QLineEdit::focusInEvent(&plain);
    if (reason == Qt::MouseFocusReason) {
        // Qt moves the focus before the press arrives; where it lands decides the selection.
        m_mouseEntryPending = true;
    } else if (m_autoSelect) {
        selectAll();
    }
    emit OnEnter();
}

void TSpinEdit::ResolveMouseEntry(bool pressInsideText, Qt::MouseButton button)
{
    if (!m_mouseEntryPending)
        return;
    m_mouseEntryPending = false;
    if (m_autoSelect && !(pressInsideText && button == Qt::LeftButton))
        selectAll();
}

void TSpinEdit::focusOutEvent(QFocusEvent *event)
{
    m_mouseEntryPending = false;
    QLineEdit::focusOutEvent(event);
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::PopupFocusReason || reason == Qt::MenuBarFocusReason)
        return;
    QPointer<TSpinEdit> self(this);
    emit OnExit();
    if (!self)
        return;
    const QByteArray utf8 = text().toUtf8();
    if (const auto left = SpinExitText(std::string_view(utf8.constData(), utf8.size()), Bounds()))
        setText(QString::fromStdString(*left));
}

bool TSpinEdit::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick)
        ResolveMouseEntry(false, static_cast<QMouseEvent *>(event)->button());
    return QLineEdit::eventFilter(watched, event);
}

void TSpinEdit::mousePressEvent(QMouseEvent *event)
{
    // After QLineEdit has placed the cursor, which would undo the selection.
    QLineEdit::mousePressEvent(event);
    ResolveMouseEntry(true, event->button());
}

void TSpinEdit::mouseReleaseEvent(QMouseEvent *event)
{
    // The middle button pastes the selection on X11.
    if (event->button() == Qt::MiddleButton && !MayEditText()) {
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void TSpinEdit::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = CreateEditMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

// QLineEdit's own menu, with every action that edits the text bound to EditorEnabled. Qt's menu
// cannot be told apart action by action, so it is rebuilt here with Qt's own texts.
QMenu *TSpinEdit::CreateEditMenu()
{
    auto *menu = new QMenu(this);
    const auto add = [menu](const char *text, QKeySequence::StandardKey key, const char *name,
                            bool enabled) {
        QString label = QCoreApplication::translate("QLineEdit", text);
        if (key != QKeySequence::UnknownKey &&
            QGuiApplication::styleHints()->showShortcutsInContextMenus())
            label += u'\t' + QKeySequence(key).toString(QKeySequence::NativeText);
        QAction *action = menu->addAction(label);
        action->setObjectName(QLatin1String(name));
        action->setIcon(QIcon::fromTheme(QLatin1String(name)));
        action->setEnabled(enabled);
        return action;
    };
    const bool editable = !isReadOnly();
    const bool editor = editable && m_editorEnabled;
    const bool selection = hasSelectedText() && echoMode() == QLineEdit::Normal;
    if (editable) {
        connect(add("&Undo", QKeySequence::Undo, "edit-undo", editor && isUndoAvailable()),
                &QAction::triggered, this, &QLineEdit::undo);
        connect(add("&Redo", QKeySequence::Redo, "edit-redo", editor && isRedoAvailable()),
                &QAction::triggered, this, &QLineEdit::redo);
        menu->addSeparator();
        connect(add("Cu&t", QKeySequence::Cut, "edit-cut", editor && selection),
                &QAction::triggered, this, &TSpinEdit::cut);
    }
    connect(add("&Copy", QKeySequence::Copy, "edit-copy", selection), &QAction::triggered, this,
            &QLineEdit::copy);
    if (editable) {
        const bool clipboardText = !QGuiApplication::clipboard()->text().isEmpty();
        connect(add("&Paste", QKeySequence::Paste, "edit-paste", editor && clipboardText),
                &QAction::triggered, this, &TSpinEdit::paste);
        connect(add("Delete", QKeySequence::UnknownKey, "edit-delete", editor && hasSelectedText()),
                &QAction::triggered, this, &QLineEdit::del);
    }
    menu->addSeparator();
    const bool allSelected = selectedText().size() == text().size();
    connect(
        add("Select All", QKeySequence::SelectAll, "select-all", !text().isEmpty() && !allSelected),
        &QAction::triggered, this, &QLineEdit::selectAll);
    return menu;
}

bool TSpinEdit::AcceptsDrop(const QMimeData *data) const
{
    // Dropped files belong to the window (it opens them); dropped text is a paste.
    return MayEditText() && data && !data->hasUrls();
}

void TSpinEdit::dragEnterEvent(QDragEnterEvent *event)
{
    if (!AcceptsDrop(event->mimeData())) {
        event->ignore();
        return;
    }
    QLineEdit::dragEnterEvent(event);
}

void TSpinEdit::dragMoveEvent(QDragMoveEvent *event)
{
    if (!AcceptsDrop(event->mimeData())) {
        event->ignore();
        return;
    }
    QLineEdit::dragMoveEvent(event);
}

void TSpinEdit::dropEvent(QDropEvent *event)
{
    if (!AcceptsDrop(event->mimeData())) {
        event->ignore();
        return;
    }
    QLineEdit::dropEvent(event);
}

void TSpinEdit::setAutoSize(bool autoSize)
{
    if (m_autoSize == autoSize)
        return;
    m_autoSize = autoSize;
    ApplyHeightRules();
}

int TSpinEdit::AutoSizeHeight() const
{
    return SpinFieldAutoSizeHeight(fontMetrics().height(), kBorder, hasFrame());
}

int TSpinEdit::MinimumHeight() const
{
    return SpinFieldMinimumHeight(fontMetrics().height(),
                                  QFontMetrics(QGuiApplication::font()).height(), kBorder);
}

QSize TSpinEdit::sizeHint() const
{
    const QSize base = QLineEdit::sizeHint();
    return {base.width(), m_autoSize ? std::max(AutoSizeHeight(), MinimumHeight()) : base.height()};
}

QSize TSpinEdit::minimumSizeHint() const
{
    return {QLineEdit::minimumSizeHint().width(), MinimumHeight()};
}

void TSpinEdit::ApplyHeightRules()
{
    // Qt raises any smaller height to the minimum from here on.
    setMinimumHeight(MinimumHeight());
    if (m_autoSize)
        resize(width(), AutoSizeHeight());
}

int TSpinEdit::ClientInset() const
{
    return hasFrame() ? kSunkenEdge : 0;
}

void TSpinEdit::PlaceButton()
{
    const int inset = ClientInset();
    const SpinPairPlace place =
        PlaceSpinPair({width(), height()}, width() - 2 * inset, m_button->width(), hasFrame());
    m_button->setGeometry(inset + place.Pair.Left, inset + place.Pair.Top, place.Pair.Width,
                          place.Pair.Height);
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect contents = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    setTextMargins(0, 0, std::max(0, contents.right() + 1 - (inset + place.TextRight)), 0);
}

void TSpinEdit::resizeEvent(QResizeEvent *event)
{
    QLineEdit::resizeEvent(event);
    PlaceButton();
}

void TSpinEdit::changeEvent(QEvent *event)
{
    QLineEdit::changeEvent(event);
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::ApplicationFontChange:
        ApplyHeightRules();
        break;
    case QEvent::StyleChange:
        PlaceButton();
        break;
    default:
        break;
    }
}

} // namespace mrfyc
