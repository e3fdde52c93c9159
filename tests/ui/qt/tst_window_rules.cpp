// SPDX-License-Identifier: MIT
// The window's rules that need Qt: access keys on QStrings, the locale.
#include "ui/qt/menu_access_key.h"

#include <QTest>

using namespace mrfyc;

class TestWindowRules : public QObject
{
    Q_OBJECT

private slots:
    void accessKeys_data();
    void accessKeys();
    void doubleByteLocale_data();
    void doubleByteLocale();
};

void TestWindowRules::accessKeys_data()
{
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<bool>("doubleByte");
    QTest::addColumn<QStringList>("expected");

    using L = QStringList;
    // The rules' own table has every case; these check the way through QString and back.
    QTest::newRow("ja, double-byte") << L{"開く"} << true << L{"開く(&Z)"};
    QTest::newRow("beyond 16 bits") << L{"😀a", "b"} << false << L{"😀&a", "&b"};
}

void TestWindowRules::accessKeys()
{
    QFETCH(QStringList, captions);
    QFETCH(bool, doubleByte);
    QFETCH(QStringList, expected);
    QCOMPARE(AssignMenuAccessKeys(captions, doubleByte), expected);
}

void TestWindowRules::doubleByteLocale_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("expected");
    QTest::newRow("ja_JP") << "ja_JP" << true;
    QTest::newRow("zh_CN") << "zh_CN" << true;
    QTest::newRow("ko_KR") << "ko_KR" << true;
    QTest::newRow("en_US") << "en_US" << false;
}

void TestWindowRules::doubleByteLocale()
{
    QFETCH(QString, name);
    QFETCH(bool, expected);
    QCOMPARE(IsDoubleByteLocale(QLocale(name)), expected);
}

QTEST_GUILESS_MAIN(TestWindowRules)
#include "tst_window_rules.moc"
