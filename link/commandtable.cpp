#include "commandtable.h"

#include <QCoreApplication>

QString RadarCommand::tr(const char *text)
{
    return text ? QCoreApplication::translate("MainWindow", text) : QString();
}

namespace RadarCommands {

using D = ReplyDiscipline;

// code, sub, frame length, discipline, minimum reply, try once, length line when silent,
// request prefix, reply prefix, timeout line, length line, sync line
const RadarCommand WriteDetectionArea{0x02, 0, 20, D::ShortAck, 1, false, false,
    QT_TRANSLATE_NOOP("MainWindow", "发送雷达探测区域设置命令："), QT_TRANSLATE_NOOP("MainWindow", "雷达探测区域设置返回："),
    QT_TRANSLATE_NOOP("MainWindow", "雷达探测区域设置命令：超时或无返回值"), nullptr, nullptr};
const RadarCommand WriteAlarmArea{0x03, 0, 20, D::ShortAck, 1, false, false,
    QT_TRANSLATE_NOOP("MainWindow", "发送雷达报警区域设置命令："), QT_TRANSLATE_NOOP("MainWindow", "雷达报警区域设置返回："),
    QT_TRANSLATE_NOOP("MainWindow", "雷达报警区域设置命令：超时或无返回值"), nullptr, nullptr};
const RadarCommand WriteSuppressionArea{0x04, 0, 56, D::ShortAck, 1, false, false,
    QT_TRANSLATE_NOOP("MainWindow", "发送发送雷达虚警抑制区域命令："), QT_TRANSLATE_NOOP("MainWindow", "发送雷达虚警抑制区域返回："),
    QT_TRANSLATE_NOOP("MainWindow", "发送雷达虚警抑制区域命令：超时或无返回值"), nullptr, nullptr};
const RadarCommand ResultQuery{0x06, 0x01, 16, D::Deadline, 12, true, false,
    QT_TRANSLATE_NOOP("MainWindow", "雷达探测结果查询命令："), QT_TRANSLATE_NOOP("MainWindow", "雷达探测结果查询返回："),
    QT_TRANSLATE_NOOP("MainWindow", "雷达探测结果查询命令：超时或无返回值"), QT_TRANSLATE_NOOP("MainWindow", "雷达探测结果查询返回：消息长度不正确%1/%2"),
    QT_TRANSLATE_NOOP("MainWindow", "雷达探测结果查询返回：同步头不正确")};
const RadarCommand DataSampling{0x06, 0x02, 16, D::Own, 0, false, false,
    nullptr, nullptr, nullptr, nullptr, nullptr};
const RadarCommand TestCommand{0x06, 0x04, 16, D::Deadline, 12, true, false,
    QT_TRANSLATE_NOOP("MainWindow", "测试命令："), QT_TRANSLATE_NOOP("MainWindow", "测试命令返回："), QT_TRANSLATE_NOOP("MainWindow", "测试命令：超时或无返回值"),
    QT_TRANSLATE_NOOP("MainWindow", "测试命令：消息长度不正确%1/%2"), QT_TRANSLATE_NOOP("MainWindow", "测试命令：同步头不正确")};
const RadarCommand WriteTargetFilter{0x07, 0, 16, D::ShortAck, 1, false, false,
    QT_TRANSLATE_NOOP("MainWindow", "发送雷达目标属性筛选消息："), QT_TRANSLATE_NOOP("MainWindow", "雷达目标属性筛选消息返回："),
    QT_TRANSLATE_NOOP("MainWindow", "雷达目标属性筛选消息：超时或无返回值"), nullptr, nullptr};
const RadarCommand WriteStartDistance{0x08, 0, 30, D::ShortAck, 1, false, false,
    QT_TRANSLATE_NOOP("MainWindow", "发送起始探测距离："), QT_TRANSLATE_NOOP("MainWindow", "起始探测距离返回："), QT_TRANSLATE_NOOP("MainWindow", "起始探测距离：超时或无返回值"),
    nullptr, nullptr};
const RadarCommand CanParameters{0x09, 0, 20, D::ShortAck, 1, false, false,
    QT_TRANSLATE_NOOP("MainWindow", "发送CAN参数设置命令："), QT_TRANSLATE_NOOP("MainWindow", "CAN参数设置返回："), QT_TRANSLATE_NOOP("MainWindow", "CAN参数设置命令：超时或无返回值"),
    nullptr, nullptr};
const RadarCommand ReadDetectionArea{0x0A, 0, 14, D::SizedRead, 20, false, true,
    QT_TRANSLATE_NOOP("MainWindow", "发送读取雷达探测区域设置信息命令："), QT_TRANSLATE_NOOP("MainWindow", "读取雷达探测区域设置信息返回："),
    QT_TRANSLATE_NOOP("MainWindow", "读取雷达探测区域设置信息命令：超时或无返回值"), QT_TRANSLATE_NOOP("MainWindow", "读取雷达探测区域设置信息返回：长度不正确"),
    QT_TRANSLATE_NOOP("MainWindow", "读取雷达探测区域设置信息返回：同步字不正确")};
const RadarCommand ReadAlarmArea{0x0B, 0, 14, D::SizedRead, 20, false, true,
    QT_TRANSLATE_NOOP("MainWindow", "发送读取雷达报警区域设置信息命令："), QT_TRANSLATE_NOOP("MainWindow", "读取雷达报警区域设置信息返回："),
    QT_TRANSLATE_NOOP("MainWindow", "读取雷达报警区域设置信息命令：超时或无返回值"), QT_TRANSLATE_NOOP("MainWindow", "雷达报警区域设置信息返回：长度不正确"),
    QT_TRANSLATE_NOOP("MainWindow", "读取雷达报警区域设置信息返回：同步字不正确")};
const RadarCommand ReadSuppressionArea{0x0C, 0, 14, D::SizedRead, 56, false, true,
    QT_TRANSLATE_NOOP("MainWindow", "发送读取雷达虚警抑制区域信息命令："), QT_TRANSLATE_NOOP("MainWindow", "读取雷达虚警抑制区域信息返回："),
    QT_TRANSLATE_NOOP("MainWindow", "读取雷达虚警抑制区域信息命令：超时或无返回值"), QT_TRANSLATE_NOOP("MainWindow", "雷达虚警抑制区域信息返回：长度不正确"),
    QT_TRANSLATE_NOOP("MainWindow", "读取雷达虚警抑制区域信息返回：同步字不正确")};
const RadarCommand ReadIdentity{0x0D, 0, 14, D::SizedRead, 22, false, false,
    QT_TRANSLATE_NOOP("MainWindow", "发送读取ID命令："), QT_TRANSLATE_NOOP("MainWindow", "读取ID返回："), QT_TRANSLATE_NOOP("MainWindow", "读取ID命令：超时或无返回值"),
    QT_TRANSLATE_NOOP("MainWindow", "读取ID返回：长度不正确"), QT_TRANSLATE_NOOP("MainWindow", "读取ID返回：同步字不正确")};
const RadarCommand SetStationNumber{0x0E, 0, 22, D::LongAck, 1, false, false,
    QT_TRANSLATE_NOOP("MainWindow", "发送设置ID命令："), QT_TRANSLATE_NOOP("MainWindow", "设置ID返回："), QT_TRANSLATE_NOOP("MainWindow", "设置ID命令：超时或无返回值"), nullptr, nullptr};
const RadarCommand SaveToFlash{0x10, 0, 14, D::LongAck, 1, false, false,
    QT_TRANSLATE_NOOP("MainWindow", "发送保存设置到flash命令："), QT_TRANSLATE_NOOP("MainWindow", "保存设置到flash返回："),
    QT_TRANSLATE_NOOP("MainWindow", "保存设置到flash命令：超时或无返回值"), nullptr, nullptr};
const RadarCommand SoftwareUpgrade{0x11, 0, 14, D::Own, 1, false, false,
    QT_TRANSLATE_NOOP("MainWindow", "发送软件升级命令："), QT_TRANSLATE_NOOP("MainWindow", "软件升级返回："), QT_TRANSLATE_NOOP("MainWindow", "软件升级：超时或无返回值"), nullptr, nullptr};
const RadarCommand ReadTargetFilter{0x14, 0, 14, D::SizedRead, 16, false, true,
    QT_TRANSLATE_NOOP("MainWindow", "发送读取雷达属性筛选信息："), QT_TRANSLATE_NOOP("MainWindow", "读取雷达属性筛选信息："), QT_TRANSLATE_NOOP("MainWindow", "读取雷达属性筛选信息：超时或无返回值"),
    QT_TRANSLATE_NOOP("MainWindow", "读取雷达属性筛选信息：长度不正确"), QT_TRANSLATE_NOOP("MainWindow", "读取雷达属性筛选信息：同步字不正确")};
const RadarCommand ReadStartDistance{0x15, 0, 14, D::SizedRead, 30, false, true,
    QT_TRANSLATE_NOOP("MainWindow", "发送读取起始探测距离："), QT_TRANSLATE_NOOP("MainWindow", "读取起始探测距离："), QT_TRANSLATE_NOOP("MainWindow", "读取起始探测距离：超时或无返回值"),
    QT_TRANSLATE_NOOP("MainWindow", "读取起始探测距离：长度不正确"), QT_TRANSLATE_NOOP("MainWindow", "读取起始探测距离：同步字不正确")};

const RadarCommand *const *all(int *count)
{
    static const RadarCommand *const table[] = {
        &WriteDetectionArea, &WriteAlarmArea, &WriteSuppressionArea, &ResultQuery, &DataSampling,
        &TestCommand, &WriteTargetFilter, &WriteStartDistance, &CanParameters, &ReadDetectionArea,
        &ReadAlarmArea, &ReadSuppressionArea, &ReadIdentity, &SetStationNumber, &SaveToFlash,
        &SoftwareUpgrade, &ReadTargetFilter, &ReadStartDistance};
    *count = int(sizeof(table) / sizeof(table[0]));
    return table;
}

} // namespace RadarCommands
