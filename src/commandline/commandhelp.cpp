#include "commandhelp.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace commandline {

namespace {

constexpr qsizetype kWidth = 80;

// text filled into lines of kWidth characters at most, each starting with indent.
QString wrapped(const QString &text, qsizetype indent)
{
    QString result;
    QString line;
    for (const QString &word : text.split(u' ', Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && indent + line.size() + 1 + word.size() > kWidth) {
            result += QString(indent, u' ') + line + u'\n';
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    if (!line.isEmpty())
        result += QString(indent, u' ') + line + u'\n';
    return result;
}

QString optionNames(const QCommandLineOption &option)
{
    QStringList names;
    for (const QString &name : option.names())
        names += (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    QString text = names.join(QStringLiteral(", "));
    if (!option.valueName().isEmpty())
        text += QStringLiteral(" <") + option.valueName() + u'>';
    return text;
}

} // namespace

QCommandLineOption helpOption()
{
    return QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Shows this help."));
}

QString commandHelp(const QString &program, const CommandInfo &command)
{
    const QString synopsis = QStringList{program, command.name, command.arguments}.filter(QRegularExpression(".")).join(u' ');
    QString help = QStringLiteral("Usage: %1\n\n").arg(synopsis);
    help += wrapped(command.summary, 0);
    help += QStringLiteral("\nOptions:\n");
    QList<QCommandLineOption> options = command.options;
    options.prepend(helpOption());
    qsizetype column = 0;
    for (const QCommandLineOption &option : options)
        column = std::max(column, optionNames(option).size());
    for (const QCommandLineOption &option : options) {
        QString description = option.description();
        if (!option.defaultValues().isEmpty() && !description.contains(QStringLiteral("default")))
            description += QStringLiteral(" (default: %1)").arg(option.defaultValues().join(u' '));
        const QString first = QStringLiteral("  ") + optionNames(option).leftJustified(column + 2);
        const QString rest = wrapped(description, first.size());
        help += first + rest.mid(first.size());
    }
    return help;
}

QString programHelp(const QString &header, const QList<CommandInfo> &commands, const QString &footer)
{
    QString help = header + QStringLiteral("\nCommands:\n");
    for (const CommandInfo &command : commands) {
        help += QStringLiteral("  %1 %2\n").arg(command.name, command.arguments);
        help += wrapped(command.summary, 8);
    }
    return help + u'\n' + footer;
}

void usageError(const QString &program, const QString &message)
{
    std::fprintf(stderr, "%s: %s\nRun \"%s --help\" for help.\n", qPrintable(program), qPrintable(message),
                 qPrintable(program));
    std::exit(2);
}

const CommandInfo &readCommand(const Program &program, const QStringList &arguments, QCommandLineParser &parser)
{
    const QString name = arguments.value(1);
    if (name == u"--help" || name == u"-h" || name == u"help" || name.isEmpty()) {
        std::fputs(qPrintable(programHelp(program.header, program.commands, program.footer)), name.isEmpty() ? stderr : stdout);
        std::exit(name.isEmpty() ? 2 : 0);
    }
    if (name == u"--version" || name == u"-v") {
        std::printf("%s %s\n", qPrintable(program.name), qPrintable(QCoreApplication::applicationVersion()));
        std::exit(0);
    }
    const auto command = std::find_if(program.commands.begin(), program.commands.end(),
                                      [&](const CommandInfo &info) { return info.name == name; });
    if (command == program.commands.end()) {
        QStringList names;
        for (const CommandInfo &info : program.commands)
            names += info.name;
        usageError(program.name, QStringLiteral("no command \"%1\" (%2)").arg(name, names.join(QStringLiteral(", "))));
    }
    const QCommandLineOption help = helpOption();
    parser.addOption(help);
    parser.addOptions(command->options);
    if (!parser.parse(arguments))
        usageError(program.name, parser.errorText());
    if (parser.isSet(help)) {
        std::fputs(qPrintable(commandHelp(program.name, *command)), stdout);
        std::exit(0);
    }
    return *command;
}

} // namespace commandline
