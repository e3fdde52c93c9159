#include "app/message_layout.h"

#include <QTest>

using namespace mrfyc;

class TestMessageLayout : public QObject
{
    Q_OBJECT

private slots:
    void mulDivRoundsHalvesAwayFromZero_data();
    void mulDivRoundsHalvesAwayFromZero();
    void workedExamples_data();
    void workedExamples();
    void shortTextGivesButtonPlusMargins();
    void longCaptionWidensButton();
    void centredAndNeverOffTheMonitor_data();
    void centredAndNeverOffTheMonitor();
};

void TestMessageLayout::mulDivRoundsHalvesAwayFromZero_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("numerator");
    QTest::addColumn<int>("denominator");
    QTest::addColumn<int>("expected");
    QTest::newRow("exact") << 8 << 6 << 4 << 12;
    QTest::newRow("quarter down") << 10 << 13 << 8 << 16;      // 16.25
    QTest::newRow("half up") << 50 << 7 << 4 << 88;            // 87.5
    QTest::newRow("three quarters up") << 14 << 13 << 8 << 23; // 22.75
    QTest::newRow("negative half away") << -50 << 7 << 4 << -88;
    QTest::newRow("negative divisor") << 50 << 7 << -4 << -88;
    QTest::newRow("no overflow") << 2000000000 << 3 << 4 << 1500000000;
    QTest::newRow("divide by zero") << 5 << 5 << 0 << -1;
}

void TestMessageLayout::mulDivRoundsHalvesAwayFromZero()
{
    QFETCH(int, number);
    QFETCH(int, numerator);
    QFETCH(int, denominator);
    QFETCH(int, expected);
    QCOMPARE(MulDiv(number, numerator, denominator), expected);
}

void TestMessageLayout::workedExamples_data()
{
    QTest::addColumn<int>("ax");
    QTest::addColumn<int>("ay");
    QTest::addColumn<QSize>("text");
    QTest::addColumn<QList<int>>("units"); // margins, spacing, minimum button width, height
    QTest::addColumn<QSize>("client");
    QTest::addColumn<QRect>("label");
    QTest::addColumn<QRect>("button");
    QTest::newRow("ax 6 ay 12") << 6 << 12 << QSize(72, 12) << QList<int>{12, 12, 15, 75, 21}
                                << QSize(99, 72) << QRect(12, 12, 72, 12) << QRect(12, 39, 75, 21);
    // 16.25 -> 16, 87.5 -> 88, 22.75 -> 23; the button centred with the odd pixel to the left.
    QTest::newRow("ax 7 ay 13") << 7 << 13 << QSize(72, 13) << QList<int>{14, 13, 16, 88, 23}
                                << QSize(116, 78) << QRect(14, 13, 72, 13) << QRect(14, 42, 88, 23);
}

void TestMessageLayout::workedExamples()
{
    QFETCH(int, ax);
    QFETCH(int, ay);
    QFETCH(QSize, text);
    QFETCH(QList<int>, units);
    QFETCH(QSize, client);
    QFETCH(QRect, label);
    QFETCH(QRect, button);

    const MessageLayout layout = LayOutMessage({ax, ay, text, 0});
    QCOMPARE((QList<int>{layout.horizontalMargin, layout.verticalMargin, layout.verticalSpacing,
                         layout.minimumButtonWidth, layout.buttonHeight}),
             units);
    QCOMPARE(layout.client, client);
    QCOMPARE(layout.label, label);
    QCOMPARE(layout.button, button);
}

void TestMessageLayout::shortTextGivesButtonPlusMargins()
{
    const MessageLayout layout = LayOutMessage({6, 12, QSize(10, 12), 20});
    QCOMPARE(layout.client.width(), 75 + 2 * 12);
    QCOMPARE(layout.button, QRect(12, 39, 75, 21));
    QCOMPARE(layout.label.width(), 10);
}

void TestMessageLayout::longCaptionWidensButton()
{
    const MessageLayout layout = LayOutMessage({6, 12, QSize(200, 24), 81});
    QCOMPARE(layout.button.width(), 81);
    QCOMPARE(layout.client, QSize(224, 24 + 21 + 15 + 24));
    QCOMPARE(layout.button.left(), (224 - 81) / 2);
}

void TestMessageLayout::centredAndNeverOffTheMonitor_data()
{
    QTest::addColumn<QRect>("monitor");
    QTest::addColumn<QSize>("outer");
    QTest::addColumn<QPoint>("expected");
    QTest::newRow("centred") << QRect(0, 0, 1280, 1024) << QSize(101, 80) << QPoint(589, 472);
    QTest::newRow("taller than the screen")
        << QRect(0, 0, 800, 800) << QSize(300, 1500) << QPoint(250, 0);
    QTest::newRow("wider than the screen")
        << QRect(0, 0, 800, 800) << QSize(900, 100) << QPoint(0, 350);
    QTest::newRow("second monitor")
        << QRect(1280, 0, 1024, 768) << QSize(100, 100) << QPoint(1280 + 462, 334);
    QTest::newRow("larger than a second monitor")
        << QRect(1280, -200, 640, 480) << QSize(700, 500) << QPoint(1280, -200);
}

void TestMessageLayout::centredAndNeverOffTheMonitor()
{
    QFETCH(QRect, monitor);
    QFETCH(QSize, outer);
    QFETCH(QPoint, expected);
    QCOMPARE(CentredOn(monitor, outer), expected);
}

QTEST_APPLESS_MAIN(TestMessageLayout)
#include "tst_message_layout.moc"
