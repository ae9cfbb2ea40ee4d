#include "runtimeguard.h"

#include "cacheapi.h"

#include <cstdlib>
#include <exception>

namespace {

[[noreturn]] void endAfterRuntimeError(qint32 number, const QString &description)
{
    ports().userInterface->message(QStringLiteral("Laufzeitfehler '") + QString::number(number) +
                                       QStringLiteral("':\r\n\r\n") + description,
                                   UserInterfacePort::Icon::Critical, QStringLiteral(KARVEN_APP_TITLE));
    Trennen();
    ProgrammBeenden();
    std::exit(EXIT_FAILURE); // only if the program end returned
}

} // namespace

void runGuarded(const std::function<void()> &handler)
{
    try {
        handler();
    } catch (const CacheError &error) {
        endAfterRuntimeError(error.number(), error.description());
    } catch (const std::bad_alloc &) {
        endAfterRuntimeError(7, QStringLiteral("Nicht genügend Speicher"));
    } catch (const std::exception &error) {
        endAfterRuntimeError(51, QStringLiteral("Interner Fehler: %1").arg(QString::fromLocal8Bit(error.what())));
    }
}
