// Any command line sent to the server runs or is refused with an error; it
// never crashes and a refused line changes nothing.

#include "cacheapi/objects/cacheerror.h"
#include "engine/command/servercommand.h"
#include "fuzz/fuzzinput.h"

#include <cstdlib>

namespace {

class Environment : public CommandEnvironment
{
public:
    QHash<QString, QString> locals;
    QHash<QString, QString> &variables() override { return locals; }
    QString global(const QString &name, const QStringList &subscripts) override
    {
        if (name == QLatin1String("FA") && subscripts == QStringList{QStringLiteral("0")})
            return QStringLiteral("KARVEN`2024`x");
        throw CacheError(5202, name);
    }
    void runRoutine(const QString &name) override
    {
        if (name != QLatin1String("%XTT"))
            throw CacheError(5203, name);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Environment environment;
    try {
        runServerCommand(fuzzText(data, size), environment);
    } catch (const CacheError &error) {
        if (error.number() == 5201 && !environment.locals.isEmpty())
            std::abort(); // a syntax error must refuse the whole line
    }
    return 0;
}
