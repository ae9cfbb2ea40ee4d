#pragma once

#include "tools/commandline/adminoptions.h"

#include <QStringList>
#include <QTextStream>
#include <QVector>
#include <optional>

// The commands of karven-admin, each described once: its options and what
// they require of each other, its help, and the function that runs it. The
// parser, the help, the synopsis of the manual and the dispatch read this.

// How an option's value is checked and where it goes in AdminOptions.
enum class OptionValue {
    Switch,      // takes no value; sets flag
    Text,        // as given, into field
    Trimmed,     // without blanks around it, into field
    Company,     // a company number, canonical into company
    Day,         // TT.MM.JJJJ or JJJJ-MM-TT, as JJJJ-MM-TT into field
    SwipeNumber, // a positive number, into swipeId
    ImportFile,  // a master data file, into importFiles under the option's name
};

enum OptionRule {
    Optional = 0,
    Required = 1,
    ServerEntry = 2, // also kept as given in entry, under the option's name
    WritesFile = 4,  // names a file the command writes; no two may name the same
};

struct CommandOption
{
    QString name;      // without the dashes
    QString valueName; // as the help and the manual call the value; empty for a switch
    OptionValue value = OptionValue::Text;
    QString AdminOptions::*field = nullptr;
    bool AdminOptions::*flag = nullptr;
    int rules = Optional;
};

// Options of which a command needs one, or exactly one.
struct OptionGroup
{
    enum Need { AtLeastOne, ExactlyOne };
    Need need;
    QStringList names;
    QString missing; // what the command says when the need is not met
};

// A word that follows the command (server list, server add, ...).
struct CommandAction
{
    QString word;
    QStringList required; // options this action cannot do without
};

using CommandRun = int (*)(const AdminOptions &options, QTextStream &out, QTextStream &err);

struct AdminCommand
{
    QString name;
    QString summary; // its line in the general help
    QString help;    // its own help; the common options follow it
    QVector<CommandOption> options;
    CommandRun run;
    QVector<OptionGroup> groups = {};
    QVector<CommandAction> actions = {}; // empty: the command takes no second word
    QString actionMissing = {};          // what it says without a known action
};

// Every command, in the order the general help lists them.
const QVector<AdminCommand> &adminCommands();
const AdminCommand *findCommand(const QString &name);

// The options every command takes: --engine, --server, --port, --namespace.
const QVector<CommandOption> &commonOptions();
// The command's own options and the common ones it does not name itself.
QVector<CommandOption> optionsOf(const AdminCommand *command);
// Whether an option of any command takes a value; nothing when no command knows it.
std::optional<bool> optionTakesValue(const QString &name);

// The command's forms as the manual's synopsis shows them, e.g.
// "backup --to DATEI [--force]": one line each, two where options exclude each other.
QStringList synopsis(const AdminCommand &command);
