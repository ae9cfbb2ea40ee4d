#include "mainlogic/optionalquery.h"

#include "cacheapi/cacheapi.h"
#include "cacheapi/objects/servererrors.h"

std::unique_ptr<ResultSet> openOptionalResultSet(const QString &className, const QString &queryName)
{
    try {
        return Verbindung.CacheFactory->openResultSet(className, queryName);
    } catch (const CacheError &error) {
        if (error.number() == ServerError::UnknownClass || error.number() == ServerError::UnknownQuery)
            return nullptr;
        throw;
    }
}
