// SPDX-License-Identifier: MIT
#include "shell/qt/startup.h"

#include "rules/caught_error.h"
#include "rules/errors.h"
#include "shell/qt/application.h"
#include "shell/qt/command_line.h"
#include "shell/qt/startup_loads.h"
#include "shell/startup_trace.h"

#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <optional>

// The icon lives in this static library; naming its resource keeps the linker from dropping it.
static void InitialiseResources()
{
    Q_INIT_RESOURCE(mrfyc);
}

namespace mrfyc {

namespace {

constexpr QStringView kFailureCaption = u"アプリケーション エラー";

struct Origin
{
    std::string module;
    std::uintptr_t offset = 0;
};

std::string FileName(const QString &path)
{
    return QFile::encodeName(QFileInfo(path).fileName()).toStdString();
}

// The module (executable or shared library) holding `address`, and the offset into it.
Origin OriginOf(const void *address)
{
    Dl_info info{};
    if (address && dladdr(address, &info) != 0 && info.dli_fname) {
        return {FileName(QFile::decodeName(info.dli_fname)),
                reinterpret_cast<std::uintptr_t>(address) -
                    reinterpret_cast<std::uintptr_t>(info.dli_fbase)};
    }
    // Unknown origin: the program file itself.
    return {FileName(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()), 0};
}

void WriteToStderr(const std::string &text)
{
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

QtMessageHandler &PreviousMessageHandler()
{
    static QtMessageHandler previous = nullptr;
    return previous;
}

// Qt ends the process with abort() after a fatal message (no display, an unusable platform); while
// the program starts, such a message is a start-up failure like any other, with its exit code.
void StartupMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type != QtFatalMsg) {
        if (QtMessageHandler previous = PreviousMessageHandler())
            previous(type, context, text);
        return;
    }
    const Origin origin = OriginOf(__builtin_return_address(0));
    WriteToStderr(StartupFailureText("Exception", origin.module, origin.offset,
                                     text.trimmed().toLocal8Bit().toStdString()));
    // Half-built Qt objects must not run their destructors.
    std::_Exit(1);
}

// Routes fatal messages to the start-up failure report for as long as it lives.
class StartupMessageGuard
{
public:
    StartupMessageGuard()
    {
        PreviousMessageHandler() = qInstallMessageHandler(StartupMessageHandler);
    }
    ~StartupMessageGuard() { qInstallMessageHandler(PreviousMessageHandler()); }
    StartupMessageGuard(const StartupMessageGuard &) = delete;
    StartupMessageGuard &operator=(const StartupMessageGuard &) = delete;
};

// The program's folder must be writable for "Temp.txt" and may be shared, and the working folder
// is anyone's: Qt must not load plugins from either. It searches its installed plugin folder (from
// the qt.conf built into the program, so that one beside it is never read), the folders in
// QT_PLUGIN_PATH (an empty entry there means the working folder) and the program's folder.
// Library paths set before the application exists are replayed on the list it makes: a path
// that was in the list then and is missing from the paths set is removed. So the program's
// folder and the working folder go into the list first, through QT_PLUGIN_PATH, and are left out
// of the paths set.
QString KeepPluginsToQtsOwnFolder()
{
    const QString own = QLibraryInfo::path(QLibraryInfo::PluginsPath);
    const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    qputenv("QT_PLUGIN_PATH",
            QFile::encodeName(QFileInfo(program).path() + u':' + QDir::currentPath()));
    QCoreApplication::setLibraryPaths({own});
    qunsetenv("QT_PLUGIN_PATH");
    qunsetenv("QT_QPA_PLATFORM_PLUGIN_PATH");
    return own;
}

// Should Qt ever add a folder in another way, it is gone before any plugin but the platform's
// own is loaded.
void CheckPluginFolders(const QString &own)
{
    if (QCoreApplication::libraryPaths() != QStringList{own})
        QCoreApplication::setLibraryPaths({own});
}

void SetApplicationIcon(StartupLoads &loads)
{
    QGuiApplication::setWindowIcon(QIcon(QPixmap::fromImage(loads.TakeIcon())));
}

// With the start-up trace on: marks the window's first expose and, once the loop is back, the
// end of the frame drawn for it.
class FirstFrameMark : public QObject
{
public:
    explicit FirstFrameMark(QWindow *window) : QObject(window) { window->installEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose && static_cast<QWindow *>(watched)->isExposed()) {
            watched->removeEventFilter(this);
            StartupTrace::Mark("window exposed");
            QTimer::singleShot(0, [] { StartupTrace::Mark("first frame drawn"); });
            deleteLater();
        }
        return false;
    }
};

} // namespace

std::string StartupFailureText(const std::exception_ptr &error)
{
    const CaughtError caught = CaughtError::From(error);
    const Origin origin = OriginOf(caught.Address);
    return StartupFailureText(caught.ClassName, origin.module, origin.offset, caught.Message);
}

int ReportStartupFailure(const std::string &text)
{
    WriteToStderr(text);
    if (qApp) {
        QString shown = QString::fromLocal8Bit(text);
        shown.replace(QLatin1StringView("\r\n"), QLatin1StringView("\n"));
        QMessageBox box(QMessageBox::Critical, kFailureCaption.toString(), shown, QMessageBox::Ok);
        box.setTextFormat(Qt::PlainText);
        box.setWindowModality(Qt::ApplicationModal);
        box.exec();
    }
    return 1;
}

int RunProgram(int &argc, char **argv, const std::function<QWidget *()> &createMainWindow)
{
    const int optionsEnd = ArgumentsBeforeOptionsEnd(argc, argv);
    int qtArgc = optionsEnd; // Qt keeps a reference for the application's lifetime
    std::unique_ptr<TApplication> application;
    std::unique_ptr<QWidget> mainWindow;
    // Ends (and so stops using Qt) before the application does.
    std::optional<StartupLoads> loads;
    try {
        const StartupMessageGuard fatalMessagesFailTheStart;
        StartupTrace::Mark("run");
        const QString pluginFolder = KeepPluginsToQtsOwnFolder();
        InitialiseResources();
        loads.emplace(QStringLiteral(":/mrfyc/mrfyc.png"));
        application = std::make_unique<TApplication>(qtArgc, argv);
        CheckPluginFolders(pluginFolder);
        loads->PluginFoldersChecked();
        StartupTrace::Mark("application made");
        loads->WaitForFontConfiguration();
        StartupTrace::Mark("font configuration read");
        argc = RejoinFileArguments(argc, argv, optionsEnd, qtArgc);
        mainWindow.reset(createMainWindow());
        StartupTrace::Mark("window built");
        // The native window takes its icon when it is made, as it is shown.
        SetApplicationIcon(*loads);
        StartupTrace::Mark("icon set");
        mainWindow->show();
        StartupTrace::Mark("window shown");
        // The expose comes through the loop, after the window exists.
        if (StartupTrace::Enabled())
            new FirstFrameMark(mainWindow->windowHandle());
    } catch (...) {
        const std::string text = StartupFailureText(std::current_exception());
        mainWindow.reset();
        // The failure's box has the program's icon too.
        if (qApp && loads && QGuiApplication::windowIcon().isNull())
            SetApplicationIcon(*loads);
        return ReportStartupFailure(text);
    }
    const int exitCode = application->exec();
    // Shutdown: the windows go before the application does.
    mainWindow.reset();
    return exitCode;
}

} // namespace mrfyc
