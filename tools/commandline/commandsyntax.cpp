#include "tools/commandline/commandsyntax.h"

#include "tools/commandline/commandtable.h"

namespace {

bool isHelpOrVersion(const QString &argument)
{
    return argument == QLatin1String("--help") || argument == QLatin1String("-h") ||
           argument == QLatin1String("--version");
}

CommandSyntax wrong(const QString &problem)
{
    return {problem, {}};
}

} // namespace

CommandSyntax readSyntax(const QStringList &arguments)
{
    CommandSyntax syntax;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (isHelpOrVersion(argument))
            continue;
        if (!argument.startsWith(QLatin1Char('-'))) {
            const AdminCommand *command = findCommand(syntax.words.value(0));
            const int wordsTaken = command && !command->actions.isEmpty() ? 2 : 1;
            if (syntax.words.size() >= wordsTaken)
                return wrong(QStringLiteral("Überzähliges Argument \"%1\"").arg(argument.left(60)));
            syntax.words << argument;
            continue;
        }
        // Qt would take "-card" for --card and "--" as the end of the options.
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        const QString name = argument.mid(2, equals < 0 ? -1 : equals - 2);
        const std::optional<bool> takesValue =
            argument.startsWith(QLatin1String("--")) ? optionTakesValue(name) : std::nullopt;
        if (!takesValue)
            return wrong(QStringLiteral("Unbekannte Option \"%1\"").arg(argument.left(60)));
        if (!*takesValue) {
            if (equals >= 0)
                return wrong(QStringLiteral("Option --%1 nimmt keinen Wert").arg(name));
            continue;
        }
        // Qt would take the next option as this one's value.
        QString value;
        if (equals >= 0)
            value = argument.mid(equals + 1);
        else if (i + 1 < arguments.size() && !arguments.at(i + 1).startsWith(QLatin1String("--")))
            value = arguments.at(++i);
        if (value.trimmed().isEmpty())
            return wrong(QStringLiteral("Option --%1 braucht einen Wert").arg(name));
    }
    return syntax;
}
