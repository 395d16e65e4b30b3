// What the operator takes away from a session: the configuration report (PDF) for the
// acceptance of an installation, the activity log as a text file, and the plan view as a picture.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "activitylog.h"
#include "radarhistory.h"
#include "radarview.h"

#include <QFile>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPainter>
#include <QPrinter>
#include <QSaveFile>
#include <QTextDocument>
#include <QUrl>

namespace {
const QUrl PlotResource(QStringLiteral("report://plan-view.png"));

QString metres(double value)
{
    return QString::number(value, 'f', 2) + QStringLiteral(" m");
}

QString row(const QString &name, const QString &value)
{
    return QStringLiteral("<tr><td>%1</td><td>%2</td></tr>").arg(name.toHtmlEscaped(), value.toHtmlEscaped());
}
} // namespace

QImage MainWindow::plotImage() const
{
    RadarView *view = ui->graphicsView;
    QImage image(view->size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    view->render(&painter);
    painter.end();
    return image;
}

void MainWindow::fillConfigurationReport(QTextDocument *document)
{
    const bool connected = linkUsable();
    QString html = QStringLiteral("<html><body><h1>%1</h1>").arg(tr("雷达配置报告").toHtmlEscaped());
    html += QStringLiteral("<p>%1 %2</p>")
                .arg(tr("日期时间：").toHtmlEscaped(),
                     QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
    if (!connected)
        html += QStringLiteral("<p><b>%1</b></p>")
                    .arg(tr("未连接雷达：以下数值取自工具中的表单，未经雷达确认。").toHtmlEscaped());

    html += QStringLiteral("<h2>%1</h2><table border=\"1\" cellspacing=\"0\" cellpadding=\"4\">")
                .arg(tr("雷达信息").toHtmlEscaped());
    html += row(tr("设备类型"), deviceTypeNames.value(deviceType, QStringLiteral("-")));
    html += row(tr("序列编号"), ui->labelID->text());
    html += row(tr("站点编号"), ui->labelModbusId->text());
    if (connected) {
        html += row(tr("预警继电器灵敏度"), QString::number(earlyWarningRelay));
        html += row(tr("报警继电器灵敏度"), QString::number(alarmRelay));
    } else {
        html += row(tr("继电器灵敏度"), tr("未知"));
    }
    const QString radarPrint = connected ? radarFingerprint() : QString();
    html += row(tr("雷达中的场景指纹"), radarPrint.isEmpty() ? tr("未知") : radarPrint);
    html += row(tr("表单中的场景指纹"), formFingerprint());
    html += QStringLiteral("</table>");

    html += QStringLiteral("<h2>%1</h2><table border=\"1\" cellspacing=\"0\" cellpadding=\"4\">")
                .arg(tr("雷达探测场景").toHtmlEscaped());
    html += row(tr("探测距离"), metres(ui->spinBoxSurveyFar->value()));
    html += row(tr("起始探测距离"), metres(ui->spinBoxSurveyNear->value()));
    if (deviceType != 1)
        html += row(tr("预警距离"), metres(ui->spinBoxWarnFar->value()));
    html += row(tr("报警距离"), metres(ui->spinBoxAlarmFar->value()));
    if (deviceType != 2) {
        html += row(tr("左边界"), metres(ui->spinBoxLeft->value()));
        html += row(tr("右边界"), metres(ui->spinBoxRight->value()));
    }
    html += row(tr("探测角度"), QStringLiteral("%1°").arg(ui->spinBoxSurveyAngle->value()));
    html += row(tr("网格边长"), metres(ui->comboBoxGrid->currentText().toDouble()));
    html += row(tr("目标方向"), ui->comboBoxTargetDir->currentText());
    html += row(tr("目标类型"), ui->comboBoxTargetType->currentText());
    html += QStringLiteral("</table>");

    html += QStringLiteral("<h2>%1</h2>").arg(tr("非报警区域网格").toHtmlEscaped());
    const QVector<QPoint> cells = markedCellPoints();
    if (cells.isEmpty()) {
        html += QStringLiteral("<p>%1</p>").arg(tr("无").toHtmlEscaped());
    } else {
        html += QStringLiteral("<p>%1</p><ul>").arg(tr("网格中心点（厘米）：").toHtmlEscaped());
        for (const QPoint &p : cells)
            html += QStringLiteral("<li>(%1, %2)</li>").arg(p.x()).arg(p.y());
        html += QStringLiteral("</ul>");
    }

    html += QStringLiteral("<h2>%1</h2>").arg(tr("场景参数校验").toHtmlEscaped());
    if (lastVerification.isEmpty()) {
        html += QStringLiteral("<p>%1</p>").arg(tr("本次未校验").toHtmlEscaped());
    } else {
        html += QStringLiteral("<p>%1</p>").arg(lastVerificationTime.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
        if (lastSceneWriteTime.isValid() && lastSceneWriteTime >= lastVerificationTime)
            html += QStringLiteral("<p><b>%1</b></p>")
                        .arg(tr("此校验早于 %1 发送的场景参数，不能说明雷达中现在的场景")
                                 .arg(lastSceneWriteTime.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")))
                                 .toHtmlEscaped());
        for (const QString &line : lastVerification.split(QLatin1Char('\n')))
            html += QStringLiteral("<p>%1</p>").arg(line.toHtmlEscaped());
    }

    const QImage plot = plotImage();
    document->addResource(QTextDocument::ImageResource, PlotResource, QVariant(plot));
    // The picture, and the lines signed under it, on a page of their own: a heading left at the
    // foot of the first page with its picture on the next reads as a page missing.
    html += QStringLiteral("<h2 style=\"page-break-before: always\">%1</h2><p><img src=\"%2\" width=\"%3\"></p>")
                .arg(tr("雷达视图").toHtmlEscaped(), PlotResource.toString())
                .arg(qMin(plot.width(), 600));

    html += QStringLiteral("<h2>%1</h2>").arg(tr("验收").toHtmlEscaped());
    for (const QString &line : acceptanceReportLines(connected))
        html += QStringLiteral("<p>%1</p>").arg(line.toHtmlEscaped());
    html += QStringLiteral("<p>%1 ____________________</p><p>%2 ____________________</p><p>%3 ____________________</p>")
                .arg(tr("验收人姓名：").toHtmlEscaped(), tr("签字：").toHtmlEscaped(), tr("日期：").toHtmlEscaped());
    html += QStringLiteral("</body></html>");
    document->setHtml(html);
}

QStringList MainWindow::acceptanceReportLines(bool connected)
{
    if (!connected || !acceptance.known)
        return {tr("雷达历史中没有这台雷达的验收记录")};
    QStringList lines;
    lines << tr("上次验收：%1，验收人 %2，场景指纹 %3").arg(acceptance.date, acceptance.name, acceptance.fingerprint);
    if (!acceptance.note.isEmpty())
        lines << tr("验收备注：%1").arg(acceptance.note);
    lines << acceptanceText(radarFingerprint() == acceptance.fingerprint);
    // The acceptance is worth what its record is: the radar's chain up to now.
    RadarHistory *store = radarHistory();
    ChainCheck chain;
    if (store)
        chain = store->checkChain(serialNumberText());
    else
        chain.fault = ChainCheck::Unreadable;
    lines << (chain.whole() ? tr("验收记录所在的历史记录链完整") : tr("验收记录所在的历史记录链不完整：%1").arg(chain.text()));
    return lines;
}

void MainWindow::on_actionExportReport_triggered()
{
    const QString name =
        QFileDialog::getSaveFileName(this, tr("导出配置报告"), QString(), QStringLiteral("PDF (*.pdf)"));
    if (name.isEmpty())
        return;
    QTextDocument document;
    fillConfigurationReport(&document);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::A4));
    // Printed aside and put in place only when the printer has written something.
    const QString partial = name + QStringLiteral(".part");
    printer.setOutputFileName(partial);
    document.print(&printer);
    const bool written = QFileInfo(partial).size() > 0 && (!QFile::exists(name) || QFile::remove(name))
                         && QFile::rename(partial, name);
    if (!written) {
        QFile::remove(partial);
        QMessageBox::warning(this, tr("错误"), tr("报告无法写入：") + name);
        return;
    }
    emit printThread(tr("配置报告已保存：") + QDir::toNativeSeparators(QFileInfo(name).absoluteFilePath()));
}

bool MainWindow::writeLogFile(const QString &path) const
{
    // Every held line, whatever the log's filter shows.
    QByteArray text;
    for (const QString &line : heldLogLines())
        text += line.toUtf8() + '\n';
    // Written aside and renamed over an old file only when complete.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        file.cancelWriting();
        return false;
    }
    return true;
}

void MainWindow::on_actionExportLog_triggered()
{
    const QString name = QFileDialog::getSaveFileName(this, tr("导出日志"), QString(), QStringLiteral("(*.txt)"));
    if (name.isEmpty())
        return;
    if (!writeLogFile(name))
        QMessageBox::warning(this, tr("错误"), tr("日志无法写入：") + name);
}

void MainWindow::on_actionSavePlotImage_triggered()
{
    const QString name =
        QFileDialog::getSaveFileName(this, tr("保存雷达视图图片"), QString(), QStringLiteral("PNG (*.png)"));
    if (name.isEmpty())
        return;
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly) || !plotImage().save(&file, "PNG") || !file.commit()) {
        file.cancelWriting();
        QMessageBox::warning(this, tr("错误"), tr("图片无法写入：") + name);
    }
}
