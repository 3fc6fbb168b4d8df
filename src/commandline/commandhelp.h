#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>

// How the command-line programs explain themselves, in the same words and layout: a program's
// commands are entries of one list, from which both its help and each command's own help are
// written, so that neither can leave one out; a program without commands is one entry.
namespace commandline {

struct CommandInfo
{
    QString name;      // empty for a program without commands
    QString arguments; // the synopsis after the command's name: "[OPTIONS] DOMAIN"
    QString summary;   // what the command does, a sentence or a few
    QList<QCommandLineOption> options;
};

// -h, --help: every command takes it, and it is listed first.
QCommandLineOption helpOption();

// "Usage: PROGRAM NAME ARGUMENTS", what the command does, and its options.
QString commandHelp(const QString &program, const CommandInfo &command);

// The program's help: every command with its synopsis and what it does, then footer.
QString programHelp(const QString &header, const QList<CommandInfo> &commands, const QString &footer);

// A program with commands, as its help describes it.
struct Program
{
    QString name;
    QString header; // the help's synopsis and what the program does
    QList<CommandInfo> commands;
    QString footer; // the help's closing lines
};

// "PROGRAM: message" and where help is, on standard error; ends the program with status 2.
[[noreturn]] void usageError(const QString &program, const QString &message);

// Reads a command line "PROGRAM COMMAND [OPTIONS] ...": the command, with its options read into
// parser. --help, --version and a command's --help are answered here, and the program ends;
// so does a command line that makes no sense, as a usage error.
const CommandInfo &readCommand(const Program &program, const QStringList &arguments, QCommandLineParser &parser);

} // namespace commandline
