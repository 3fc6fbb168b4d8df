#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QString>

// How linkvane-index's commands are told and explained: one entry a command, from which both the
// program's help and each command's own help are written, so neither can leave one out.
namespace indexer {

struct CommandInfo
{
    QString name;
    QString arguments; // the synopsis after the command's name: "[OPTIONS] DOMAIN"
    QString summary;   // what the command does, a sentence or a few
    QList<QCommandLineOption> options;
};

// "Usage: linkvane-index NAME ARGUMENTS", what the command does, and its options.
QString commandHelp(const CommandInfo &command);

// The program's help: every command with its synopsis and what it does, then footer.
QString programHelp(const QString &header, const QList<CommandInfo> &commands, const QString &footer);

} // namespace indexer
