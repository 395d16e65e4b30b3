#include "commandline.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <memory>

namespace commandline {

namespace {
// What a mode takes after its options.
enum class Positional { None, Output, OptionalSerial };

// An option that chooses a mode of its own: where its value goes (none for a switch), and what
// follows it. At most one of them may be given; --port also goes with the batch actions.
struct ModeOption {
    QCommandLineOption option;
    Mode mode;
    QString Request::*value;
    Positional positional;
    BatchAction action = BatchAction::Read; // Batch only
};

// An option that only changes how a mode runs: the mode options it goes with, by name.
struct Modifier {
    QCommandLineOption option;
    QStringList companions;
};

const QString PortName = QStringLiteral("port");

QList<ModeOption> modeOptions()
{
    return {
        {QCommandLineOption(PortName,
                            QCoreApplication::translate("QObject", "启动时选择串口 <name> 并连接。与 --read、--apply 或 --verify 一起时"
                                                                   "可以多次给出或用逗号分隔，依次处理每台雷达，一台失败不影响其他雷达。"),
                            QStringLiteral("name")),
         Mode::Window, &Request::port, Positional::None},
        {QCommandLineOption(QStringLiteral("replay"), QCoreApplication::translate("QObject", "启动时回放记录 <recording>。"),
                            QStringLiteral("recording")),
         Mode::Window, &Request::recording, Positional::None},
        {QCommandLineOption(QStringLiteral("export-csv"),
                            QCoreApplication::translate("QObject", "把记录 <recording> 的检测帧写入紧随其后的 CSV 文件后退出："
                                                                   "--export-csv <recording> <out.csv>。"),
                            QStringLiteral("recording")),
         Mode::ExportFrames, &Request::recording, Positional::Output},
        {QCommandLineOption(QStringLiteral("export-events"),
                            QCoreApplication::translate("QObject", "把记录 <recording> 的事件写入紧随其后的 CSV 文件后退出："
                                                                   "--export-events <recording> <out.csv>。"),
                            QStringLiteral("recording")),
         Mode::ExportEvents, &Request::recording, Positional::Output},
        {QCommandLineOption(QStringLiteral("history"),
                            QCoreApplication::translate("QObject", "把雷达历史按 JSON 行打印后退出（--history [SERIAL]：只打印一台雷达）。"
                                                                   "退出码 0 成功，1 无法读取，3 校验链断开。")),
         Mode::History, nullptr, Positional::OptionalSerial},
        {QCommandLineOption(QStringLiteral("analyse"),
                            QCoreApplication::translate("QObject", "统计记录 <recording> 中各区域的进入次数和时间，以及静止目标所在的网格，然后退出。"),
                            QStringLiteral("recording")),
         Mode::Analyse, &Request::recording, Positional::None},
        {QCommandLineOption(QStringLiteral("read"),
                            QCoreApplication::translate("QObject", "读取 --port 上雷达的身份和场景，写入完整场景文件 <file>"
                                                                   "（以 .cfg 结尾时写 64 字节的场景文件，不含非报警区域网格）。"
                                                                   "多个串口时在文件名的后缀前插入各雷达的序列号，例如 "
                                                                   "scene-0205000703.json，文件互不覆盖。"),
                            QStringLiteral("file")),
         Mode::Batch, &Request::sceneFile, Positional::None, BatchAction::Read},
        {QCommandLineOption(QStringLiteral("apply"),
                            QCoreApplication::translate("QObject", "把场景文件 <file>（完整场景文件或 64 字节的 .cfg）应用到 --port 上的雷达："
                                                                   "雷达中的场景指纹与文件相同时不写入（unchanged），否则发送场景、读回，"
                                                                   "指纹相同才算成功（applied）。.cfg 不含非报警区域网格，雷达中的网格保持不变。"
                                                                   "设备类型与文件不同的雷达不写入。"),
                            QStringLiteral("file")),
         Mode::Batch, &Request::sceneFile, Positional::None, BatchAction::Apply},
        {QCommandLineOption(QStringLiteral("verify"),
                            QCoreApplication::translate("QObject", "比较 --port 上雷达中的场景与场景文件 <file>，不写入（equal / different）。"),
                            QStringLiteral("file")),
         Mode::Batch, &Request::sceneFile, Positional::None, BatchAction::Verify},
    };
}

QList<Modifier> modifiers()
{
    return {
        {QCommandLineOption(QStringLiteral("check"),
                            QCoreApplication::translate("QObject", "与 --history 一起：检查雷达历史的校验链，指出第一条被改动的条目。")),
         {QStringLiteral("history")}},
        {QCommandLineOption(QStringLiteral("scene"),
                            QCoreApplication::translate("QObject", "与 --analyse 一起：用场景文件 <file>（.cfg 或完整场景文件）重新统计。"),
                            QStringLiteral("file")),
         {QStringLiteral("analyse")}},
        {QCommandLineOption(QStringLiteral("json"),
                            QCoreApplication::translate("QObject", "与 --analyse 一起：输出一个 JSON 对象；与 --read、--apply 或 --verify "
                                                                   "一起：每台雷达输出一行 JSON 对象。")),
         {QStringLiteral("analyse"), QStringLiteral("read"), QStringLiteral("apply"), QStringLiteral("verify")}},
        {QCommandLineOption(QStringLiteral("save-to-flash"),
                            QCoreApplication::translate("QObject", "与 --apply 一起：应用成功后把场景保存到雷达的 flash（saved）。")),
         {QStringLiteral("apply")}},
        {QCommandLineOption(QStringLiteral("force"),
                            QCoreApplication::translate("QObject", "与 --apply 一起：场景指纹相同也发送，设备类型与文件不同也写入。")),
         {QStringLiteral("apply")}},
    };
}

// The parser with every option; the help and version options' names are "help" and "version".
std::unique_ptr<QCommandLineParser> makeParser(const QList<ModeOption> &modes, const QList<Modifier> &extras)
{
    auto parser = std::make_unique<QCommandLineParser>();
    parser->setApplicationDescription(
        QCoreApplication::translate("QObject", "毫米波安全雷达配置工具") + QLatin1Char('\n')
        + QCoreApplication::translate("QObject", "--read、--apply 和 --verify 不显示窗口，也不需要显示器。它们的退出码："
                                                 "0 每台雷达都成功（--verify：都与文件一致）；1 参数或文件有误；"
                                                 "2 至少一台雷达无法连接或某一步失败；3 --verify 发现不一致。"
                                                 "2 和 3 同时出现时为 2。"));
    parser->addHelpOption();
    parser->addVersionOption();
    for (const ModeOption &mode : modes)
        parser->addOption(mode.option);
    for (const Modifier &extra : extras)
        parser->addOption(extra.option);
    return parser;
}

Request refused(const QString &reason)
{
    Request request;
    request.mode = Mode::Refused;
    request.reason = reason;
    return request;
}

QString dashed(const QString &name)
{
    return QStringLiteral("--") + name;
}

QString dashed(const QCommandLineOption &option)
{
    return dashed(option.names().constFirst());
}

// Every --port, each a name or a comma-separated list of names.
QStringList portList(const QStringList &values)
{
    QStringList ports;
    for (const QString &value : values)
        for (const QString &name : value.split(QLatin1Char(',')))
            if (!name.trimmed().isEmpty())
                ports << name.trimmed();
    return ports;
}
} // namespace

Request parse(const QStringList &arguments)
{
    const QList<ModeOption> modes = modeOptions();
    const QList<Modifier> extras = modifiers();
    const std::unique_ptr<QCommandLineParser> parser = makeParser(modes, extras);
    if (!parser->parse(arguments))
        return refused(parser->errorText());
    Request request;
    if (parser->isSet(QStringLiteral("help")) || parser->optionNames().contains(QStringLiteral("help-all"))) {
        request.mode = Mode::Help;
        return request;
    }
    if (parser->isSet(QStringLiteral("version"))) {
        request.mode = Mode::Version;
        return request;
    }
    const bool portGiven = parser->isSet(PortName);
    const ModeOption *chosen = nullptr;
    for (const ModeOption &mode : modes) {
        if (!parser->isSet(mode.option) || mode.option.names().constFirst() == PortName)
            continue;
        if (chosen)
            return refused(QCoreApplication::translate("QObject", "请只给出 %1 或 %2 之一")
                               .arg(dashed(chosen->option), dashed(mode.option)));
        chosen = &mode;
    }
    const bool batch = chosen && chosen->mode == Mode::Batch;
    if (portGiven && chosen && !batch)
        return refused(QCoreApplication::translate("QObject", "请只给出 %1 或 %2 之一").arg(dashed(PortName), dashed(chosen->option)));
    const QString chosenName = chosen ? chosen->option.names().constFirst() : QString();
    for (const Modifier &extra : extras) {
        if (!parser->isSet(extra.option) || extra.companions.contains(chosenName))
            continue;
        QStringList with;
        for (const QString &companion : extra.companions)
            with << dashed(companion);
        return refused(QCoreApplication::translate("QObject", "%1 只能与 %2 一起使用")
                           .arg(dashed(extra.option), with.join(QStringLiteral(" / "))));
    }
    const QStringList positionals = parser->positionalArguments();
    const Positional positional = chosen ? chosen->positional : Positional::None;
    if (positional == Positional::Output && positionals.size() != 1)
        return refused(QCoreApplication::translate("QObject", "请给出一个记录文件和一个 CSV 文件"));
    const int allowed = positional == Positional::None ? 0 : 1;
    if (positionals.size() > allowed)
        return refused(QCoreApplication::translate("QObject", "多余的参数：%1").arg(positionals.mid(allowed).join(QLatin1Char(' '))));
    if (batch) {
        request.ports = portList(parser->values(PortName));
        if (request.ports.isEmpty())
            return refused(QCoreApplication::translate("QObject", "%1 需要用 --port 给出至少一个串口").arg(dashed(chosen->option)));
    } else if (parser->values(PortName).size() > 1) {
        return refused(QCoreApplication::translate("QObject", "窗口只能连接一个串口：多个 --port 只用于 --read、--apply 和 --verify"));
    }
    if (!chosen) {
        request.port = parser->value(PortName);
        return request;
    }
    request.mode = chosen->mode;
    request.batchAction = chosen->action;
    if (chosen->value)
        request.*(chosen->value) = parser->value(chosen->option);
    if (positional == Positional::Output)
        request.output = positionals.constFirst();
    if (positional == Positional::OptionalSerial && !positionals.isEmpty())
        request.serial = positionals.constFirst();
    request.check = parser->isSet(QStringLiteral("check"));
    request.json = parser->isSet(QStringLiteral("json"));
    request.scene = parser->value(QStringLiteral("scene"));
    request.saveToFlash = parser->isSet(QStringLiteral("save-to-flash"));
    request.force = parser->isSet(QStringLiteral("force"));
    return request;
}

QString usage()
{
    return makeParser(modeOptions(), modifiers())->helpText();
}

bool mayHoldToolkitOptions(const QStringList &arguments)
{
    for (const QString &argument : arguments.mid(1))
        if (argument.size() > 2 && argument.startsWith(QLatin1Char('-')) && !argument.startsWith(QLatin1String("--")))
            return true;
    return false;
}

} // namespace commandline
