// The activity log as the operator reads it: time stamp, trimmed text, and a bounded list over a
// long connection. Its colours (green for success, red for failure, in either language, green
// when a line has both) are checked on every text of the real catalogue by tst_language. Then
// its filter: the poll's traces hidden and a text filter, changing only what the list shows
// (every line held and exported), the check box remembered; and the lines for the operator held
// in the status bar.
#include "activitylog.h"
#include "mainwindow.h"
#include "testsupport.h"
#include "ui_mainwindow.h"

#include <QLineEdit>
#include <QStatusBar>
#include <QTime>

class TestActivityLog : public QObject
{
    Q_OBJECT
    std::unique_ptr<QListWidget> list;

private slots:
    void initTestCase() { installWarningGuard(); }
    void init()
    {
        list = std::make_unique<QListWidget>();
        setLogTarget(list.get());
    }

    // "[hh:mm:ss]: " at the time of the line, then the text without its surrounding blanks; the
    // operator may edit a line to copy from it. Blank messages add no line, nor does anything
    // without a target.
    void lineIsStampedAndTrimmed()
    {
        appendLog(QString());
        appendLog(QStringLiteral(" \r\n\t "));
        const QTime before = QTime::currentTime();
        appendLog(QStringLiteral("  \t串口成功连接：ttyUSB0\n"));
        const QTime after = QTime::currentTime();
        QCOMPARE(list->count(), 1);
        const QString line = list->item(0)->text();
        QVERIFY2(line.startsWith(QLatin1Char('[')) && line.endsWith(QStringLiteral("]: 串口成功连接：ttyUSB0")),
                 qPrintable(line));
        const QTime stamp = QTime::fromString(line.mid(1, 8), QStringLiteral("hh:mm:ss"));
        QVERIFY(stamp.isValid());
        QVERIFY(stamp >= before.addMSecs(-before.msec()) && stamp <= after);
        QVERIFY(list->item(0)->flags() & Qt::ItemIsEditable);
        setLogTarget(nullptr);
        appendLog(QStringLiteral("串口成功连接：ttyS0"));
        QCOMPARE(list->count(), 1);
    }

    // A reply trace is read to its last byte: its row is as wide as its text, however short the
    // lines around it, and the horizontal scroll bar brings its end into view. Once the long
    // line has gone, the rows narrow again.
    void longLinesReadToTheirEnd()
    {
        list->resize(300, 120);
        list->show();
        QString trace = QStringLiteral("雷达探测结果查询返回：");
        for (int i = 0; i < 200; ++i)
            trace += QStringLiteral("%1 ").arg(i % 256, 2, 16, QLatin1Char('0'));
        trace += QStringLiteral("ed ed");
        appendLog(QStringLiteral("poll 0"));
        appendLog(trace);
        appendLog(QStringLiteral("poll 1"));
        QCoreApplication::processEvents();

        QListWidgetItem *traceItem = list->item(1);
        const int textWidth = list->fontMetrics().horizontalAdvance(traceItem->text());
        QVERIFY2(list->visualItemRect(traceItem).width() >= textWidth + 6,
                 qPrintable(QStringLiteral("row %1 px, text %2 px").arg(list->visualItemRect(traceItem).width()).arg(textWidth)));
        QScrollBar *across = list->horizontalScrollBar();
        across->setValue(across->maximum());
        QCoreApplication::processEvents();
        const QRect row = list->visualItemRect(traceItem);
        QVERIFY2(row.right() <= list->viewport()->width() + 1 && row.right() > list->viewport()->width() - 40,
                 qPrintable(QStringLiteral("row ends at %1, viewport %2").arg(row.right()).arg(list->viewport()->width())));

        // A line as long as the whole bound pushes out every other, and goes at the next one.
        list->hide();
        appendLog(QStringLiteral("huge ") + QString(LogCharacterLimit, QLatin1Char('e')));
        QCOMPARE(logLines(list.get()), QStringList{QStringLiteral("huge ") + QString(LogCharacterLimit, QLatin1Char('e'))});
        QVERIFY(list->visualItemRect(list->item(0)).width() > 1000000);
        appendLog(QStringLiteral("poll 2"));
        QCOMPARE(logLines(list.get()), QStringList{QStringLiteral("poll 2")});
        QVERIFY(list->visualItemRect(list->item(0)).width() < textWidth);
    }

    // A reply read for a second of line noise makes a line of tens of thousands of characters:
    // the oldest lines go while the list holds more characters than its bound.
    void longLinesAreBoundedBySize()
    {
        const auto held = [this] {
            qint64 n = 0;
            for (int i = 0; i < list->count(); ++i)
                n += list->item(i)->text().size();
            return n;
        };
        const QString noise(LogCharacterLimit / 4, QLatin1Char('f'));
        appendLog(QStringLiteral("first"));
        for (int i = 0; i < 6; ++i)
            appendLog(QStringLiteral("noise %1 ").arg(i) + noise);
        QCOMPARE(list->count(), 3);
        QVERIFY(held() <= LogCharacterLimit);
        QVERIFY(list->item(0)->text().contains(QStringLiteral("]: noise 3 ")));
        QVERIFY(list->item(2)->text().contains(QStringLiteral("]: noise 5 ")));
        // Emptied from outside, the list starts counting again from nothing.
        list->clear();
        for (int i = 0; i < 3; ++i)
            appendLog(QStringLiteral("noise %1 ").arg(i) + noise);
        QCOMPARE(list->count(), 3);
    }

    // ---- the filter ------------------------------------------------------------------------

    // What the list shows of six lines, three logged before the filter is set and three after;
    // the poll's timeout and bad reply start like its traces but are news. Every line is held,
    // and with the filter off each is back in its place and colour.
    void filterShowsPartOfTheHeldLines_data()
    {
        QTest::addColumn<bool>("hidePoll");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("shown");
        QTest::newRow("poll traces hidden") << true << QString() << QList<int>{2, 3, 4, 5};
        QTest::newRow("text, in any case") << false << QStringLiteral("ttyusb") << QList<int>{2};
        QTest::newRow("both") << true << QStringLiteral("55 AA") << QList<int>{5};
    }
    void filterShowsPartOfTheHeldLines()
    {
        QFETCH(bool, hidePoll);
        QFETCH(QString, text);
        QFETCH(QList<int>, shown);
        const QStringList lines{"雷达探测结果查询命令：55 aa 10 00 f5 04", "雷达探测结果查询返回：55 aa 86 00 7b 04",
                                "串口成功连接：ttyUSB0", "雷达探测结果查询命令：超时或无返回值",
                                "雷达探测结果查询返回：消息长度不正确12/134", "读取ID返回：55 aa 16 00"};
        QStringList expected;
        for (int i = 0; i < lines.size(); ++i) {
            if (i == 3)
                setLogFilter({hidePoll, text});
            appendLog(lines[i]);
            if (shown.contains(i))
                expected << lines[i];
        }
        QCOMPARE(logLines(list.get()), expected);
        QCOMPARE(heldLogLines().size(), lines.size());
        setLogFilter({});
        QCOMPARE(logLines(list.get()), lines);
        QCOMPARE(list->item(2)->foreground().color(), QColor(0, 128, 0));
    }

    // Past the bound the oldest lines go, and the newest stays in sight. Hidden lines count
    // toward the bound and go with the oldest; the list loses only the shown lines that went.
    void oldestLinesGoBeyondTheBound()
    {
        QVERIFY(LogLineLimit >= 5000);
        setLogFilter({true, QString()});
        for (int i = 0; i < LogLineLimit + 10; ++i)
            appendLog(i % 2 ? QStringLiteral("line %1").arg(i) : QStringLiteral("雷达探测结果查询命令：55 aa %1").arg(i % 100, 2, 10, QLatin1Char('0')));
        QCOMPARE(heldLogLines().size(), LogLineLimit);
        QCOMPARE(list->count(), LogLineLimit / 2);
        QCOMPARE(logLines(list.get()).first(), QStringLiteral("line 11"));
        setLogFilter({});
        QCOMPARE(list->count(), LogLineLimit);
        QVERIFY(list->item(0)->text().endsWith(QStringLiteral("：55 aa 10")));
        list->resize(300, 120);
        list->show();
        for (int i = 0; i < 25; ++i)
            appendLog(QStringLiteral("poll %1").arg(i));
        QCOMPARE(list->count(), LogLineLimit);
        QCOMPARE(logLines(list.get()).first(), QStringLiteral("line 35"));
        QCOMPARE(logLines(list.get()).last(), QStringLiteral("poll 24"));
        QCoreApplication::processEvents();
        QVERIFY(list->viewport()->rect().intersects(list->visualItemRect(list->item(LogLineLimit - 1))));
    }

    // In the window the check box, off at first, hides the traces in either language and is
    // remembered in radar-config.ini; the exported log keeps every line.
    void windowFilterIsRememberedAndTheExportKeepsAll()
    {
        const QStringList lines{"雷达探测结果查询命令：55 aa 10 00", "串口成功连接：ttyUSB0", "Radar detection result query reply: 55 aa 86 00"};
        const auto hideBox = [](MainWindow &w) { return w.findChild<QCheckBox *>(QStringLiteral("checkBoxHideResultQueries")); };
        {
            MainWindow w;
            QVERIFY(!hideBox(w)->isChecked());
            hideBox(w)->click();
            emit w.printThread(lines[0]);
            emit w.printThread(lines[1]);
            w.ui->action_English->trigger();
            emit w.printThread(lines[2]);
            QCOMPARE(logLines(w.ui->listWidget), QStringList{lines[1]});
            QVERIFY(w.writeLogFile(QStringLiteral("log.txt")));
            QStringList written = QString::fromUtf8(fileBytes(QStringLiteral("log.txt"))).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            for (QString &line : written)
                line = line.mid(12);
            QCOMPARE(written, lines);
        }
        MainWindow again;
        QVERIFY(hideBox(again)->isChecked());
        emit again.printThread(lines[2]);
        QCOMPARE(again.ui->listWidget->count(), 0);
    }

    // What the operator must act on also stays in the status bar, with room beside figures that
    // fill most of it and stay in sight; the poll's traces and ordinary news do not.
    void linesForTheOperatorStayInTheStatusBar_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("inStatusBar");
        QTest::newRow("poll trace") << "雷达探测结果查询返回：55 aa 86 00" << false;
        QTest::newRow("poll timeout") << "雷达探测结果查询命令：超时或无返回值" << true;
        QTest::newRow("failure") << "雷达探测区域设置失败" << true;
        QTest::newRow("connected") << "串口成功连接：ttyUSB0" << true;
        QTest::newRow("line lost") << "与雷达的连接已中断：ttyUSB0" << true;
        QTest::newRow("replay ended") << "退出回放" << false;
    }
    void linesForTheOperatorStayInTheStatusBar()
    {
        QFETCH(QString, message);
        QFETCH(bool, inStatusBar);
        MainWindow w;
        w.ui->action_Chinese->trigger();
        w.resize(1280, 680);
        w.show();
        QLabel *figures = w.linkStatusLabel();
        const QFontMetrics metrics(w.statusBar()->font());
        figures->setText(QString(int(0.8 * w.statusBar()->width() / metrics.horizontalAdvance(QLatin1Char('8'))), QLatin1Char('8')));
        QCoreApplication::processEvents();
        emit w.printThread(message + QLatin1Char('\n'));
        QCOMPARE(w.statusBar()->currentMessage(), inStatusBar ? message : QString());
        QCoreApplication::processEvents();
        QVERIFY(figures->isVisible() && figures->width() >= w.statusBar()->width() / 3);
        QVERIFY(!inStatusBar || figures->x() >= metrics.horizontalAdvance(message));
    }
};

RADAR_TEST_MAIN(TestActivityLog)
#include "tst_activitylog.moc"
