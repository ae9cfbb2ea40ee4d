#include "engine/command/servercommand.h"

#include "engine/engineerrors.h"

#include <memory>
#include <vector>

namespace {

// The line is parsed whole into this small tree first, so a line with a
// syntax error anywhere runs nothing at all.
struct Expression
{
    enum class Kind { Literal, Variable, Global, Piece } kind = Kind::Literal;
    QString text; // literal value, or variable / global name
    std::vector<Expression> arguments;
};

struct Command
{
    enum class Kind { Set, Write, Do } kind = Command::Kind::Set;
    QStringList targets;             // Set: variable names, one per value
    std::vector<Expression> values;  // Set and Write
    QString routine;                 // Do
};

constexpr int maximumNesting = 32;

[[noreturn]] void syntaxError(const QString &line, int position, const QString &what)
{
    EngineError::raise(EngineError::CommandSyntax,
                       QStringLiteral("<SYNTAX> %1 an Stelle %2: %3")
                           .arg(what)
                           .arg(position + 1)
                           .arg(line.left(200)));
}

bool isNameStart(QChar c)
{
    return c == QLatin1Char('%') || (c.unicode() < 128 && c.isLetter());
}

bool isNameChar(QChar c)
{
    return c.unicode() < 128 && c.isLetterOrNumber();
}

// The canonical form of a number literal: no leading zeros before the point,
// no trailing zeros after it ("007" is 7, "1.50" is 1.5, "0.5" is .5).
QString canonicalNumber(QString digits)
{
    QString whole = digits.section(QLatin1Char('.'), 0, 0);
    QString fraction = digits.contains(QLatin1Char('.')) ? digits.section(QLatin1Char('.'), 1) : QString();
    while (whole.size() > 1 && whole.startsWith(QLatin1Char('0')))
        whole.remove(0, 1);
    while (fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    if (!fraction.isEmpty() && whole == QLatin1String("0"))
        whole.clear();
    if (whole.isEmpty() && fraction.isEmpty())
        return QStringLiteral("0");
    return fraction.isEmpty() ? whole : whole + QLatin1Char('.') + fraction;
}

class Parser
{
public:
    explicit Parser(const QString &line) : line_(line) {}

    std::vector<Command> parseLine()
    {
        std::vector<Command> commands;
        skipBlanks();
        while (!atEnd()) {
            commands.push_back(parseCommand());
            if (!atEnd() && peek() != QLatin1Char(' '))
                fail(QStringLiteral("Leerzeichen zwischen Befehlen erwartet"));
            skipBlanks();
        }
        return commands;
    }

private:
    Command parseCommand()
    {
        const QString word = parseName().toUpper();
        Command command;
        if (word == QLatin1String("S") || word == QLatin1String("SET"))
            command.kind = Command::Kind::Set;
        else if (word == QLatin1String("W") || word == QLatin1String("WRITE"))
            command.kind = Command::Kind::Write;
        else if (word == QLatin1String("D") || word == QLatin1String("DO"))
            command.kind = Command::Kind::Do;
        else
            fail(QStringLiteral("unbekannter Befehl"));
        expect(QLatin1Char(' '));
        if (command.kind == Command::Kind::Do) {
            expect(QLatin1Char('^'));
            command.routine = parseName();
            return command;
        }
        do {
            if (command.kind == Command::Kind::Set) {
                if (!atEnd() && peek() == QLatin1Char('^'))
                    fail(QStringLiteral("Globals können nicht gesetzt werden"));
                command.targets << parseName();
                expect(QLatin1Char('='));
            }
            command.values.push_back(parseExpression(0));
        } while (accept(QLatin1Char(',')));
        return command;
    }

    Expression parseExpression(int depth)
    {
        if (depth > maximumNesting)
            fail(QStringLiteral("zu tief geschachtelt"));
        if (atEnd())
            fail(QStringLiteral("Ausdruck erwartet"));
        const QChar c = peek();
        Expression expression;
        if (c == QLatin1Char('"')) {
            expression.text = parseString();
        } else if (c.isDigit() || c == QLatin1Char('.')) {
            expression.text = parseNumber();
        } else if (c == QLatin1Char('^')) {
            ++pos_;
            expression.kind = Expression::Kind::Global;
            expression.text = parseName();
            if (accept(QLatin1Char('('))) {
                do
                    expression.arguments.push_back(parseExpression(depth + 1));
                while (accept(QLatin1Char(',')));
                expect(QLatin1Char(')'));
            }
        } else if (c == QLatin1Char('$')) {
            ++pos_;
            const QString function = parseName().toUpper();
            if (function != QLatin1String("P") && function != QLatin1String("PIECE"))
                fail(QStringLiteral("unbekannte Funktion"));
            expression.kind = Expression::Kind::Piece;
            expect(QLatin1Char('('));
            do
                expression.arguments.push_back(parseExpression(depth + 1));
            while (accept(QLatin1Char(',')));
            expect(QLatin1Char(')'));
            if (expression.arguments.size() < 2 || expression.arguments.size() > 3)
                fail(QStringLiteral("$P erwartet zwei oder drei Argumente"));
        } else if (isNameStart(c)) {
            expression.kind = Expression::Kind::Variable;
            expression.text = parseName();
        } else {
            fail(QStringLiteral("Ausdruck erwartet"));
        }
        return expression;
    }

    QString parseString()
    {
        ++pos_; // opening quote
        QString value;
        while (!atEnd()) {
            const QChar c = line_.at(pos_++);
            if (c != QLatin1Char('"')) {
                value += c;
            } else if (!atEnd() && peek() == QLatin1Char('"')) {
                value += c;
                ++pos_;
            } else {
                return value;
            }
        }
        fail(QStringLiteral("Zeichenkette ohne Ende"));
    }

    QString parseNumber()
    {
        const int start = pos_;
        bool point = false;
        while (!atEnd() && (peek().isDigit() || (peek() == QLatin1Char('.') && !point))) {
            point = point || peek() == QLatin1Char('.');
            ++pos_;
        }
        const QString digits = line_.mid(start, pos_ - start);
        if (digits == QLatin1String("."))
            fail(QStringLiteral("Zahl erwartet"));
        return canonicalNumber(digits);
    }

    QString parseName()
    {
        if (atEnd() || !isNameStart(peek()))
            fail(QStringLiteral("Name erwartet"));
        const int start = pos_++;
        while (!atEnd() && isNameChar(peek()))
            ++pos_;
        return line_.mid(start, pos_ - start);
    }

    bool atEnd() const { return pos_ >= line_.size(); }
    QChar peek() const { return line_.at(pos_); }
    void skipBlanks()
    {
        while (!atEnd() && peek() == QLatin1Char(' '))
            ++pos_;
    }
    bool accept(QChar c)
    {
        if (atEnd() || peek() != c)
            return false;
        ++pos_;
        return true;
    }
    void expect(QChar c)
    {
        if (!accept(c))
            fail(QStringLiteral("'%1' erwartet").arg(c));
    }
    [[noreturn]] void fail(const QString &what) const { syntaxError(line_, pos_, what); }

    const QString &line_;
    int pos_ = 0;
};

// The whole-number part of a text read as a number, as the server reads "2" or "2abc".
qint64 leadingInteger(const QString &text)
{
    int end = 0;
    if (end < text.size() && (text.at(end) == QLatin1Char('-') || text.at(end) == QLatin1Char('+')))
        ++end;
    while (end < text.size() && text.at(end).isDigit() && end < 18)
        ++end;
    return text.left(end).toLongLong(); // 0 when there are no digits
}

QString piece(const QString &text, const QString &delimiter, qint64 number)
{
    if (delimiter.isEmpty() || number < 1)
        return QString();
    qsizetype start = 0;
    for (qint64 i = 1; i < number; ++i) {
        const qsizetype next = text.indexOf(delimiter, start);
        if (next < 0)
            return QString();
        start = next + delimiter.size();
    }
    const qsizetype end = text.indexOf(delimiter, start);
    return text.mid(start, end < 0 ? -1 : end - start);
}

class Evaluator
{
public:
    explicit Evaluator(CommandEnvironment &environment) : environment_(environment) {}

    QString run(const std::vector<Command> &commands)
    {
        QString output;
        for (const Command &command : commands) {
            switch (command.kind) {
            case Command::Kind::Set:
                for (size_t i = 0; i < command.values.size(); ++i)
                    environment_.variables().insert(command.targets.at(int(i)),
                                                    evaluate(command.values[i]));
                break;
            case Command::Kind::Write:
                for (const Expression &value : command.values)
                    output += evaluate(value);
                break;
            case Command::Kind::Do:
                environment_.runRoutine(command.routine);
                break;
            }
        }
        return output;
    }

private:
    QString evaluate(const Expression &expression)
    {
        switch (expression.kind) {
        case Expression::Kind::Literal:
            return expression.text;
        case Expression::Kind::Variable: {
            const auto found = environment_.variables().constFind(expression.text);
            if (found == environment_.variables().constEnd())
                EngineError::raise(EngineError::UndefinedVariable,
                                   QStringLiteral("<UNDEFINED> %1").arg(expression.text));
            return found.value();
        }
        case Expression::Kind::Global: {
            QStringList subscripts;
            for (const Expression &argument : expression.arguments)
                subscripts << evaluate(argument);
            return environment_.global(expression.text, subscripts);
        }
        case Expression::Kind::Piece: {
            const QString text = evaluate(expression.arguments[0]);
            const QString delimiter = evaluate(expression.arguments[1]);
            const qint64 number =
                expression.arguments.size() > 2 ? leadingInteger(evaluate(expression.arguments[2])) : 1;
            return piece(text, delimiter, number);
        }
        }
        return QString();
    }

    CommandEnvironment &environment_;
};

} // namespace

QString runServerCommand(const QString &line, CommandEnvironment &environment)
{
    const std::vector<Command> commands = Parser(line).parseLine();
    return Evaluator(environment).run(commands);
}
