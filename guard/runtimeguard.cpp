#include "guard/runtimeguard.h"

#include "cacheapi/cacheapi.h"

#include <exception>

namespace {

void endAfterRuntimeError(qint32 number, const QString &description)
{
    ports().userInterface->message(QStringLiteral("Laufzeitfehler '") + QString::number(number) +
                                       QStringLiteral("':\r\n\r\n") + description,
                                   UserInterfacePort::Icon::Critical, QStringLiteral(KARVEN_APP_TITLE));
    Trennen();
    ProgrammBeenden();
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
