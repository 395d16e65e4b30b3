#include "commandline.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <memory>

namespace commandline {

namespace {
// What a mode takes after its options.
enum class Positional { None, Output, OptionalSerial };

// An option that chooses a mode of its own: where its value goes (none for a switch), and what
// follows it. At most one of them may be given.
struct ModeOption {
    QCommandLineOption option;
    Mode mode;
    QString Request::*value;
    Positional positional;
};

// An option that only changes how its mode runs.
struct Modifier {
    QCommandLineOption option;
    Mode mode;
};

QList<ModeOption> modeOptions()
{
    return {
        {QCommandLineOption(QStringLiteral("port"), QCoreApplication::translate("QObject", "启动时选择串口 <name> 并连接。"),
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
    };
}

QList<Modifier> modifiers()
{
    return {
        {QCommandLineOption(QStringLiteral("check"),
                            QCoreApplication::translate("QObject", "与 --history 一起：检查雷达历史的校验链，指出第一条被改动的条目。")),
         Mode::History},
        {QCommandLineOption(QStringLiteral("scene"),
                            QCoreApplication::translate("QObject", "与 --analyse 一起：用场景文件 <file>（.cfg 或完整场景文件）重新统计。"),
                            QStringLiteral("file")),
         Mode::Analyse},
        {QCommandLineOption(QStringLiteral("json"),
                            QCoreApplication::translate("QObject", "与 --analyse 一起：输出一个 JSON 对象。")),
         Mode::Analyse},
    };
}

// The parser with every option; the help and version options' names are "help" and "version".
std::unique_ptr<QCommandLineParser> makeParser(const QList<ModeOption> &modes, const QList<Modifier> &extras)
{
    auto parser = std::make_unique<QCommandLineParser>();
    parser->setApplicationDescription(QCoreApplication::translate("QObject", "毫米波安全雷达配置工具"));
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

QString dashed(const QCommandLineOption &option)
{
    return QStringLiteral("--") + option.names().constFirst();
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
    const ModeOption *chosen = nullptr;
    for (const ModeOption &mode : modes) {
        if (!parser->isSet(mode.option))
            continue;
        if (chosen)
            return refused(QCoreApplication::translate("QObject", "请只给出 %1 或 %2 之一")
                               .arg(dashed(chosen->option), dashed(mode.option)));
        chosen = &mode;
    }
    const Mode mode = chosen ? chosen->mode : Mode::Window;
    for (const Modifier &extra : extras)
        if (parser->isSet(extra.option) && extra.mode != mode)
            return refused(QCoreApplication::translate("QObject", "%1 只能与 %2 一起使用")
                               .arg(dashed(extra.option), extra.mode == Mode::History ? QStringLiteral("--history")
                                                                                      : QStringLiteral("--analyse")));
    const QStringList positionals = parser->positionalArguments();
    const Positional positional = chosen ? chosen->positional : Positional::None;
    if (positional == Positional::Output && positionals.size() != 1)
        return refused(QCoreApplication::translate("QObject", "请给出一个记录文件和一个 CSV 文件"));
    const int allowed = positional == Positional::None ? 0 : 1;
    if (positionals.size() > allowed)
        return refused(QCoreApplication::translate("QObject", "多余的参数：%1").arg(positionals.mid(allowed).join(QLatin1Char(' '))));
    if (!chosen)
        return request;
    request.mode = mode;
    if (chosen->value)
        request.*(chosen->value) = parser->value(chosen->option);
    if (positional == Positional::Output)
        request.output = positionals.constFirst();
    if (positional == Positional::OptionalSerial && !positionals.isEmpty())
        request.serial = positionals.constFirst();
    request.check = parser->isSet(QStringLiteral("check"));
    request.json = parser->isSet(QStringLiteral("json"));
    request.scene = parser->value(QStringLiteral("scene"));
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
