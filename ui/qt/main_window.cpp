// SPDX-License-Identifier: MIT
#include "ui/qt/main_window.h"

#include "files/log_patch.h"
#include "rules/layout_scaling.h"
#include "rules/log_file_selection.h"
#include "rules/main_window_layout.h"
#include "rules/put_command.h"
#include "shell/qt/notice.h"
#include "shell/qt/qt_geometry.h"
#include "ui/qt/layout_scaling.h"
#include "ui/qt/menu_access_key.h"
#include "ui/qt/open_file_dialog.h"
#include "ui/qt/spin_edit.h"
#include "ui/qt/window_font.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QUrl>

#include <algorithm>
#include <optional>

namespace mrfyc {

namespace {

// The layout was made for the screen, font and outer rectangle of rules/main_window_layout.h.
const QPoint kOuterPosition(kMainWindowOuter.Left, kMainWindowOuter.Top);
const QSize kOuterSize(kMainWindowOuter.Width, kMainWindowOuter.Height);

std::optional<QString> FirstLocalFile(const QMimeData *mimeData)
{
    if (!mimeData || !mimeData->hasUrls())
        return std::nullopt;
    const QList<QUrl> urls = mimeData->urls();
    const auto found =
        std::find_if(urls.cbegin(), urls.cend(), [](const QUrl &url) { return url.isLocalFile(); });
    if (found == urls.cend())
        return std::nullopt;
    return found->toLocalFile();
}

std::string ToBytes(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

template <typename Control> Control *NewControl(const ControlPlace &place, QWidget *parent)
{
    auto *control = new Control(parent);
    control->setObjectName(QString::fromUtf8(place.Name));
    control->setGeometry(ToQt(place.Bounds));
    return control;
}

} // namespace

TForm1::TForm1(LogFileSelection &selection, QWidget *parent)
    : QMainWindow(parent), m_selection(selection)
{
    // Before the controls exist, so that each takes the font once rather than again when the
    // window's font reaches it.
    setFont(WindowFont(kDesignFontHeight));
    CreateControls();
    OpenDialog1 = new OpenFileDialog(this);
    OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));

    ApplyWindowLook();
    const QScreen *onScreen = screen();
    ScaleToScreen(onScreen ? qRound(onScreen->logicalDotsPerInchY()) : kDesignPixelsPerInch);
    SetUpMenu();

    connect(
        Open, &QAction::triggered, this, [this] { OpenClick(); });
    connect(btnPut, &QPushButton::clicked, this, [this] { btnPutClick(); });
    btnPut->installEventFilter(this);
    for (std::size_t index = 0; index < kHeaderFields.size(); ++index) {
        // Drops anywhere on the window belong to the window, not to the field under the pointer.
        m_fields[index]->setAcceptDrops(false);
        // Each caption names its field, for the keyboard and for assistive technology.
        m_captions[index]->setBuddy(m_fields[index]);
        m_fields[index]->setAccessibleName(m_captions[index]->text());
    }

    ShowSelection();
    move(kOuterPosition);
    resize(kOuterSize);
    btnPut->setFocus();
    setAcceptDrops(true);
}

void TForm1::OpenClick()
{
    if (!OpenDialog1->Execute(this))
        return;
    m_selection.ApplyOpenRule(ToBytes(OpenDialog1->FileName()));
    ShowSelection();
}

THeaderSettings TForm1::FieldValues() const
{
    THeaderSettings values;
    for (std::size_t index = 0; index < kHeaderFields.size(); ++index)
        values.Field(static_cast<HeaderFieldIndex>(index)) = m_fields[index]->Value();
    return values;
}

void TForm1::CreateControls()
{
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(QString::fromUtf8(kMainWindowCaption));
    Open = new QAction(QString::fromUcs4(kOpenCommandCaption.data(),
                                         static_cast<qsizetype>(kOpenCommandCaption.size())),
                       this);
    Open->setObjectName(QStringLiteral("Open"));
    ScrollBox = new QScrollArea(this);
    ScrollBox->setObjectName(QStringLiteral("ScrollBox"));
    ScrollBox->setFocusPolicy(Qt::NoFocus);
    ScrollBox->setFrameShape(QFrame::NoFrame);
    ScrollBox->setWidgetResizable(true);
    ClientArea = new QWidget();
    ClientArea->setObjectName(QStringLiteral("ClientArea"));
    ClientArea->setAutoFillBackground(true);
    // In the window before the controls exist, so that they are made with the window's font
    // rather than laid out again when it reaches them.
    ScrollBox->setWidget(ClientArea);
    // Labels first, then the tab stops in their order, so that the focus chain follows it.
    CreateLabels();
    CreateTabStops();
    setCentralWidget(ScrollBox);
    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    setMenuBar(MainMenu1);
    MainMenu1->addAction(Open);
}

void TForm1::CreateLabels()
{
    for (std::size_t index = 0; index < kLabels.size(); ++index) {
        auto *label = NewControl<QLabel>(kLabels[index], ClientArea);
        label->setAutoFillBackground(true);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setText(QString::fromUtf8(kLabels[index].Text));
        if (const std::optional<HeaderFieldIndex> field = FieldAtStop(index)) {
            m_captions[*field] = label;
        } else {
            lblFile = label;
            lblFile->setWordWrap(true);
        }
    }
}

void TForm1::CreateTabStops()
{
    btnPut = NewControl<QPushButton>(kTabStops[kButtonStop], ClientArea);
    btnPut->setText(QString::fromUtf8(kTabStops[kButtonStop].Text));
    // No default button: Enter clicks it only while it has the focus.
    btnPut->setAutoDefault(false);
    for (std::size_t index = 0; index < kTabStops.size(); ++index) {
        const std::optional<HeaderFieldIndex> field = FieldAtStop(index);
        if (!field)
            continue;
        auto *spin = NewControl<TSpinEdit>(kTabStops[index], ClientArea);
        spin->setMaxValue(kHeaderFields[*field].Maximum);
        spin->setMinValue(kHeaderFields[*field].Minimum);
        spin->setValue(kHeaderFields[*field].Default);
        m_fields[*field] = spin;
    }
}

void TForm1::btnPutClick()
{
    // Errors go on to the event loop's report.
    RunPutCommand(m_selection.CurrentLogPath(),
                  {[this] { return FieldValues(); }, PatchLogFileBesideProgram, ShowNoticeBytes});
}

void TForm1::ScaleToScreen(int pixelsPerInch)
{
    if (pixelsPerInch != kDesignPixelsPerInch) {
        const QFont designFont = WindowFont(kDesignFontHeight);
        const QFont scaledFont = WindowFont(ScaledFontHeight(kDesignFontHeight, pixelsPerInch));
        setFont(scaledFont);
        // Qt rounds ascent and descent on their own, so the design height is measured in the same
        // way rather than taken as 12; that keeps the controls in proportion with the font.
        const int textHeight = TextHeight(scaledFont);
        const int designTextHeight = TextHeight(designFont);
        if (textHeight != designTextHeight)
            ScaleChildren(ClientArea, textHeight, designTextHeight);
    }
    FitLabelsAndScrollArea();
}

void TForm1::dragEnterEvent(QDragEnterEvent *event)
{
    if (FirstLocalFile(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TForm1::dropEvent(QDropEvent *event)
{
    const std::optional<QString> path = FirstLocalFile(event->mimeData());
    if (!path) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    OpenFromOutside(ToBytes(*path));
}

void TForm1::OpenFromOutside(const std::string &path)
{
    if (m_selection.ApplyDropRule(path, ShowNoticeBytes))
        ShowSelection();
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == btnPut && event->type() == QEvent::KeyPress)
        return HandleButtonKey(static_cast<QKeyEvent *>(event));
    return QMainWindow::eventFilter(watched, event);
}

bool TForm1::event(QEvent *event)
{
    const bool handled = QMainWindow::event(event);
    if (!m_outerSizeFitted && (event->type() == QEvent::Move || event->type() == QEvent::Show ||
                               event->type() == QEvent::Resize))
        FitOuterSize();
    return handled;
}

void TForm1::ApplyWindowLook()
{
    // The menu bar is the platform's: it keeps the menu font, where that font can show the caption.
    MainMenu1->setFont(MenuBarFont(QApplication::font(MainMenu1)));
    QPalette look = palette();
    look.setColor(QPalette::Window, look.color(QPalette::Button));
    setPalette(look);
}

void TForm1::SetUpMenu()
{
    Open->setText(AssignMenuAccessKeys({Open->text()}, IsDoubleByteLocale()).constFirst());
    // The usual key for opening, beside the access key; the caption stays as it is.
    Open->setShortcut(QKeySequence::Open);
}

void TForm1::FitLabelsAndScrollArea()
{
    // The captions take the size of their text; the file label keeps its box.
    for (QLabel *caption : m_captions)
        caption->resize(caption->sizeHint());
    // The scroll bars appear once the client area is smaller than what the controls reach.
    QRect reach;
    for (const QWidget *control : ClientArea->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        reach |= control->geometry();
    ClientArea->setMinimumSize(reach.right() + 1, reach.bottom() + 1);
}

void TForm1::FitOuterSize()
{
    // The outer size includes the frame, which the window system tells only once the window is
    // shown; until then the whole size goes to the client area.
    const QRect frame = frameGeometry();
    const QRect client = geometry();
    if (!isVisible() || frame.size() == client.size())
        return;
    m_outerSizeFitted = true;
    resize(kOuterSize - (frame.size() - client.size()));
    move(kOuterPosition);
}

void TForm1::ShowSelection()
{
    lblFile->setText(QString::fromLocal8Bit(m_selection.LabelText()));
    // The label clips a long path; the tooltip shows all of it.
    lblFile->setToolTip(QString::fromLocal8Bit(m_selection.CurrentLogPath()));
}

bool TForm1::HandleButtonKey(QKeyEvent *event)
{
    // Enter clicks the button only while it has the focus and no modifier is held; the button is
    // no default button, so Enter elsewhere and Esc click nothing.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const auto modifiers = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
    if (!enter || (event->modifiers() & modifiers))
        return false;
    btnPut->click();
    return true;
}

} // namespace mrfyc
