// Commissioning a radar against the simulator: the fingerprint beside the radar information is
// the CRC-32 of the scene writes the radar received and comes back from a fresh read-back; the
// question before a send lists exactly what changes and sends nothing when refused; connects,
// sends, saves, an acceptance, a station change and a failed send leave the radar's history in
// order, printed by `radar-config --history`; a scene changed behind the tool's back shows
// against its acceptance; a replacement radar gets the accepted scene of its predecessor through
// the history window; the window marks a tampered chain; bad history and scene files refuse
// cleanly, the action going on and the form left as it was.
#include "sessionfixture.h"

#include "dialogacceptance.h"
#include "historywindow.h"
#include "radarhistory.h"
#include "recordingfile.h"
#include "scenefile.h"
#include "scenefingerprint.h"
#include "ui_dialogacceptance.h"
#include "ui_historywindow.h"

#include <QTextDocument>

#include <optional>

using namespace radarlink;

namespace {
const QList<int> WriteCodes{0x02, 0x03, 0x07, 0x08, 0x04};

QStringList recordedFingerprints(const QString &path)
{
    recording::Reader reader;
    QVector<recording::Scene> scenes;
    QStringList prints;
    if (reader.open(path) && reader.readScenes(&scenes))
        for (const recording::Scene &s : scenes)
            prints << s.fingerprint;
    return prints;
}
} // namespace

class TestCommissioning : public SessionFixture
{
    Q_OBJECT

    QString unsentLine() const { return window->ui->labelUnsentChanges->isHidden() ? QString() : window->ui->labelUnsentChanges->text(); }

    // A radar of this type at station 2, told apart by the last word of its serial number.
    void connectTo(int type, quint16 serialWord2 = 0x42)
    {
        radar->setIdentity({2, quint8(type), 0x1234, serialWord2});
        pressConnect();
        QVERIFY2(isWatching(), qPrintable(log().join('\n')));
        radar->clearRequests();
    }
    // The CRC-32 of the data bytes of the last five scene writes the radar received, in send order.
    QString writtenFingerprint() const
    {
        QByteArray data;
        for (int code : WriteCodes)
            data += lastRequest(code).mid(12, lastRequest(code).size() - 14);
        return fingerprintText(crc32(data));
    }
    // Marks a cell with a click on the plot, as the operator does.
    void click(int row, int column)
    {
        const ViewGeometry &g = view()->geometry();
        const QPointF centre(g.columnX(column) + g.scale / 2, g.rowY(row) + g.scale / 2);
        QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, view()->mapFromScene(centre));
    }
    // A channel radar's scene with a lane and two cells on a half-metre grid; no type filter, the
    // form's codes before any radar has been read.
    static SceneFile goodScene()
    {
        return {1, WireScene{750, 100, 500, 250, -8, 12, 50, {{100, 350}, {-50, 150}}, 1, 0, 150}};
    }
    QVector<HistoryEntry> entriesOf(const QString &serial)
    {
        RadarHistory history;
        return history.open(RadarHistory::defaultPath()) ? history.entriesOf(serial) : QVector<HistoryEntry>();
    }

private slots:
    void initTestCase() { installWarningGuard(); }
    void init() { startSession(); }
    void cleanup() { endSession(); }

    void fingerprintIsWhatTheRadarReceived_data()
    {
        QTest::addColumn<int>("deviceType");
        QTest::addColumn<int>("scene");
        QTest::newRow("default scene") << 2 << 0;
        QTest::newRow("lane with boundaries and a type filter") << 3 << 1;
        QTest::newRow("ten cells on a 0.25 m grid") << 2 << 2;
    }
    void fingerprintIsWhatTheRadarReceived()
    {
        QFETCH(int, deviceType);
        QFETCH(int, scene);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        connectTo(deviceType);
        QCOMPARE(unsentLine(), QString());
        const QString initial = shownFingerprint();
        if (scene == 1) {
            ui()->spinBoxLeft->setValue(-1.5);
            ui()->spinBoxRight->setValue(2.5);
            ui()->comboBoxTargetType->setCurrentIndex(1); // "静目标", code 3
        } else if (scene == 2) {
            ui()->comboBoxGrid->setCurrentIndex(0);
            ui()->checkBoxSelect->setChecked(true);
            for (int k = 0; k < 10; ++k)
                click(k / 5, 20 + k % 5);
            QCOMPARE(view()->nonAlarmCount, 10);
        }
        if (scene > 0)
            QVERIFY(unsentLine().startsWith(QStringLiteral("未发送的修改：")));
        QCOMPARE(sendScene().value(1), QStringLiteral("雷达场景参数设置成功"));
        const QString written = writtenFingerprint();
        QCOMPARE(shownFingerprint(), written);
        QCOMPARE(unsentLine(), QString());
        QVERIFY(log().contains(QStringLiteral("发送后的场景指纹：") + written));
        QVERIFY(!view()->unsentOutlines());

        // The recording keeps the fingerprint with each scene; one of the first version, which
        // has none, gets it from the scene's values. Replayed, it shows.
        const QString recording = w().recordingPath();
        ui()->pushButtonDisconnect->click();
        QVERIFY(ui()->labelFingerprint->isHidden());
        QCOMPARE(recordedFingerprints(recording), (QStringList{initial, written}));
        QVERIFY(w().openRecording(recording));
        QCOMPARE(ui()->labelFingerprint->text(), QStringLiteral("场景指纹：") + initial);
        w().leaveReplay();
        QVERIFY(SqliteByHand(recording, {QStringLiteral("PRAGMA user_version = 1")}).ok);
        QCOMPARE(recordedFingerprints(recording), (QStringList{initial, written}));

        connectTo(deviceType);
        QCOMPARE(shownFingerprint(), written);
        QVERIFY(log().contains(QStringLiteral("雷达场景指纹：") + written));

        // One changed value: the radar's fingerprint stays, the form's is shown beside it and
        // drawn on the plot; undone, both go.
        ui()->spinBoxAlarmFar->setValue(2.5);
        QCOMPARE(shownFingerprint(), written);
        QCOMPARE(unsentLine(), QStringLiteral("未发送的修改：") + w().formFingerprint());
        QCOMPARE(view()->unsentOutlines()->zoneSquares().size(), 1);
        ui()->spinBoxAlarmFar->setValue(2.0);
        QCOMPARE(unsentLine(), QString());
        QVERIFY(!view()->unsentOutlines());
    }

    void questionListsExactlyTheChanges_data()
    {
        QTest::addColumn<int>("edit");
        QTest::addColumn<QStringList>("changes");
        QTest::addColumn<QString>("warning");
        QTest::newRow("one distance") << 0 << QStringList{"探测距离：6.00 m → 7.50 m"} << QString();
        QTest::newRow("filter") << 1 << QStringList{"目标类型：不筛选目标 (0) → 动目标 (4)"} << QString();
        QTest::newRow("cell added, cell removed")
            << 2 << QStringList{"新增非报警区域网格：(-50, 450)", "移除非报警区域网格：(150, 350)"} << QString();
        QTest::newRow("warning zone emptied") << 3 << QStringList{"预警距离：4.00 m → 0.00 m"}
                                              << "预警距离 0.00 m 不大于报警距离 2.00 m：没有预警区";
    }
    void questionListsExactlyTheChanges()
    {
        QFETCH(int, edit);
        QFETCH(QStringList, changes);
        QFETCH(QString, warning);
        sim::Scene stored;
        stored.cellCount = 1;
        stored.cells[0] = {150, 350};
        radar->setScene(stored);
        connectTo(2);
        const std::function<void()> edits[] = {
            [this] { ui()->spinBoxSurveyFar->setValue(7.5); },
            [this] { ui()->comboBoxTargetType->setCurrentIndex(2); },
            [this] {
                CellGrid &cells = view()->SuppressionGrid;
                cells.setFlag(2, 7, false); // (150, 350)
                cells.setFlag(1, 5, true);  // (-50, 450)
                view()->nonAlarmCount = 1;
            },
            [this] { ui()->spinBoxWarnFar->setValue(0.0); },
        };
        edits[edit]();
        QStringList expected = QStringList{"雷达中的场景指纹：" + shownFingerprint(), "要发送的场景指纹：" + w().formFingerprint(),
                                           "将改变的数值（雷达中 → 表单中）："} + changes;
        if (!warning.isEmpty())
            expected << "注意，这些数值相互矛盾：" << warning;
        QCOMPARE(sendScene(QMessageBox::No).value(0).split('\n'), expected << "发送吗？");
        QTest::qWait(300);
        for (int code : WriteCodes)
            QVERIFY(!requestCodes().contains(code));
        QCOMPARE(radar->scene(), stored);
    }

    // Radar A from its first connection to its acceptance and after; radar B, its replacement,
    // given A's accepted scene from the history window.
    void historyFollowsEachRadar()
    {
        window->show();
        connectTo(2, 7);
        const QString serialA = ui()->labelID->text(), first = shownFingerprint();
        ui()->spinBoxAlarmFar->setValue(2.5);
        QCOMPARE(sendScene().value(1), QStringLiteral("雷达场景参数设置成功"));
        const QString sent = shownFingerprint();
        DialogAnswerer saved;
        saved.answerMessageBox();
        ui()->pushButtonSaveConfig->click();
        QVERIFY(saved.waitDone() && isIdle());

        connectTo(2, 7);
        QVERIFY(ui()->actionAcceptScene->isEnabled());
        DialogAnswerer accepting;
        accepting.answerWindow(QStringLiteral("DialogAcceptance"), [](QWidget *window) {
            auto *dialog = static_cast<DialogAcceptance *>(window);
            dialog->ui->lineEditName->setText(QStringLiteral("王工"));
            dialog->ui->plainTextEditNote->setPlainText(QStringLiteral("首次验收"));
            dialog->accept();
        });
        accepting.answerMessageBox();
        ui()->actionAcceptScene->trigger();
        QVERIFY(accepting.waitDone());
        const QString today = QDate::currentDate().toString(Qt::ISODate);
        QCOMPARE(ui()->labelAcceptance->text(), QStringLiteral("与验收场景一致（%1 验收）").arg(today));
        QTextDocument report;
        w().fillConfigurationReport(&report);
        for (const QString &line : {QStringLiteral("上次验收：%1，验收人 王工，场景指纹 %2").arg(today, sent),
                                    QStringLiteral("验收备注：首次验收"), QStringLiteral("验收记录所在的历史记录链完整")})
            QVERIFY2(report.toPlainText().contains(line), qPrintable(line));
        QCOMPARE(QSettings(MainWindow::settingsFilePath(), QSettings::IniFormat).value("acceptance/name").toString(),
                 QStringLiteral("王工"));

        DialogAnswerer station;
        station.answerWindow(QStringLiteral("DialogSpinBos"), [](QWidget *window) {
            window->findChild<QSpinBox *>()->setValue(7);
            static_cast<QDialog *>(window)->accept();
        });
        ui()->toolButtonModbusId->click();
        QVERIFY(station.waitDone());
        radar->setFault(0x03, faultSpec(sim::Fault::Silent));
        ui()->spinBoxAlarmFar->setValue(3.0);
        QCOMPARE(sendScene().value(1), QStringLiteral("雷达报警区域设置失败"));
        radar->clearFaults();
        ui()->pushButtonDisconnect->click();

        QStringList rows;
        for (const HistoryEntry &e : entriesOf(serialA))
            rows.prepend(QStringList{e.action, e.result, e.fingerprintBefore, e.fingerprintAfter,
                                     QString::number(e.station), e.details.value("step").toString(),
                                     e.details.value("name").toString()}.join(' '));
        QCOMPARE(rows, (QStringList{"readback ok  " + first + " 2  ", "scene_sent ok " + first + ' ' + sent + " 2  ",
                                    "flash_saved ok " + sent + ' ' + sent + " 2  ", "readback ok  " + sent + " 2  ",
                                    "accepted ok " + sent + ' ' + sent + " 2  王工", "station_changed ok " + sent + ' ' + sent + " 7  ",
                                    "scene_sent failed " + sent + "  7 alarm_area "}));

        // Changed behind the tool's back: the next connection says so, in red.
        sim::Scene changed = radar->scene();
        changed.detectionFar = 800;
        radar->setScene(changed);
        connectTo(2, 7);
        const QString differs = QStringLiteral("与验收场景不一致（%1 验收）").arg(today);
        QCOMPARE(ui()->labelAcceptance->text(), differs);
        QCOMPARE(ui()->labelAcceptance->palette().color(QPalette::WindowText), QColor(Qt::red));
        QVERIFY(log().contains(differs));
        ui()->pushButtonDisconnect->click();

        // The replacement: A's accepted scene from the history window, sent.
        radar->setScene(sim::Scene());
        connectTo(2, 8);
        const QString serialB = ui()->labelID->text();
        QVERIFY(ui()->labelAcceptance->isHidden());
        ui()->actionHistory->trigger();
        HistoryWindow *history = w().historyWindow();
        history->selectRadar(serialA);
        const QVector<HistoryEntry> shown = history->shownEntries();
        const auto accepted = std::find_if(shown.begin(), shown.end(), [](const HistoryEntry &e) { return e.action == "accepted"; });
        QVERIFY(accepted != shown.end());
        history->ui->tableEntries->selectRow(int(accepted - shown.begin()));
        history->ui->pushButtonLoad->click();
        QCOMPARE(w().formFingerprint(), accepted->fingerprintAfter);
        QCOMPARE(sendScene().value(1), QStringLiteral("雷达场景参数设置成功"));
        QCOMPARE(writtenFingerprint(), accepted->fingerprintAfter);
        QCOMPARE(shownFingerprint(), accepted->fingerprintAfter);
        ui()->pushButtonDisconnect->click();
        QCOMPARE(entriesOf(serialB).size(), 2);
        QCOMPARE(entriesOf(serialA).size(), 8);

        // As the operator reads it on the command line.
        const ProgramRun all = runProgram(QStringLiteral(RADAR_PROGRAM), {"--history"}, folder->path());
        QCOMPARE(all.exitCode, 0);
        QStringList printed;
        for (const QString &line : all.out.split('\n', Qt::SkipEmptyParts)) {
            const QJsonObject o = QJsonDocument::fromJson(line.toUtf8()).object();
            printed << o.value("serial").toString() + ' ' + o.value("action").toString() + ' ' + o.value("fingerprint").toString();
        }
        QCOMPARE(printed.size(), 10);
        QCOMPARE(printed.filter(serialA + " accepted " + sent).size(), 1);
        QCOMPARE(printed.last(), serialB + " scene_sent " + accepted->fingerprintAfter);
    }

    // The chain is marked red from the first bad entry on, the entries before it left as they are.
    void historyWindowMarksATamperedChain_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QStringList>("rows"); // id and colour, oldest first
        QTest::newRow("scene changed") << "UPDATE entries SET scene_after = '' WHERE id = 2"
                                       << QStringList{"1 #000000", "2 #ff0000", "3 #ff0000", "4 #ff0000"};
        QTest::newRow("entry deleted") << "DELETE FROM entries WHERE id = 2"
                                       << QStringList{"1 #000000", "3 #ff0000", "4 #ff0000"};
    }
    void historyWindowMarksATamperedChain()
    {
        QFETCH(QString, edit);
        QFETCH(QStringList, rows);
        const QString path = folder->filePath(QStringLiteral("tampered.sqlite"));
        {
            RadarHistory history;
            QVERIFY(history.open(path));
            for (int k = 0; k < 4; ++k) {
                HistoryEntry e;
                e.serial = QStringLiteral("0205000703");
                e.action = QString::fromLatin1(HistoryAction::SceneSent);
                e.setSceneAfter(SceneFile{2, WireScene{quint16(600 + k), 120, 400, 200, -2, 2, 100, {}, 0, 0, 0}});
                QVERIFY(history.record(e));
            }
        }
        QVERIFY(SqliteByHand(path, {edit}).ok);
        HistoryWindow history(path);
        const QTableWidget *table = history.ui->tableEntries;
        QStringList shown;
        for (int row = 0; row < table->rowCount(); ++row)
            shown.prepend(table->item(row, 0)->text() + ' ' + table->item(row, 3)->foreground().color().name());
        QCOMPARE(shown, rows);
        QVERIFY(history.ui->labelChain->text().contains('#' + rows.at(1).left(1)));
    }

    // A history that cannot be written is said once and the radar is served all the same.
    void unusableHistoryNeverStopsTheWork_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("damaged") << 0 << "不是雷达历史文件";
        QTest::newRow("foreign") << 1 << "不是雷达历史文件";
        QTest::newRow("locked") << 2 << "雷达历史文件正被另一个程序锁定";
    }
    void unusableHistoryNeverStopsTheWork()
    {
        QFETCH(int, kind);
        QFETCH(QString, reason);
        const QString path = folder->filePath(RadarHistory::defaultPath());
        std::optional<SqliteByHand> other;
        if (kind == 0)
            QVERIFY(writeFile(path, QByteArray(4096, '\x5a')));
        else
            QVERIFY((kind == 1 || RadarHistory().open(path))
                    && other.emplace(path, QStringList{kind == 1 ? "CREATE TABLE frames (frame INTEGER)" : "BEGIN IMMEDIATE"}).ok);
        const QByteArray before = fileBytes(path);
        connectTo(2);
        ui()->spinBoxAlarmFar->setValue(2.5);
        QCOMPARE(sendScene().value(1), QStringLiteral("雷达场景参数设置成功"));
        QCOMPARE(radar->scene().alarmFar, quint16(250));
        const QStringList said = log().filter(QStringLiteral("雷达历史无法写入："));
        QCOMPARE(said.size(), 1);
        QVERIFY2(said.first().contains(reason), qPrintable(said.first()));
        QCOMPARE(fileBytes(path), before);
    }

    // A good file fills the form, values and cells; a refused one leaves the form as it was.
    void sceneFilesRefusedLeaveTheFormAlone_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        const QByteArray good = encodeSceneFile(goodScene());
        QByteArray tooMany = good;
        tooMany.replace("\"cells\": [", "\"cells\": [" + QByteArray("{\"x_cm\": 25, \"y_cm\": 25}, ").repeated(11));
        QTest::newRow("truncated") << good.left(good.size() / 2) << "JSON";
        QTest::newRow("unknown key") << QByteArray(good).replace("\"angle_deg\"", "\"angle_degree\"") << "angle_degree";
        QTest::newRow("out of range") << QByteArray(good).replace("\"angle_deg\": 100", "\"angle_deg\": 200") << "angle_deg";
        QTest::newRow("eleven cells") << tooMany << "10";
        QTest::newRow("between the form's steps")
            << encodeSceneFile({1, WireScene{755, 100, 500, 250, -8, 12, 50, {}, 1, 2, 150}}) << "7.55 m";
        QTest::newRow("another device type, refused") << encodeSceneFile({3, goodScene().scene}) << "";
    }
    void sceneFilesRefusedLeaveTheFormAlone()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        const QString path = folder->filePath(QStringLiteral("scene.json"));
        const auto import = [&](const QByteArray &bytes, const QList<QMessageBox::StandardButton> &answers) {
            return writeFile(path, bytes) ? answered([this] { ui()->actionImportScene->trigger(); }, path, answers).value(1)
                                          : DialogAnswerer::Seen{};
        };
        // Without a radar the import sends nothing and asks nothing.
        const SceneFile good = goodScene();
        QCOMPARE(import(encodeSceneFile(good), {}).text, QString());
        QCOMPARE(w().formFingerprint(), fingerprintText(sceneFingerprint(good.scene)));
        QCOMPARE(view()->nonAlarmCount, 2);

        const DialogAnswerer::Seen box = import(content, {message.isEmpty() ? QMessageBox::No : QMessageBox::Ok});
        QCOMPARE(box.icon, message.isEmpty() ? QMessageBox::Question : QMessageBox::Warning);
        QVERIFY2(box.text.contains(message), qPrintable(box.text));
        QCOMPARE(w().formFingerprint(), fingerprintText(sceneFingerprint(good.scene)));
        QCOMPARE(view()->nonAlarmCount, 2);
    }
};

RADAR_TEST_MAIN(TestCommissioning)
#include "tst_commissioning.moc"
