// Why did it trip, in the window. One recording made live against the simulator: a target parked
// in the alarm zone a little longer than the stay the test sets (7 s against 5 s, to keep the run
// short), then two passers-by through the alarm zone, one after the other. It protects what the
// operator relies on: the heat map's hottest cell is the parked one, live and in replay;
// "查找静止目标" lists exactly that cell and frames it; marking it asks first and puts it in the
// form's cells; a scene with a shorter alarm distance tried on the recording loses exactly the
// parked target's alarm entries, in the window as in `radar-config --analyse --json`, while the
// recorded side equals the recording's own events; "恢复记录场景" and leaving the replay put the
// form and the plot back; targets and tracks are drawn over the tint; bad input changes nothing.
#include "sessionfixture.h"

#include "fixedobjectswindow.h"
#include "heatmaplayer.h"
#include "recorder.h"
#include "replaydata.h"
#include "replaypanel.h"
#include "scenefile.h"
#include "ui_fixedobjectswindow.h"
#include "ui_replaypanel.h"
#include "ui_whatifwindow.h"
#include "analysecommand.h"
#include "whatifwindow.h"

namespace {
const QPoint ParkedPoint(50, 150); // 1.58 m out: alarm under 2.5 m, warning under 1.5 m

// The cell with the highest count; (-1, -1) when none.
GridCell hottest(const radarlink::CellCounts &counts)
{
    GridCell top{-1, -1};
    quint32 most = 0;
    for (const auto &entry : counts.entries())
        if (entry.count > most) {
            most = entry.count;
            top = entry.cell;
        }
    return top;
}

QString cellText(QTableWidget *table, int row, int column)
{
    return table->item(row, column) ? table->item(row, column)->text() : QString();
}
} // namespace

class TestTripWindow : public SessionFixture
{
    Q_OBJECT

    QTemporaryDir kept;
    QString recordingPath;
    ReplayPanel *panel() { return w().replayPanel(); }
    GridCell parkedCell() { return view()->sceneGrid().cellOfWirePoint(ParkedPoint.x(), ParkedPoint.y()); }

    void hold(const QList<sim::Target> &targets, int ms)
    {
        radar->setFixedTargets(targets);
        QTest::qWait(ms);
    }

private slots:
    // The recording, made once: parked 7 s, empty, a passer-by across at 1.2 m, empty, another
    // walking away at x = -1.3 m, both clear of the grid lines. The heat map is on while it is made.
    void initTestCase()
    {
        installWarningGuard();
        startSession();
        radar->setIdentity(sim::Identity{2, 2});
        radar->setScene(commissionedScene()); // alarm 2.5 m, warning 5 m, detection 7.5 m, 1 m cells
        radar->setFixedTargets({{7, 50, 150, 0, 0, 1}});
        ui()->checkBoxHeatMap->setChecked(true);
        pressConnect();
        QVERIFY(waitUntil([&] { return w().pollTimer.isActive(); }, 10000));
        hold({{7, 50, 150, 0, 0, 1}}, 7000);
        QVERIFY2(!w().fixedObjectsAction()->isEnabled(), "offered live before a minute of connection");
        QCOMPARE(hottest(view()->heatMap()), parkedCell());
        hold({}, 600);
        for (qint16 x = -400; x <= 400; x += 50)
            hold({{1, x, 120, 0, 0, 1}}, 120);
        hold({}, 600);
        for (qint16 y = 50; y <= 600; y += 50)
            hold({{2, -130, y, 0, 0, 1}}, 120);
        hold({}, 500);
        QCOMPARE(hottest(view()->heatMap()), parkedCell());
        const QString live = w().recordingPath();
        ui()->pushButtonDisconnect->click();
        recordingPath = kept.filePath(QStringLiteral("parked.sqlite"));
        QVERIFY(QFile::copy(live, recordingPath));
        endSession();
    }
    void init() { startSession(); }
    void cleanup() { endSession(); }

    void parkedCellFoundMarkedAndTriedAway()
    {
        w().show();
        view()->setFixedSize(560, 420);
        const QStringList formBefore = formState();
        const QImage plotBefore = w().plotImage();
        QVERIFY(w().openRecording(recordingPath));

        ui()->checkBoxHeatMap->setChecked(true);
        QCOMPARE(hottest(view()->heatMap()), parkedCell());
        ui()->comboBoxHeatSpan->setCurrentIndex(1); // up to the replayed moment: the first frame
        QCOMPARE(view()->heatMap().highest(), 1u);

        // The operator opens the list, sets the shortest stay and looks again.
        w().fixedObjectsAction()->trigger();
        FixedObjectsWindow *list = w().fixedObjectsWindow();
        list->ui->spinMinimum->setValue(5);
        list->ui->buttonFind->click();
        QTableWidget *table = list->ui->tableCells;
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(cellText(table, 0, 0), QStringLiteral("(50, 150)"));
        QCOMPARE(view()->outlinedCells(), QVector<GridCell>{parkedCell()});
        auto markButton = [&] { return qobject_cast<QPushButton *>(table->cellWidget(0, 3)); };
        QVERIFY2(!markButton()->isEnabled(), "marking allowed in replay outside the what-if");

        // The what-if: the scene group can be edited, nothing that talks to a radar can be used.
        panel()->ui->buttonWhatIf->click();
        QVERIFY(w().whatIfActive() && w().whatIfWindow()->isVisible());
        QVERIFY(ui()->spinBoxAlarmFar->isEnabled() && ui()->checkBoxSelect->isEnabled());
        for (QWidget *radarOnly : QList<QWidget *>{ui()->pushButtonSendPar, ui()->pushButtonConnect, ui()->comboBoxSerial})
            QVERIFY2(!radarOnly->isEnabled(), qPrintable(radarOnly->objectName()));

        // Marking asks first; answered no, nothing is marked; yes, the cell is in the form.
        const int markedBefore = view()->nonAlarmCount;
        DialogAnswerer answers;
        answers.answerMessageBox(QMessageBox::No);
        markButton()->click();
        QVERIFY(answers.waitDone());
        QVERIFY(answers.seen.last().text.contains(QStringLiteral("不会再引起报警")));
        QCOMPARE(view()->nonAlarmCount, markedBefore);
        answers.answerMessageBox(QMessageBox::Yes);
        markButton()->click();
        QVERIFY(answers.waitDone());
        QVERIFY(view()->SuppressionGrid.isSet(parkedCell().row, parkedCell().column));
        QCOMPARE(view()->nonAlarmCount, markedBefore + 1);
        QVERIFY(!markButton()->isEnabled());

        ui()->spinBoxAlarmFar->setValue(1.5);
        QCOMPARE(view()->alarmFar, 1.5);
        WhatIfWindow *whatIf = w().whatIfWindow();
        whatIf->ui->buttonRecalculate->click();
        QVERIFY(waitUntil([&] { return whatIf->ui->buttonRecalculate->isEnabled(); }, 10000));

        ReplayData data;
        QVERIFY(data.open(recordingPath));
        QStringList entered, parkedEntries;
        for (const recording::Event &e : data.events())
            if (e.event == QLatin1String("zone_entered")) {
                entered << e.zone;
                if (e.zone == QLatin1String("alarm") && e.ids.split(',').contains(QStringLiteral("7")))
                    parkedEntries << e.ids;
            }
        QVERIFY(!parkedEntries.isEmpty());
        const QString scene = kept.filePath(QStringLiteral("tried.json"));
        QVERIFY(writeFile(scene, radarlink::encodeSceneFile({2, w().toolScene()})));
        const ProgramRun run = runProgram(QStringLiteral(RADAR_PROGRAM),
                                          {"--analyse", recordingPath, "--scene", scene, "--json"});
        QCOMPARE(run.exitCode, 0);
        const QJsonObject analysed = QJsonDocument::fromJson(run.out.toUtf8()).object();
        const char *zones[] = {"alarm", "warning", "detection"};
        for (int zone = 0; zone < 3; ++zone) {
            const int recorded = cellText(whatIf->ui->tableRecorded, zone, 0).toInt();
            QCOMPARE(recorded, entered.count(zones[zone]));
            QCOMPARE(recorded, analysed["recorded"][zones[zone]]["entries"].toInt());
            QCOMPARE(cellText(whatIf->ui->tableTried, zone, 0).toInt(), analysed["edited"][zones[zone]]["entries"].toInt());
            QCOMPARE(cellText(whatIf->ui->tableTried, zone, 1),
                     QStringLiteral("%1 s").arg(analysed["edited"][zones[zone]]["seconds"].toDouble(), 0, 'f', 2));
        }
        QCOMPARE(cellText(whatIf->ui->tableTried, 0, 0).toInt(), entered.count("alarm") - parkedEntries.size());

        // The event list shows either scene's events; choosing one goes to 5 s before it.
        panel()->ui->comboEventSource->setCurrentIndex(1);
        QCOMPARE(panel()->ui->listEvents->count(), 2 * (cellText(whatIf->ui->tableTried, 0, 0).toInt()
                                                        + cellText(whatIf->ui->tableTried, 1, 0).toInt()
                                                        + cellText(whatIf->ui->tableTried, 2, 0).toInt()));
        QVERIFY(panel()->ui->listEvents->item(0)->text().contains(QStringLiteral("进入")));

        whatIf->ui->buttonRestore->click();
        QCOMPARE(ui()->spinBoxAlarmFar->value(), 2.5);
        QCOMPARE(view()->alarmFar, 2.5);
        QVERIFY(!view()->SuppressionGrid.isSet(parkedCell().row, parkedCell().column));
        QCOMPARE(cellText(whatIf->ui->tableTried, 0, 0), QStringLiteral("—"));
        QVERIFY(panel()->ui->comboEventSource->isHidden());

        panel()->ui->buttonExit->click();
        QVERIFY(!w().inReplay() && !w().whatIfWindow()->isVisible() && !list->isVisible());
        // The radar information aside: no radar was read before, and the label's "设备类型："
        // comes back with the type the window assumes.
        QCOMPARE(formState().mid(3), formBefore.mid(3));
        QCOMPARE(w().plotImage(), plotBefore);
    }

    // With the layer on, a passer-by's marker and track keep their colour over the tinted cells.
    void targetsAndTracksAboveTheHeatMap()
    {
        w().show();
        view()->setFixedSize(560, 420);
        ui()->checkBoxTrack->setChecked(true);
        QVERIFY(w().openRecording(recordingPath));
        ReplayData data;
        QVERIFY(data.open(recordingPath));
        int frame = -1;
        for (int i = 0; i < data.frameCount() && frame < 0; ++i) {
            const TargetFrame shown = data.targetFrames(i, i).value(0);
            if (shown.contains(1) && qint16(shown[1].value(1)) >= 50)
                frame = i;
        }
        QVERIFY(frame > 4);
        panel()->seekToFrame(frame);
        auto picture = [&] {
            QCoreApplication::processEvents();
            return view()->viewport()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
        };
        const QImage cold = picture();
        ui()->checkBoxHeatMap->setChecked(true);
        const QImage hot = picture();
        const TargetReport passer = data.targetFrames(frame, frame).value(0).value(1);
        const qint16 x = qint16(passer.value(1));
        int earlier = frame - 1;
        while (qint16(data.targetFrames(earlier, earlier).value(0).value(1).value(1)) == x)
            --earlier;
        auto at = [&](double xCm, double yCm) { return view()->mapFromScene(view()->geometry().radarPoint(xCm, yCm)); };
        const QColor colour = view()->targetColours.value(1);
        // Inside the marker, clear of the grid's lines, which lie over everything.
        QCOMPARE(hot.pixelColor(at(x, 120) + QPoint(2, 2)), colour);
        // The track runs back along y = 1.2 m; its thin line lets a little of what is under it through.
        const QPoint track = at((x + qint16(data.targetFrames(earlier, earlier).value(0).value(1).value(1))) / 2.0, 120);
        bool trackSeen = false;
        for (int dy = -2; dy <= 2; ++dy) {
            const QColor c = hot.pixelColor(track + QPoint(0, dy));
            trackSeen = trackSeen || (qAbs(c.red() - colour.red()) <= 24 && qAbs(c.green() - colour.green()) <= 24
                                      && qAbs(c.blue() - colour.blue()) <= 24);
        }
        QVERIFY(trackSeen);
        // Off the marker and the track, in the same cell, the tint shows.
        QVERIFY(hot.pixelColor(at(x, 160)) != cold.pixelColor(at(x, 160)));
    }

    // A scene sent mid-recording changes the cells: the whole recording is counted in the grid in
    // force at the frame shown, exactly as the analysis counts it in that grid; a scene being
    // tried stays in the form across the change until the recorded one is restored.
    void heatMapAndTrialFollowTheSceneInForce()
    {
        // Alarm at 2.5 m on 1 m cells, then at 1 m on half-metre cells.
        const radarlink::WireScene first{600, 120, 400, 250, 0, 0, 100, {}, 0, 0, 0}, sent{600, 120, 400, 100, 0, 0, 50, {}, 0, 0, 0};
        Recorder writer;
        QVERIFY(writer.begin(folder->filePath(QStringLiteral("recordings")), recording::DefaultFolderCapBytes));
        writer.recordScene(QStringLiteral("readback"), first);
        const TargetFrame frame{{3, TargetReport{3, 130, 230, 0, 0, 1}}, {4, TargetReport{4, quint16(-20), 80, 0, 0, 1}}};
        for (int i = 0; i < 20; ++i) {
            if (i == 10) {
                QTest::qWait(20);
                writer.recordScene(QStringLiteral("sent"), sent);
                QTest::qWait(20);
            }
            writer.recordFrame(frame, {}, {});
        }
        const QString path = writer.filePath();
        writer.end();

        QVERIFY(w().openRecording(path));
        ui()->checkBoxHeatMap->setChecked(true);
        trip::RecordingRows rows;
        QString error;
        QVERIFY(trip::readRecording(path, &rows, &error));
        for (int shown : {0, 19}) {
            panel()->seekToFrame(shown);
            const radarlink::WireScene &inForce = shown ? sent : first;
            QCOMPARE(view()->gridEdge, inForce.gridEdgeCm / 100.0);
            QCOMPARE(view()->heatMap().entries(), trip::heatMap(rows.frames, trip::SceneTimeline(rows.scenes),
                                                                trip::sceneGrid(inForce), trip::HeatMode::Positions)
                                                      .entries());
        }

        panel()->seekToFrame(0);
        panel()->ui->buttonWhatIf->click();
        ui()->spinBoxAlarmFar->setValue(3.0);
        panel()->seekToFrame(19);
        QCOMPARE(ui()->spinBoxAlarmFar->value(), 3.0);
        w().whatIfWindow()->ui->buttonRestore->click();
        QCOMPARE(ui()->spinBoxAlarmFar->value(), 1.0);
        QCOMPARE(ui()->comboBoxGrid->currentText(), QStringLiteral("0.5"));
    }

    // A recording without frames, and a tried scene with no grid: said plainly, nothing changed.
    void badInputChangesNothing()
    {
        Recorder writer;
        QVERIFY(writer.begin(folder->filePath(QStringLiteral("recordings")), recording::DefaultFolderCapBytes));
        writer.recordEvent(QStringLiteral("connected"));
        writer.recordScene(QStringLiteral("readback"), radarlink::WireScene{750, 100, 500, 250, 0, 0, 100, {}, 0, 0, 0});
        const QString empty = writer.filePath();
        writer.end();
        for (const QString &path : {empty, recordingPath}) {
            QVERIFY(w().openRecording(path));
            panel()->ui->buttonWhatIf->click();
            if (path == recordingPath)
                ui()->spinBoxSurveyFar->setValue(0);
            const QStringList form = formState();
            const QString expected = path == empty ? QStringLiteral("记录中没有检测帧") : QStringLiteral("网格中没有单元格");
            DialogAnswerer answers;
            answers.answerMessageBox(QMessageBox::Ok);
            answers.answerMessageBox(QMessageBox::Ok);
            w().whatIfWindow()->ui->buttonRecalculate->click();
            w().fixedObjectsAction()->trigger();
            QVERIFY(answers.waitDone());
            QCOMPARE(answers.seen.size(), 2);
            for (const DialogAnswerer::Seen &seen : answers.seen)
                QVERIFY2(seen.text.contains(expected), qPrintable(seen.text));
            QCOMPARE(cellText(w().whatIfWindow()->ui->tableTried, 0, 0), QStringLiteral("—"));
            QCOMPARE(w().fixedObjectsWindow()->ui->tableCells->rowCount(), 0);
            QCOMPARE(formState(), form);
        }
    }
};

RADAR_TEST_MAIN(TestTripWindow)
#include "tst_tripwindow.moc"
