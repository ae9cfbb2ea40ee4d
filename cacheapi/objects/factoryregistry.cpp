#include "cacheapi/objects/factoryregistry.h"

#include "cacheapi/objects/cacheerror.h"

namespace {
FactoryCreator &registeredCreator()
{
    static FactoryCreator creator;
    return creator;
}
} // namespace

void registerFactory(FactoryCreator creator)
{
    registeredCreator() = std::move(creator);
}

std::unique_ptr<Factory> createFactory()
{
    const FactoryCreator &creator = registeredCreator();
    if (!creator)
        throw CacheError(429, QStringLiteral("Objekterstellung durch ActiveX-Komponente nicht "
                                             "möglich: CacheObject.Factory ist nicht registriert"));
    std::unique_ptr<Factory> factory = creator();
    if (!factory)
        throw CacheError(429, QStringLiteral("CacheObject.Factory konnte nicht erzeugt werden"));
    return factory;
}
