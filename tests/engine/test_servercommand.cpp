// The server command language on its own, against an in-memory environment.

#include "cacheapi/objects/cacheerror.h"
#include "engine/command/servercommand.h"
#include "engine/engineerrors.h"

#include <QTest>

namespace {

class MemoryEnvironment : public CommandEnvironment
{
public:
    QHash<QString, QString> locals;
    QHash<QString, QString> globals; // "NAME(sub,sub)" -> value
    QStringList routinesRun;

    QHash<QString, QString> &variables() override { return locals; }
    QString global(const QString &name, const QStringList &subscripts) override
    {
        const QString key = name + QLatin1Char('(') + subscripts.join(QLatin1Char(',')) + QLatin1Char(')');
        if (!globals.contains(key))
            throw CacheError(EngineError::UndefinedVariable, key);
        return globals.value(key);
    }
    void runRoutine(const QString &name) override
    {
        if (name != QLatin1String("%XTT"))
            throw CacheError(EngineError::UnknownRoutine, name);
        routinesRun << name;
    }
};

} // namespace

class TestServerCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void commandsWriteWhatTheySay_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("output");
        QTest::newRow("string") << "W \"a\"\"b\"" << "a\"b";
        QTest::newRow("several values") << "W \"x\",1,\"y\"" << "x1y";
        QTest::newRow("canonical numbers") << "W 007,\"|\",1.50,\"|\",0.5,\"|\",00" << "7|1.5|.5|0";
        QTest::newRow("set then write") << "S A=\"1\",B=A W B" << "1";
        QTest::newRow("piece 2") << "W $P(\"a`b`c\",\"`\",2)" << "b";
        QTest::newRow("piece defaults to 1") << "W $P(\"a`b\",\"`\")" << "a";
        QTest::newRow("piece beyond the end") << "W $P(\"a`b\",\"`\",5)" << "";
        QTest::newRow("piece zero") << "W $P(\"a`b\",\"`\",0)" << "";
        QTest::newRow("multi-character delimiter") << "W $PIECE(\"a::b::c\",\"::\",3)" << "c";
        QTest::newRow("empty delimiter") << "W $P(\"abc\",\"\",1)" << "";
        QTest::newRow("global piece") << "S P0=$P(^FA(0),\"`\",2) W P0" << "2024";
        QTest::newRow("lower-case command words") << "s X=\"k\" w X" << "k";
        QTest::newRow("long words") << "SET X=\"k\" WRITE X" << "k";
        QTest::newRow("several blanks between commands") << "S X=1   W X  " << "1";
        QTest::newRow("umlauts in strings") << "W \"Größe §5\"" << "Größe §5";
    }

    void commandsWriteWhatTheySay()
    {
        QFETCH(QString, command);
        QFETCH(QString, output);
        MemoryEnvironment environment;
        environment.globals.insert(QStringLiteral("FA(0)"), QStringLiteral("K`2024`x"));
        QCOMPARE(runServerCommand(command, environment), output);
    }

    void contextCommandSetsItsVariables()
    {
        MemoryEnvironment environment;
        QCOMPARE(runServerCommand(QStringLiteral("S FIRMA=1,FIL=0,PERSONAL=\"A\"\"B\" D ^%XTT"), environment),
                 QString());
        QCOMPARE(environment.locals.value(QStringLiteral("FIRMA")), QStringLiteral("1"));
        QCOMPARE(environment.locals.value(QStringLiteral("FIL")), QStringLiteral("0"));
        QCOMPARE(environment.locals.value(QStringLiteral("PERSONAL")), QStringLiteral("A\"B"));
        QCOMPARE(environment.routinesRun, QStringList{QStringLiteral("%XTT")});
    }

    void anythingElseIsASyntaxErrorAndRunsNothing_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("empty argument") << "S ";
        QTest::newRow("no argument") << "W";
        QTest::newRow("kill") << "K ^FA";
        QTest::newRow("set a global") << "S ^FA(0)=1";
        QTest::newRow("concatenation") << "W \"a\"_\"b\"";
        QTest::newRow("arithmetic") << "W 1+1";
        QTest::newRow("negative number") << "W -1";
        QTest::newRow("other function") << "W $ZF(-1,\"x\")";
        QTest::newRow("piece with one argument") << "W $P(\"a\")";
        QTest::newRow("piece with four arguments") << "W $P(\"a\",\"b\",1,2)";
        QTest::newRow("open string") << "W \"abc";
        QTest::newRow("open parenthesis") << "W $P(\"a\",\"b\"";
        QTest::newRow("two blanks after the command word") << "W  1";
        QTest::newRow("missing blank between commands") << "S A=1W A";
        QTest::newRow("routine without caret") << "D XTT";
        QTest::newRow("indirection") << "X \"W 1\"";
        QTest::newRow("control character") << QStringLiteral("W 1\x01");
        QTest::newRow("non-ASCII name") << QStringLiteral("S Ä=1");
        QTest::newRow("lone point") << "W .";
        QTest::newRow("deep nesting") << QStringLiteral("W ") + QString(40, QLatin1Char('$')).replace(QLatin1String("$"), QLatin1String("$P(")) + QStringLiteral("1") + QString(40, QLatin1Char(')'));
    }

    void anythingElseIsASyntaxErrorAndRunsNothing()
    {
        QFETCH(QString, command);
        MemoryEnvironment environment;
        try {
            runServerCommand(QStringLiteral("S RAN=1 ") + command, environment);
            QFAIL("the command was accepted");
        } catch (const CacheError &error) {
            QCOMPARE(error.number(), qint32(EngineError::CommandSyntax));
            QVERIFY(error.description().startsWith(QStringLiteral("<SYNTAX>")));
        }
        QVERIFY2(environment.locals.isEmpty(), "a refused line must run nothing");
    }

    void undefinedNamesRaiseAtRunTime()
    {
        MemoryEnvironment environment;
        QVERIFY_THROWS_EXCEPTION(CacheError, runServerCommand(QStringLiteral("W NIX"), environment));
        QVERIFY_THROWS_EXCEPTION(CacheError, runServerCommand(QStringLiteral("W ^NIX(1)"), environment));
        QVERIFY_THROWS_EXCEPTION(CacheError, runServerCommand(QStringLiteral("D ^NIX"), environment));
    }
};

QTEST_GUILESS_MAIN(TestServerCommand)
#include "test_servercommand.moc"
