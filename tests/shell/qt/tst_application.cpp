// SPDX-License-Identifier: MIT
#include "rules/errors.h"
#include "shell/qt/application.h"
#include "shell/qt/command_line.h"
#include "shell/qt/startup.h"
#include "shell/qt/test_seams.h"

#include "modal_helper.h"

#include <QDir>
#include <QEventLoop>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <new>
#include <stdexcept>

using namespace mrfyc;

namespace {

using Thrower = std::function<void()>;

} // namespace

Q_DECLARE_METATYPE(Thrower)

class TestApplication : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void errorsEscapingHandlersAreReported_data();
    void errorsEscapingHandlersAreReported();
    void errorBoxReleasesTheMouseAndIsCriticalWithOneOk();

    void startupFailureText_data();
    void startupFailureText();

    void fileArgument_data();
    void fileArgument();

private:
    QStringList m_reports;
};

void TestApplication::initTestCase()
{
    ErrorReportSeam().Set([this](const QString &text) { m_reports.append(text); });
}

void TestApplication::init()
{
    m_reports.clear();
}

void TestApplication::errorsEscapingHandlersAreReported_data()
{
    QTest::addColumn<Thrower>("fail");
    QTest::addColumn<QStringList>("reports");
    QTest::newRow("EFOpenError") << Thrower([] { throw EFOpenError(FileOpenErrorText("/a.mrfy")); })
                                 << QStringList{"ファイル /a.mrfy は開けません."};
    QTest::newRow("EWriteError") << Thrower([] { throw EWriteError(std::string(kWriteErrorText)); })
                                 << QStringList{"ストリームへの書き込みエラー."};
    QTest::newRow("EAbort is silent") << Thrower([] { throw EAbort("quiet"); }) << QStringList{};
    QTest::newRow("bad_alloc") << Thrower([] { throw std::bad_alloc(); })
                               << QStringList{"メモリが足りません."};
    QTest::newRow("other std::exception")
        << Thrower([] { throw std::runtime_error("boom"); }) << QStringList{"boom."};
    // The full stop: not after a byte of 0x2E or below.
    QTest::newRow("ends in a stop")
        << Thrower([] { throw Exception("done."); }) << QStringList{"done."};
    QTest::newRow("ends in a bracket")
        << Thrower([] { throw Exception("(x)"); }) << QStringList{"(x)"};
    QTest::newRow("empty") << Thrower([] { throw Exception(""); }) << QStringList{""};
}

void TestApplication::errorsEscapingHandlersAreReported()
{
    QFETCH(Thrower, fail);
    QFETCH(QStringList, reports);

    QEventLoop loop;
    bool laterEventRan = false;
    QTimer::singleShot(0, fail);
    QTimer::singleShot(
        0,
        [&] {
            laterEventRan = true;
            loop.quit();
        });
    QTimer::singleShot(5000, &loop, [&loop] { loop.exit(1); });
    QCOMPARE(loop.exec(), 0);
    QVERIFY(laterEventRan);
    QCOMPARE(m_reports, reports);
}

void TestApplication::errorBoxReleasesTheMouseAndIsCriticalWithOneOk()
{
    ErrorReportSeam().Set({});
    QWidget window;
    auto *held = new QPushButton(QStringLiteral("held"), &window);
    held->setAutoRepeat(true);
    held->setAutoRepeatDelay(50);
    held->setAutoRepeatInterval(20);
    window.show();
    window.activateWindow();
    held->setFocus();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QSignalSpy clicks(held, &QPushButton::clicked);
    QTest::mousePress(held, Qt::LeftButton);

    QString title, text;
    int buttons = 0;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool released = false;
    WhenModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        released = !held->isDown();
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = box->buttons().size();
        box->button(QMessageBox::Ok)->click();
    });
    ReportError(CaughtError::From(std::make_exception_ptr(EFOpenError(FileOpenErrorText("/b")))));
    ErrorReportSeam().Set([this](const QString &shown) { m_reports.append(shown); });

    QVERIFY(released);
    QCOMPARE(title, QStringLiteral("mrfyc"));
    QCOMPARE(text, QStringLiteral("ファイル /b は開けません."));
    QCOMPARE(icon, QMessageBox::Critical);
    QCOMPARE(buttons, 1);
    QTRY_COMPARE(QApplication::activeWindow(), &window);
    QCOMPARE(QApplication::focusWidget(), held);
    QTest::qWait(300); // well past the repeat delay: a button still held would have clicked
    QCOMPARE(clicks.count(), 0);
}

void TestApplication::startupFailureText_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("expected");
    const QString head =
        QStringLiteral("%1 がモジュール mrfyc の 0000000000001A2F で発生しました。\r\n");
    QTest::newRow("stop already") << "Exception"
                                  << "end." << head.arg("Exception") + "end.\r\n";
    QTest::newRow("bracket still gets one") << "Exception"
                                            << "(x)" << head.arg("Exception") + "(x).\r\n";
    QTest::newRow("empty") << "EAbort"
                           << "" << head.arg("EAbort") + "\r\n";
}

void TestApplication::startupFailureText()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);
    QFETCH(QString, expected);
    const std::string text =
        StartupFailureText(kind.toStdString(), "mrfyc", 0x1A2F, message.toStdString());
    QCOMPARE(QString::fromStdString(text), expected);
}

void TestApplication::fileArgument_data()
{
    QTest::addColumn<QByteArrayList>("arguments");
    QTest::addColumn<QByteArray>("file"); // empty: none
    const QByteArray here = QFile::encodeName(QDir::currentPath()) + '/';
    // Which argument is the file is the rule's table; here: made absolute, bytes kept.
    QTest::newRow("none") << QByteArrayList{"-x"} << QByteArray();
    QTest::newRow("relative") << QByteArrayList{"--", "-a.mrfy"} << here + "-a.mrfy";
    QTest::newRow("bytes kept") << QByteArrayList{"/l/\x95\x5c\xff.mrfy"}
                                << QByteArray("/l/\x95\x5c\xff.mrfy");
}

void TestApplication::fileArgument()
{
    QFETCH(QByteArrayList, arguments);
    QFETCH(QByteArray, file);
    std::vector<const char *> argv{"mrfyc"};
    for (const QByteArray &argument : arguments)
        argv.push_back(argument.constData());
    const std::optional<std::string> found = FileArgument(int(argv.size()), argv.data());
    QCOMPARE(found.has_value(), !file.isEmpty());
    if (found)
        QCOMPARE(QByteArray::fromStdString(*found), file);
}

int main(int argc, char **argv)
{
    TApplication application(argc, argv);
    TestApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_application.moc"
