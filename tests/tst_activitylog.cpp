// The activity log as the operator reads it: time stamp, trimmed text, green for success,
// red for failure, and a bounded list over a long connection. The colours in English are
// checked against the real catalogue by tst_language.
#include "activitylog.h"
#include "testsupport.h"

#include <QListWidget>
#include <QTime>

static QColor foreground(const QListWidgetItem *item)
{
    return item->foreground().color();
}

class TestActivityLog : public QObject
{
    Q_OBJECT
    QListWidget *list = nullptr;

private slots:
    void initTestCase() { installWarningGuard(); }
    void init()
    {
        list = new QListWidget;
        setLogTarget(list);
    }
    void cleanup()
    {
        delete list;
        list = nullptr;
    }

    void lineIsStampedAndTrimmed()
    {
        const QTime before = QTime::currentTime();
        appendLog(QStringLiteral("  \t串口成功连接：ttyUSB0\n"));
        const QTime after = QTime::currentTime();
        QCOMPARE(list->count(), 1);
        const QString line = list->item(0)->text();
        QVERIFY2(line.endsWith(QStringLiteral("]: 串口成功连接：ttyUSB0")), qPrintable(line));
        const QTime stamp = QTime::fromString(line.mid(1, 8), QStringLiteral("hh:mm:ss"));
        QVERIFY(stamp.isValid());
        QVERIFY(line.startsWith(QLatin1Char('[')));
        QVERIFY(stamp >= before.addMSecs(-before.msec()) && stamp <= after);
        QVERIFY(list->item(0)->flags() & Qt::ItemIsEditable);
    }

    // Blank messages add no line, nor does anything without a target.
    void blankMessagesAddNoLine()
    {
        appendLog(QString());
        appendLog(QStringLiteral("    "));
        appendLog(QStringLiteral("\n"));
        appendLog(QStringLiteral(" \r\n\t "));
        setLogTarget(nullptr);
        appendLog(QStringLiteral("串口成功连接：ttyS0"));
        QCOMPARE(list->count(), 0);
    }

    void coloursFollowTheWords_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QColor>("colour");
        const QColor plain = QListWidgetItem().foreground().color();
        QTest::newRow("success") << QStringLiteral("雷达场景参数设置成功") << QColor(0, 128, 0);
        QTest::newRow("failure") << QStringLiteral("读取探测区域失败") << QColor(255, 0, 0);
        QTest::newRow("both words: green wins") << QStringLiteral("失败后重试成功") << QColor(0, 128, 0);
        QTest::newRow("neither") << QStringLiteral("发送数据：55 aa 0e 00") << plain;
    }
    void coloursFollowTheWords()
    {
        QFETCH(QString, message);
        QFETCH(QColor, colour);
        appendLog(message);
        QCOMPARE(list->count(), 1);
        QCOMPARE(foreground(list->item(0)), colour);
    }

    void newestLineIsVisible()
    {
        list->resize(300, 120);
        list->show();
        for (int i = 0; i < 200; ++i)
            appendLog(QStringLiteral("line %1").arg(i));
        QCoreApplication::processEvents();
        const QRect lastRect = list->visualItemRect(list->item(list->count() - 1));
        QVERIFY(list->viewport()->rect().intersects(lastRect));
    }

    void oldestLinesGoBeyondTheBound()
    {
        QVERIFY(LogLineLimit >= 5000);
        const int extra = 25;
        for (int i = 0; i < LogLineLimit + extra; ++i)
            appendLog(QStringLiteral("poll %1").arg(i));
        QCOMPARE(list->count(), LogLineLimit);
        QVERIFY(list->item(0)->text().endsWith(QStringLiteral("poll %1").arg(extra)));
        QVERIFY(list->item(list->count() - 1)->text().endsWith(
            QStringLiteral("poll %1").arg(LogLineLimit + extra - 1)));
    }
};

RADAR_TEST_MAIN(TestActivityLog)
#include "tst_activitylog.moc"
