#pragma once

#include "comm/PortName.h"

#include <QString>
#include <QStringList>

#include <optional>

// The command line of kt7310: one subcommand, its arguments and the common options, in
// any order ("kt7310 --port 3 save a.txt" and "kt7310 save a.txt --port 3" are the same).
struct CliArguments
{
    QString Command;         // find, query, send, save, load, run, stop, status
    QStringList Operands;    // the lines of query/send, the file of save/load
    std::optional<PortName> Port; // --port: that port only
    std::optional<int> Baud; // --baud B: that line speed only
    bool Log = false;        // --log: the communication log, as the window writes it
    bool Json = false;       // --json: machine-readable output (find, query, status)
    bool Verify = false;     // load --verify
    bool Help = false;       // --help, for the program or the subcommand
    bool Version = false;    // --version

    // Empty when the command line is sound; otherwise one sentence saying what is wrong.
    QString Error;

    static CliArguments Parse(const QStringList &arguments); // without the program name
    static QStringList Commands();
    // The usage of the whole program, or of one subcommand.
    static QString HelpText(const QString &command = QString());
};
