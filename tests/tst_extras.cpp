// Verifying the radar's scene against the tool, the configuration report, the log written out
// and the plot saved as a picture: one connection to a simulated radar over the real line.
#include "sessionfixture.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {
int distinctColours(const QImage &image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 4)
        for (int x = 0; x < image.width(); x += 4)
            colours.insert(image.pixel(x, y));
    return colours.size();
}
} // namespace

class TestExtras : public SessionFixture
{
    Q_OBJECT

    void connectToStoredScene()
    {
        radar->setIdentity({7, 1, 0x0123, 0x4567, 0x89, 12, 34}); // station, type, serial, relay sensitivities
        radar->setScene(commissionedScene());
        radar->setTargets(0);   // no targets: the plot changes only with the scene
        pressConnect();
        QVERIFY(isWatching());
        QCOMPARE(view()->SuppressionGrid.setCount(), 2);
    }
    // Runs "校验雷达场景参数" and returns the text of its one message box.
    QString verify()
    {
        DialogAnswerer answers;
        answers.answerMessageBox(QMessageBox::Ok, 10000);
        ui()->actionVerifyScene->trigger();
        if (!answers.waitDone(12000) || answers.seen.size() != 1)
            return QStringLiteral("<no message>");
        return answers.seen.first().text;
    }
    QString savedThroughDialog(QAction *action, const QString &fileName)
    {
        const QString path = folder->filePath(fileName);
        return answered([action] { action->trigger(); }, path, {}).size() == 1 ? path : QString();
    }

private slots:
    void initTestCase() { installWarningGuard(); }
    void init() { startSession(); }
    void cleanup() { endSession(); }

    void comparisonRules()
    {
        using namespace radarlink;
        WireScene tool;
        tool.detectionFarCm = 600;
        tool.warningFarCm = 400;
        tool.leftHalfMetres = -2;
        tool.cells = {{150, 350}, {-50, 50}};
        WireScene radar = tool;
        radar.detectionFarCm = 601;               // a centimetre off: equal
        radar.cells = {{-50, 50}, {150, 350}};    // same set, other order
        radar.warningFarCm = 200;
        SceneItems channelRadar;                  // no warning zone of its own
        channelRadar.warning = false;
        QVERIFY(compareScenes(tool, radar, channelRadar).isEmpty());
        radar.warningFarCm = 400;
        radar.leftHalfMetres = -3;
        SceneItems areaScanner;                   // no boundaries
        areaScanner.boundaries = false;
        QVERIFY(compareScenes(tool, radar, areaScanner).isEmpty());
        QVector<SceneDifference> d = compareScenes(tool, radar);
        QCOMPARE(d.size(), 1);
        QCOMPARE(d.at(0).item, SceneItem::LeftBoundary);
        QCOMPARE(d.at(0).inTool, QStringLiteral("-1.0 m"));
        QCOMPARE(d.at(0).inRadar, QStringLiteral("-1.5 m"));
        radar.detectionFarCm = 602;
        radar.cells.removeLast();
        d = compareScenes(tool, radar, areaScanner);
        QCOMPARE(d.size(), 2);
        QCOMPARE(d.at(0).inRadar, QStringLiteral("6.02 m"));
        QCOMPARE(d.at(1).item, SceneItem::Cells);
        QCOMPARE(d.at(1).inTool, QStringLiteral("(-50, 50); (150, 350)"));
        QCOMPARE(d.at(1).inRadar, QStringLiteral("(-50, 50)"));
    }

    // A pseudo-terminal has no serial driver to take the low-latency request: refused, quietly;
    // the connection over one (every test here) works all the same.
    void lowLatencyIsRefusedByAPseudoTerminal()
    {
        QVERIFY(!requestLowLatency(-1));
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0);
        QVERIFY(!requestLowLatency(master));
        ::close(master);
    }

    // One connection: the report, the log and the plot written out, then the radar's scene
    // verified, found changed behind the tool's back, and not answering.
    void reportExportsAndVerification()
    {
        // Without a radar the report is made from the form and says so.
        QTextDocument offline;
        w().fillConfigurationReport(&offline);
        QVERIFY(offline.toPlainText().contains(QStringLiteral("未连接雷达")));
        QVERIFY(offline.toPlainText().contains(QStringLiteral("本次未校验")));

        connectToStoredScene();
        QVERIFY(verify().startsWith(QStringLiteral("场景参数校验成功：雷达中的参数与工具中的一致\n")));
        QTextDocument report;
        w().fillConfigurationReport(&report);
        const QString text = report.toPlainText();
        QVERIFY(!text.contains(QStringLiteral("未连接雷达")));
        const QString flat = QString(text).remove(QLatin1Char('\n')).remove(QLatin1Char('\t'));
        for (const QString &item : QStringLiteral("序列编号012345670089|站点编号7|设备类型通道预警雷达|探测距离7.50 m|"
                                                  "起始探测距离1.50 m|报警距离2.50 m|左边界-2.00 m|右边界3.00 m|探测角度100°|"
                                                  "网格边长1.00 m|目标方向接近雷达|目标类型车辆|预警继电器灵敏度12|"
                                                  "报警继电器灵敏度34|(150, 350)|(-50, 50)|场景参数校验成功|验收人姓名：|签字：")
                                       .split('|'))
            QVERIFY2(flat.contains(item), qPrintable(item + QStringLiteral(" not in:\n") + text));
        const QImage plot = report.resource(QTextDocument::ImageResource, QUrl(QStringLiteral("report://plan-view.png")))
                                .value<QImage>();
        QCOMPARE(plot.size(), view()->size());
        // The plan view and the signature lines under it start a page of their own.
        const QTextBlock heading = report.find(QStringLiteral("雷达视图")).block();
        QVERIFY(heading.blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore);

        const QString path = savedThroughDialog(ui()->actionExportReport, QStringLiteral("report.pdf"));
        const QByteArray bytes = fileBytes(path);
        QVERIFY(bytes.startsWith("%PDF"));
        // The page tree: "/Type /Pages ... /Count n".
        const int tree = bytes.indexOf("/Type /Pages");
        QVERIFY(tree > 0);
        const int count = bytes.indexOf("/Count ", tree);
        QVERIFY(count > tree);
        QCOMPARE(bytes.mid(count + 7, 4).trimmed().split('\n').first().toInt(), 2);
        QVERIFY(bytes.contains("/Subtype /Image"));
        QVERIFY(log().contains(QStringLiteral("配置报告已保存：") + QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath())));

        // A scene written after the verification: the report marks the verification as older.
        const QString stale = QStringLiteral("此校验早于");
        QVERIFY(!text.contains(stale));
        QVERIFY(w().writeDetectionArea());
        QTextDocument later;
        w().fillConfigurationReport(&later);
        QVERIFY2(later.toPlainText().contains(stale), qPrintable(later.toPlainText()));

        // The log and the plot, from their context menus, on the same connection.
        QCOMPARE(ui()->listWidget->contextMenuPolicy(), Qt::ActionsContextMenu);
        QVERIFY(ui()->listWidget->actions().contains(ui()->actionExportLog));
        QCOMPARE(view()->contextMenuPolicy(), Qt::ActionsContextMenu);
        QVERIFY(view()->actions().contains(ui()->actionSavePlotImage));

        // The held lines come back as they were, time stamps and Chinese included.
        QStringList held;
        for (int i = 0; i < ui()->listWidget->count(); ++i)
            held << ui()->listWidget->item(i)->text();
        QVERIFY(held.size() > 6);
        const QString logPath = savedThroughDialog(ui()->actionExportLog, QStringLiteral("log.txt"));
        QStringList back = QString::fromUtf8(fileBytes(logPath)).split(QLatin1Char('\n'));
        QCOMPARE(back.takeLast(), QString());
        QCOMPARE(back.mid(0, held.size()), held);
        QVERIFY2(back.first().contains(QStringLiteral("串口成功连接：") + linkPath()), qPrintable(back.first()));
        // The plot as the operator sees it: laid out in a shown window, redrawn by the polls.
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        const QString pngPath = savedThroughDialog(ui()->actionSavePlotImage, QStringLiteral("plot.png"));
        QImage png;
        QVERIFY(png.load(pngPath, "PNG"));
        QCOMPARE(png.size(), view()->size());
        QVERIFY2(distinctColours(png) > 5, qPrintable(QString::number(distinctColours(png))));

        // Verified once more, now against a radar that changes.
        QTest::qWait(200);
        const QStringList before = formState();
        const QImage plotBefore = w().plotImage();
        radar->clearRequests();

        // Both fingerprints named: the radar's as the window shows it, and the form's.
        const QString radarPrint = shownFingerprint();
        QCOMPARE(verify(), QStringLiteral("场景参数校验成功：雷达中的参数与工具中的一致\n雷达中的场景指纹：%1，工具中的场景指纹：%2")
                               .arg(radarPrint, w().formFingerprint()));
        QCOMPARE(requestCodes().mid(0, 5), (QList<int>{0x0A, 0x0B, 0x0C, 0x14, 0x15}));
        QVERIFY(log().contains(QStringLiteral("场景参数校验成功：雷达中的参数与工具中的一致")));
        QVERIFY(!w().pollingPaused);
        QVERIFY(waitUntil([&] { return requestCodes().count(0x06) > requestCodes().indexOf(0x15); }, 2000));

        // Someone changes the radar behind the tool's back: alarm range, direction, one cell.
        sim::Scene changed = commissionedScene();
        changed.alarmFar = 300;
        changed.targetDirection = 2;
        changed.cells[1] = {250, 150};
        radar->setScene(changed);
        const QString message = verify();
        QVERIFY2(message.startsWith(QStringLiteral("<p>场景参数校验失败：3项不一致</p>")), qPrintable(message));
        QCOMPARE(message.count(QStringLiteral("<tr><td>")), 3);
        QVERIFY(message.contains(QStringLiteral("<tr><td>报警距离</td><td>2.50 m</td><td>3.00 m</td></tr>")));
        QVERIFY(message.contains(QStringLiteral("<tr><td>目标方向</td><td>接近雷达 (1)</td><td>远离雷达 (2)</td></tr>")));
        QVERIFY(message.contains(
            QStringLiteral("<tr><td>非报警区域网格</td><td>(-50, 50); (150, 350)</td><td>(150, 350); (250, 150)</td></tr>")));
        QVERIFY(log().contains(QStringLiteral("场景参数校验失败：3项不一致")));
        QVERIFY(log().contains(QStringLiteral("报警距离：工具中 2.50 m，雷达中 3.00 m")));
        // What was read is the radar's scene from now on.
        const QString changedPrint = shownFingerprint();
        QVERIFY(changedPrint != radarPrint);
        QVERIFY(message.contains(QStringLiteral("<p>雷达中的场景指纹：%1，").arg(changedPrint)));

        // The form and the plot still show what the tool had; the form's differences from the
        // radar's scene are outlined over it.
        QCOMPARE(formState(), before);
        QVERIFY(view()->unsentOutlines());
        view()->setUnsentScene(UnsentScene());
        view()->redrawScene();
        QCOMPARE(w().plotImage(), plotBefore);
        QVERIFY(isWatching());

        // A radar that stops answering cannot be verified: said so, the form kept, the poll resumed.
        radar->setFaultForAll(faultSpec(sim::Fault::Silent));
        QCOMPARE(verify(), QStringLiteral("无法校验场景参数：雷达没有正确应答"));
        QVERIFY(log().contains(QStringLiteral("无法校验场景参数：雷达没有正确应答")));
        QVERIFY(w().lastVerification.startsWith(QStringLiteral("无法校验")));
        QCOMPARE(formState(), before);
        QVERIFY(!w().pollingPaused);
    }
};

RADAR_TEST_MAIN(TestExtras)
#include "tst_extras.moc"
