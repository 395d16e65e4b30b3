#include "commandline.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <memory>

namespace commandline {

namespace {
// An option that chooses a mode of its own: where its value goes, and whether the mode takes
// an output file after it. At most one of them may be given.
struct ModeOption {
    QCommandLineOption option;
    Mode mode;
    QString Request::*value;
    bool takesOutput;
};

QList<ModeOption> modeOptions()
{
    return {
        {QCommandLineOption(QStringLiteral("port"), QCoreApplication::translate("QObject", "启动时选择串口 <name> 并连接。"),
                            QStringLiteral("name")),
         Mode::Window, &Request::port, false},
        {QCommandLineOption(QStringLiteral("replay"), QCoreApplication::translate("QObject", "启动时回放记录 <recording>。"),
                            QStringLiteral("recording")),
         Mode::Window, &Request::recording, false},
        {QCommandLineOption(QStringLiteral("export-csv"),
                            QCoreApplication::translate("QObject", "把记录 <recording> 的检测帧写入紧随其后的 CSV 文件后退出："
                                                                   "--export-csv <recording> <out.csv>。"),
                            QStringLiteral("recording")),
         Mode::ExportFrames, &Request::recording, true},
        {QCommandLineOption(QStringLiteral("export-events"),
                            QCoreApplication::translate("QObject", "把记录 <recording> 的事件写入紧随其后的 CSV 文件后退出："
                                                                   "--export-events <recording> <out.csv>。"),
                            QStringLiteral("recording")),
         Mode::ExportEvents, &Request::recording, true},
    };
}

// The parser with every option; the help and version options' names are "help" and "version".
std::unique_ptr<QCommandLineParser> makeParser(const QList<ModeOption> &modes)
{
    auto parser = std::make_unique<QCommandLineParser>();
    parser->setApplicationDescription(QCoreApplication::translate("QObject", "毫米波安全雷达配置工具"));
    parser->addHelpOption();
    parser->addVersionOption();
    for (const ModeOption &mode : modes)
        parser->addOption(mode.option);
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
    const std::unique_ptr<QCommandLineParser> parser = makeParser(modes);
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
    const QStringList positionals = parser->positionalArguments();
    const bool takesOutput = chosen && chosen->takesOutput;
    if (takesOutput && positionals.size() != 1)
        return refused(QCoreApplication::translate("QObject", "请给出一个记录文件和一个 CSV 文件"));
    if (!takesOutput && !positionals.isEmpty())
        return refused(QCoreApplication::translate("QObject", "多余的参数：%1").arg(positionals.join(QLatin1Char(' '))));
    if (!chosen)
        return request;
    request.mode = chosen->mode;
    request.*(chosen->value) = parser->value(chosen->option);
    if (takesOutput)
        request.output = positionals.constFirst();
    return request;
}

QString usage()
{
    return makeParser(modeOptions())->helpText();
}

bool mayHoldToolkitOptions(const QStringList &arguments)
{
    for (const QString &argument : arguments.mid(1))
        if (argument.size() > 2 && argument.startsWith(QLatin1Char('-')) && !argument.startsWith(QLatin1String("--")))
            return true;
    return false;
}

} // namespace commandline
