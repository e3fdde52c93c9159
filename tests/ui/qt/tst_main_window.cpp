// SPDX-License-Identifier: MIT
// The main window on the offscreen platform: layout, keyboard, the open command, drops and OK.
#include "rules/accessible_names.h"
#include "rules/header_settings.h"
#include "rules/log_file_selection.h"
#include "rules/main_window_layout.h"
#include "rules/message_layout.h"
#include "shell/qt/application.h"
#include "shell/qt/notice.h"
#include "shell/qt/qt_geometry.h"
#include "shell/qt/test_seams.h"
#include "tests/support/expected_texts.h"
#include "ui/qt/main_window.h"
#include "ui/qt/open_file_dialog.h"
#include "ui/qt/spin_button.h"
#include "ui/qt/spin_edit.h"
#include "ui/qt/window_font.h"

#include <QAccessible>
#include <QAction>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <memory>
#include <optional>

using namespace mrfyc;

namespace {

const QString kFilePrefix = QStringLiteral("ファイル名：");
const QString kNoticeNoFileText =
    QStringLiteral("ファイルを選択、またはドラッグドロップしてください");
const QString kNoticeUnsupportedText = QStringLiteral("非対応の形式です");

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

std::unique_ptr<QMimeData> MimeWithUrls(const QList<QUrl> &urls)
{
    auto mime = std::make_unique<QMimeData>();
    mime->setUrls(urls);
    return mime;
}

std::unique_ptr<QMimeData> MimeWithFiles(const QStringList &paths)
{
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls << QUrl::fromLocalFile(path);
    return MimeWithUrls(urls);
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startsWithDefaultsAndFocusOnOk();
    void menuBarFontShowsTheCaption_data();
    void menuBarFontShowsTheCaption();
    void fieldsFollowTheHeaderTable_data();
    void fieldsFollowTheHeaderTable();
    void resizingMovesNothingAndScrollBarsReachTheControls();
    void scalesControlsWithTheFontOnOtherScreens();

    void tabCyclesOkHeightWidthLinesQuality();
    void enterClicksOkOnlyWhenFocusedWithoutModifier_data();
    void enterClicksOkOnlyWhenFocusedWithoutModifier();
    void menuAccessKeyFollowsTheLocale();
    void qtOwnTextsFollowTheLocale();
    void fieldsAreNamedAndSteppedThroughAccessibility_data();
    void fieldsAreNamedAndSteppedThroughAccessibility();
    void ctrlORunsOpenFromEveryControl();

    void pickCancelPickShowsTheLastConfirmedFile();
    void enterTypedAsTheOpenDialogClosesRunsOk();
    void drop_data();
    void drop();
    void dragsOfAnythingButFilesAreRefused();
    void fileFromOutsideIsTakenAsADrop_data();
    void fileFromOutsideIsTakenAsADrop();

    void okPatchesTheLogWithTheFieldValues();
    void failingPatchIsReportedAndChangesNothing();

private:
    void Drop(const QMimeData &mime);
    void DropFile(const QString &path) { Drop(*MimeWithFiles({path})); }

    std::unique_ptr<LogFileSelection> m_selection;
    QPointer<TForm1> m_form;
    QStringList m_notices;
    QStringList m_errors;
};

void TestMainWindow::init()
{
    m_notices.clear();
    m_errors.clear();
    NoticeSeam().Set([this](const QString &text) { m_notices << text; });
    ErrorReportSeam().Set([this](const QString &text) { m_errors << text; });
    m_selection = std::make_unique<LogFileSelection>();
    m_form = new TForm1(*m_selection);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form));
}

void TestMainWindow::cleanup()
{
    delete m_form;
    m_selection.reset();
    NoticeSeam().Set({});
    ErrorReportSeam().Set({});
    for (QWidget *window : QApplication::topLevelWidgets())
        QVERIFY2(!window->isVisible(), qPrintable(window->objectName()));
}

void TestMainWindow::Drop(const QMimeData &mime)
{
    const QPoint inside = m_form->UdW()->geometry().center();
    QDragEnterEvent enter(inside, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_form, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(inside, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_form, &drop);
    QVERIFY(drop.isAccepted());
}

void TestMainWindow::startsWithDefaultsAndFocusOnOk()
{
    // No frame on the offscreen platform: the whole outer size is the window's.
    QCOMPARE(m_form->frameGeometry(), QRect(210, 77, 370, 251));
    const QFontInfo font(m_form->font());
    QCOMPARE(font.family(), QStringLiteral("IPAPGothic"));
    // Named alone: each further family would cost fontconfig searches as the window is built.
    QCOMPARE(m_form->font().families(), QStringList{QStringLiteral("IPAPGothic")});
    QCOMPARE(font.pixelSize(), 12);
    QCOMPARE(m_form->UdH()->font(), m_form->font());
    QCOMPARE(m_form->palette().color(QPalette::Window), m_form->palette().color(QPalette::Button));
    QCOMPARE(QApplication::focusWidget(), m_form->btnPut);
    QVERIFY(!m_form->btnPut->isDefault() && !m_form->btnPut->autoDefault());
    QVERIFY(m_form->acceptDrops());
    QVERIFY(m_selection->CurrentLogPath().empty());
    QCOMPARE(m_form->MainMenu1->actions(), QList<QAction *>{m_form->Open});
    QVERIFY(!m_form->Open->menu());
    // The caption in a face that has it, rather than glyphs borrowed by fallback searches.
    QVERIFY(QFontDatabase::writingSystems(QFontInfo(m_form->MainMenu1->font()).family())
                .contains(QFontDatabase::Japanese));
}

// The platform's menu font stays when it has Japanese; otherwise the window's face takes its size.
void TestMainWindow::menuBarFontShowsTheCaption_data()
{
    QTest::addColumn<QString>("platformFamily");
    QTest::addColumn<QString>("shownFamily");
    QTest::newRow("without Japanese")
        << QStringLiteral("DejaVu Sans") << QStringLiteral("IPAPGothic");
    QTest::newRow("with Japanese") << QStringLiteral("IPAGothic") << QStringLiteral("IPAGothic");
}

void TestMainWindow::menuBarFontShowsTheCaption()
{
    QFETCH(QString, platformFamily);
    QFETCH(QString, shownFamily);
    QFont platform(platformFamily);
    platform.setPointSizeF(10.5);
    const QFont shown = MenuBarFont(platform);
    QCOMPARE(QFontInfo(shown).family(), shownFamily);
    QVERIFY(QFontDatabase::writingSystems(shownFamily).contains(QFontDatabase::Japanese));
    QCOMPARE(shown.pointSizeF(), 10.5);
}

// The layout's fields and the header's table must agree on ranges and defaults.
void TestMainWindow::fieldsFollowTheHeaderTable_data()
{
    QTest::addColumn<int>("field");
    for (std::size_t index = 0; index < kHeaderFields.size(); ++index)
        QTest::newRow(std::string(kHeaderFields[index].Control).c_str()) << static_cast<int>(index);
}

void TestMainWindow::fieldsFollowTheHeaderTable()
{
    QFETCH(int, field);
    const HeaderField &row = kHeaderFields[static_cast<std::size_t>(field)];
    auto *edit = m_form->findChild<TSpinEdit *>(QString::fromUtf8(row.Control));
    QVERIFY(edit);
    QCOMPARE(edit->MinValue(), row.Minimum);
    QCOMPARE(edit->MaxValue(), row.Maximum);
    QCOMPARE(edit->Value(), row.Default);
    QCOMPARE(edit->Value(), THeaderSettings{}.Field(static_cast<HeaderFieldIndex>(field)));
}

void TestMainWindow::resizingMovesNothingAndScrollBarsReachTheControls()
{
    const auto places = [this] {
        QList<QRect> places;
        for (QWidget *control : m_form->ClientArea->findChildren<QWidget *>())
            places << control->geometry();
        return places;
    };
    const QList<QRect> before = places();
    m_form->showMaximized();
    QTRY_VERIFY(m_form->isMaximized());
    QCOMPARE(places(), before);

    m_form->showNormal();
    m_form->resize(200, 120);
    QTRY_COMPARE(m_form->size(), QSize(200, 120));
    QCOMPARE(places(), before);
    QScrollBar *vertical = m_form->ScrollBox->verticalScrollBar();
    QScrollBar *horizontal = m_form->ScrollBox->horizontalScrollBar();
    QTRY_VERIFY(vertical->isVisible());
    QVERIFY(horizontal->isVisible());
    // Scrolled to the end, the OK button lies wholly inside the visible area.
    vertical->setValue(vertical->maximum());
    horizontal->setValue(horizontal->maximum());
    const QRect visible = m_form->ScrollBox->viewport()->rect();
    const QRect button(m_form->btnPut->mapTo(m_form->ScrollBox->viewport(), QPoint(0, 0)),
                       m_form->btnPut->size());
    QVERIFY(visible.contains(button));
}

void TestMainWindow::scalesControlsWithTheFontOnOtherScreens()
{
    const QRect okBefore = m_form->btnPut->geometry();
    const QRect fileBefore = m_form->lblFile->geometry();
    m_form->ScaleToScreen(120);
    QCOMPARE(m_form->font().pixelSize(), 15);
    QCOMPARE(m_form->frameGeometry(), QRect(210, 77, 370, 251));

    // Everything grows by the same factor as the font's text height, within rounding.
    const QRect okAfter = m_form->btnPut->geometry();
    const QRect fileAfter = m_form->lblFile->geometry();
    for (const auto &[before, after] : {std::pair{okBefore, okAfter}, {fileBefore, fileAfter}}) {
        QVERIFY(after.left() > before.left() && after.width() > before.width());
        const double factor = double(after.right() + 1) / (before.right() + 1);
        QVERIFY2(factor > 1.18 && factor < 1.32, qPrintable(QString::number(factor)));
    }
    // Neighbours still line up: the two field columns keep a common left edge.
    QCOMPARE(m_form->UdH()->x(), m_form->Udl()->x());
    QCOMPARE(m_form->Caption(kImageHeightField)->x(), m_form->UdH()->x());
    QCOMPARE(m_form->Caption(kImageHeightField)->size(),
             m_form->Caption(kImageHeightField)
                 ->fontMetrics()
                 .size(Qt::TextSingleLine, QStringLiteral("高さ")));
    // The window keeps its size, so the grown controls are reached by scrolling.
    QTRY_VERIFY(m_form->ScrollBox->verticalScrollBar()->isVisible());
}

void TestMainWindow::tabCyclesOkHeightWidthLinesQuality()
{
    const QList<QWidget *> order = {m_form->UdH(), m_form->UdW(), m_form->Udl(), m_form->UdQ(),
                                    m_form->btnPut};
    QCOMPARE(QApplication::focusWidget(), m_form->btnPut);
    for (QWidget *expected : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), expected);
    }
    for (qsizetype i = order.size() - 2; i >= 0; --i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), order.at(i));
    }
}

void TestMainWindow::enterClicksOkOnlyWhenFocusedWithoutModifier_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("clicks");
    QTest::newRow("Return on OK") << "btnPut"
                                  << "Return" << 1;
    QTest::newRow("keypad Enter on OK") << "btnPut"
                                        << "Num+Enter" << 1;
    QTest::newRow("Space on OK") << "btnPut"
                                 << "Space" << 1;
    QTest::newRow("Shift+Return on OK") << "btnPut"
                                        << "Shift+Return" << 0;
    QTest::newRow("Ctrl+Return on OK") << "btnPut"
                                       << "Ctrl+Return" << 0;
    QTest::newRow("Escape on OK") << "btnPut"
                                  << "Esc" << 0;
    QTest::newRow("Return in UdH") << "UdH"
                                   << "Return" << 0;
    QTest::newRow("Escape in UdQ") << "UdQ"
                                   << "Esc" << 0;
}

void TestMainWindow::enterClicksOkOnlyWhenFocusedWithoutModifier()
{
    QFETCH(QString, focus);
    QFETCH(QString, keys);
    QFETCH(int, clicks);
    auto *target = m_form->ClientArea->findChild<QWidget *>(focus);
    target->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), target);
    QSignalSpy clicked(m_form->btnPut, &QPushButton::clicked);
    QTest::keySequence(target, QKeySequence(keys));
    QCOMPARE(clicked.count(), clicks);
    // A click with no file chosen asks for one, and nothing else.
    QCOMPARE(m_notices, clicks ? QStringList{kNoticeNoFileText} : QStringList{});
    QVERIFY(m_errors.isEmpty());
}

void TestMainWindow::menuAccessKeyFollowsTheLocale()
{
    int opened = 0;
    m_form->OpenDialog1->setAnswerer([&](QFileDialog &) {
        ++opened;
        return std::nullopt;
    });
    // Told by the test's environment, so that a locale the program fails to see shows up.
    const bool japanese = qEnvironmentVariable("LC_ALL").startsWith(QStringLiteral("ja_"));
    QCOMPARE(m_form->Open->text(), japanese ? QStringLiteral("開く(&Z)") : QStringLiteral("開く"));
    QTest::keyClick(m_form, Qt::Key_Z, Qt::AltModifier);
    QTRY_COMPARE(opened, japanese ? 1 : 0);
    // The mouse always reaches it.
    const QRect item = m_form->MainMenu1->actionGeometry(m_form->Open);
    QTest::mouseClick(m_form->MainMenu1, Qt::LeftButton, Qt::NoModifier, item.center());
    QTRY_COMPARE(opened, japanese ? 2 : 1);
}

void TestMainWindow::qtOwnTextsFollowTheLocale()
{
    const bool japanese = qEnvironmentVariable("LC_ALL").startsWith(QStringLiteral("ja_"));
    QString cancel;
    m_form->OpenDialog1->setAnswerer([&](QFileDialog &dialog) -> std::optional<QString> {
        if (const auto *buttons = dialog.findChild<QDialogButtonBox *>())
            cancel = buttons->button(QDialogButtonBox::Cancel)->text();
        return std::nullopt;
    });
    m_form->Open->trigger();
    QCOMPARE(cancel.remove(u'&'),
             japanese ? QStringLiteral("キャンセル") : QStringLiteral("Cancel"));
}

// Each caption of the shared table names the field below it.
void TestMainWindow::fieldsAreNamedAndSteppedThroughAccessibility_data()
{
    QTest::addColumn<int>("index");
    for (int index = 1; index < int(kTabStops.size()); ++index)
        QTest::newRow(kTabStops[std::size_t(index)].Name.data()) << index;
}

void TestMainWindow::fieldsAreNamedAndSteppedThroughAccessibility()
{
    QFETCH(int, index);
    const ControlPlace &field = kTabStops[std::size_t(index)], &label = kLabels[std::size_t(index)];
    const QString caption = QString::fromUtf8(label.Text);
    auto *edit = m_form->findChild<TSpinEdit *>(QString::fromUtf8(field.Name));
    auto *captionLabel = m_form->findChild<QLabel *>(QString::fromUtf8(label.Name));
    QVERIFY(edit && captionLabel);
    QCOMPARE(captionLabel->buddy(), edit);
    QAccessibleInterface *fieldInterface = QAccessible::queryAccessibleInterface(edit);
    QVERIFY(fieldInterface);
    QCOMPARE(fieldInterface->text(QAccessible::Name), caption);

    QAccessibleInterface *pair = QAccessible::queryAccessibleInterface(edit->Button());
    QVERIFY(pair);
    QCOMPARE(pair->role(), QAccessible::SpinBox);
    QCOMPARE(pair->text(QAccessible::Name), caption);
    QAccessibleActionInterface *actions = pair->actionInterface();
    QVERIFY(actions);
    const QString up = QAccessibleActionInterface::increaseAction();
    const QString down = QAccessibleActionInterface::decreaseAction();
    QCOMPARE(actions->actionNames(), QStringList({up, down}));
    edit->setValue(5);
    actions->doAction(up);
    actions->doAction(up);
    QCOMPARE(edit->Value(), 7);
    actions->doAction(down);
    QCOMPARE(edit->Value(), 6);

    // Each arrow a push button whose press is a click: the field takes the focus, then one step.
    QCOMPARE(pair->childCount(), 2);
    for (int index : {0, 1}) {
        QAccessibleInterface *arrow = pair->child(index);
        QCOMPARE(arrow->role(), QAccessible::PushButton);
        QCOMPARE(arrow->text(QAccessible::Name),
                 QString::fromUtf8(index ? kDownArrowName : kUpArrowName));
        const QString press = QAccessibleActionInterface::pressAction();
        QCOMPARE(arrow->actionInterface()->actionNames(), QStringList{press});
        m_form->btnPut->setFocus();
        arrow->actionInterface()->doAction(press);
        QVERIFY(edit->hasFocus() && edit->Value() == (index ? 6 : 7));
    }
}

void TestMainWindow::ctrlORunsOpenFromEveryControl()
{
    int opened = 0;
    m_form->OpenDialog1->setAnswerer([&](QFileDialog &) {
        ++opened;
        return std::nullopt;
    });
    const QString caption = m_form->Open->text();
    for (QWidget *control : QList<QWidget *>{m_form->btnPut, m_form->UdH(), m_form->UdW(),
                                             m_form->Udl(), m_form->UdQ()}) {
        control->setFocus();
        const int before = opened;
        QTest::keyClick(control, Qt::Key_O, Qt::ControlModifier);
        QTRY_COMPARE(opened, before + 1);
    }
    QCOMPARE(m_form->Open->text(), caption);
}

void TestMainWindow::pickCancelPickShowsTheLastConfirmedFile()
{
    // Real files: the dialog can only preselect a file in a folder that exists.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("チャット")));
    const QString first = dir.filePath(QStringLiteral("チャット/0001.mrfy"));
    const QString second = dir.filePath(QStringLiteral("0002.log")); // any extension is taken
    WriteAll(first, "log");
    QStringList preselected;
    QList<std::optional<QString>> answers{first, std::nullopt, second};
    m_form->OpenDialog1->setAnswerer([&](QFileDialog &dialog) -> std::optional<QString> {
        preselected << dialog.selectedFiles().value(0);
        [&] {
            QCOMPARE(dialog.nameFilters(), QStringList{"ミルフィログファイル (*.tmp *.mrfy)"});
            QCOMPARE(dialog.acceptMode(), QFileDialog::AcceptOpen);
            QCOMPARE(dialog.windowModality(), Qt::ApplicationModal);
            QCOMPARE(dialog.parentWidget(), m_form.data());
            const QRect monitor = m_form->screen()->geometry();
            QCOMPARE(dialog.pos(),
                     ToQt(CentredOneThirdDown(FromQt(monitor), FromQt(dialog.size()))));
        }();
        return answers.takeFirst();
    });

    m_form->Open->trigger();
    m_form->Open->trigger(); // cancelled: nothing changes
    QCOMPARE(m_form->lblFile->text(), kFilePrefix + first);
    QCOMPARE(QString::fromStdString(m_selection->CurrentLogPath()), first);
    m_form->Open->trigger();
    QCOMPARE(m_form->lblFile->text(), kFilePrefix + second);
    QCOMPARE(QString::fromStdString(m_selection->CurrentLogPath()), second);
    QCOMPARE(preselected.size(), 3);
    QVERIFY(!preselected.at(0).endsWith(QStringLiteral("0001.mrfy")));
    QCOMPARE(preselected.mid(1), (QStringList{first, first}));
    QVERIFY(m_notices.isEmpty());
}

void TestMainWindow::drop_data()
{
    QTest::addColumn<QList<QUrl>>("urls");
    QTest::addColumn<QString>("accepted"); // empty: refused with the notice
    const auto files = [](const QStringList &paths) {
        QList<QUrl> urls;
        for (const QString &path : paths)
            urls << QUrl::fromLocalFile(path);
        return urls;
    };
    QTest::newRow(".tmp, Japanese folder") << files({"/ログ/表/a.tmp"}) << "/ログ/表/a.tmp";
    QTest::newRow("only the first of several")
        << files({"/logs/a.mrfy", "/logs/b.tmp", "/logs/c.txt"}) << "/logs/a.mrfy";
    QTest::newRow("first refused, the rest ignored")
        << files({"/logs/c.txt", "/logs/a.mrfy"}) << "";
    QTest::newRow("ampersand shown as it is")
        << files({"/logs/a&b && c.mrfy"}) << "/logs/a&b && c.mrfy";
    QTest::newRow("first local file after a web link")
        << (QList<QUrl>{QUrl("https://example.com/x.mrfy")} + files({"/logs/w.tmp"}))
        << "/logs/w.tmp";
}

void TestMainWindow::drop()
{
    QFETCH(QList<QUrl>, urls);
    QFETCH(QString, accepted);
    // A pick first, so that a refused drop visibly keeps what was there.
    const QString picked = QStringLiteral("/logs/picked.mrfy");
    m_form->OpenDialog1->setAnswerer([&](QFileDialog &) { return picked; });
    m_form->Open->trigger();

    Drop(*MimeWithUrls(urls));
    if (accepted.isEmpty()) {
        QCOMPARE(m_notices, QStringList{kNoticeUnsupportedText});
        QCOMPARE(m_form->lblFile->text(), kFilePrefix + picked);
        QCOMPARE(QString::fromStdString(m_selection->CurrentLogPath()), picked);
    } else {
        QVERIFY(m_notices.isEmpty());
        QCOMPARE(m_form->lblFile->text(), accepted);
        QCOMPARE(m_selection->CurrentLogPath(), QFile::encodeName(accepted).toStdString());
    }
    // However long the path, the label keeps its box and clips what does not fit.
    QCOMPARE(m_form->lblFile->geometry(), QRect(4, 8, 349, 37));
    QVERIFY(m_errors.isEmpty());
}

void TestMainWindow::dragsOfAnythingButFilesAreRefused()
{
    QMimeData text;
    text.setText(QStringLiteral("/logs/a.mrfy"));
    auto web = MimeWithUrls({QUrl("https://example.com/a.mrfy")});
    for (const QMimeData *mime :
         {static_cast<const QMimeData *>(&text), static_cast<const QMimeData *>(web.get())}) {
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_form, &enter);
        QVERIFY(!enter.isAccepted());
        QDropEvent drop(QPoint(50, 50), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_form, &drop);
        QVERIFY(!drop.isAccepted());
    }
    QCOMPARE(m_form->lblFile->text(), kFilePrefix);
    QVERIFY(m_notices.isEmpty());
}

void TestMainWindow::enterTypedAsTheOpenDialogClosesRunsOk()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString log = dir.filePath(QStringLiteral("0001.mrfy"));
    WriteAll(log, "log");
    // The real dialog: confirmed, and an Enter typed at once, which the window system still
    // addresses to the dialog's window (the window manager has not moved the focus yet).
    bool lost = false;
    QPointer<QWindow> dialogWindow;
    auto *waitForDialog = new QTimer(this);
    connect(waitForDialog, &QTimer::timeout, this, [&, waitForDialog] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        delete waitForDialog;
        dialog->selectFile(log);
        dialogWindow = dialog->windowHandle();
        static_cast<QDialog *>(dialog)->accept();
        QTimer::singleShot(0, this, [&] {
            if (!dialogWindow) {
                lost = true;
                return;
            }
            QTest::keyClick(dialogWindow.data(), Qt::Key_Return);
        });
    });
    waitForDialog->start(5);

    m_form->Open->trigger();
    QCOMPARE(m_form->lblFile->text(), kFilePrefix + log);
    QTRY_VERIFY(lost || !m_notices.isEmpty());
    QVERIFY2(!lost, "the key went to a window that is gone");
    QVERIFY2(m_errors.isEmpty(), qPrintable(m_errors.join('\n')));
    QCOMPARE(m_notices, QStringList{QStringLiteral("修正しました")});
    QVERIFY(ReadAll(log).endsWith("quality=1\r\nlog"));
}

void TestMainWindow::fileFromOutsideIsTakenAsADrop_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<bool>("accepted");
    QTest::newRow(".tmp, Japanese folder") << QByteArray("/ログ/a.tmp") << true;
    QTest::newRow(".MRFY refused") << QByteArray("/logs/0001.MRFY") << false;
}

void TestMainWindow::fileFromOutsideIsTakenAsADrop()
{
    QFETCH(QByteArray, path);
    QFETCH(bool, accepted);
    m_form->OpenFromOutside(path.toStdString());
    QCOMPARE(m_notices, accepted ? QStringList() : QStringList{kNoticeUnsupportedText});
    QCOMPARE(m_form->lblFile->text(), accepted ? QString::fromUtf8(path) : kFilePrefix);
    QCOMPARE(m_selection->CurrentLogPath(), accepted ? path.toStdString() : std::string());
    // The full path, also when the label clips it; the label's prefix is no part of it.
    QCOMPARE(m_form->lblFile->toolTip(), accepted ? QString::fromUtf8(path) : QString());
    m_form->OpenDialog1->setAnswerer([](QFileDialog &) { return QStringLiteral("/picked.mrfy"); });
    m_form->Open->trigger();
    QCOMPARE(m_form->lblFile->toolTip(), QStringLiteral("/picked.mrfy"));
}

void TestMainWindow::okPatchesTheLogWithTheFieldValues()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString log = dir.filePath(QStringLiteral("0001.mrfy"));
    const QByteArray old("old line\r\n\0\xff\x81\\ end", 18);
    WriteAll(log, old);
    DropFile(log);

    // Typed as a user would, then left with Tab.
    m_form->UdW()->setFocus();
    m_form->UdW()->selectAll();
    QTest::keyClicks(m_form->UdW(), QStringLiteral("800"));
    QTest::keyClick(m_form->UdW(), Qt::Key_Tab);
    m_form->Udl()->setValue(123456);
    m_form->UdQ()->setValue(9);
    QTest::mouseClick(m_form->btnPut, Qt::LeftButton);

    QVERIFY2(m_errors.isEmpty(), qPrintable(m_errors.join('\n')));
    QCOMPARE(m_notices, QStringList{QStringLiteral("修正しました")});
    const QByteArray header = QByteArray::fromStdString(test::ExpectedHeader(800, 1200, 123456, 9));
    QCOMPARE(ReadAll(log), header + old);
    // The scratch file sits beside the program, here the test executable.
    QCOMPARE(ReadAll(QCoreApplication::applicationDirPath() + QStringLiteral("/Temp.txt")), header);
}

void TestMainWindow::failingPatchIsReportedAndChangesNothing()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString missing = dir.filePath(QStringLiteral("gone.mrfy"));
    DropFile(missing);
    m_form->UdH()->setValue(77);

    QTest::mouseClick(m_form->btnPut, Qt::LeftButton);
    QCOMPARE(m_errors, QStringList{QStringLiteral("ファイル %1 は開けません.").arg(missing)});
    QVERIFY(m_notices.isEmpty());
    QCOMPARE(m_form->lblFile->text(), missing);
    QCOMPARE(QString::fromStdString(m_selection->CurrentLogPath()), missing);
    QCOMPARE(m_form->UdH()->Value(), 77);
    QCOMPARE(m_form->UdW()->Value(), 900);
    QVERIFY(!QFile::exists(missing));

    // The window stays usable: the next command runs from its start.
    QTest::mouseClick(m_form->btnPut, Qt::LeftButton);
    QCOMPARE(m_errors.size(), 2);
}

int main(int argc, char **argv)
{
    // Qt's file dialog keeps its history in the user's settings; tests keep theirs apart.
    QStandardPaths::setTestModeEnabled(true);
    TApplication app(argc, argv);
    TestMainWindow test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_main_window.moc"
