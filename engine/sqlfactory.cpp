#include "engine/sqlfactory.h"

#include "cacheapi/objects/connectiontarget.h"
#include "engine/connectionfailure.h"
#include "engine/databasecheck.h"
#include "engine/engineerrors.h"
#include "engine/enginenotices.h"
#include "engine/login/serverlogin.h"
#include "engine/objectstore.h"
#include "engine/schema.h"
#include "engine/session.h"
#include "engine/sqlresultset.h"
#include "engine/sqlserverobject.h"

#include <QSet>

namespace {

const ClassDef &classNamed(const QString &className)
{
    const ClassDef *serverClass = findServerClass(className);
    if (!serverClass)
        EngineError::raise(EngineError::UnknownClass,
                           QStringLiteral("Klasse \"%1\" existiert nicht").arg(className.left(100)));
    return *serverClass;
}

// Damage in pages that a workstation's own reads never touch would otherwise
// go unnoticed until it spreads; the first connection of the program looks
// once. What is still readable is still worked with.
void reportDamageOnce(Session &session)
{
    static QSet<QString> checked;
    if (checked.contains(session.location()))
        return;
    checked.insert(session.location());
    const QStringList damage = damageFound(session, CheckDepth::Quick);
    if (!damage.isEmpty())
        engineNotice(QStringLiteral("engine.Datenbankpruefung"),
                     QStringLiteral("Datenbank %1 ist beschädigt; bitte \"karven-admin check\" "
                                    "ausführen und aus einer Sicherung wiederherstellen")
                         .arg(session.location()),
                     damage.join(QStringLiteral("; ")));
}

} // namespace

SqlFactory::SqlFactory(EngineKind kind) : kind_(kind) {}

SqlFactory::~SqlFactory()
{
    disconnect();
}

bool SqlFactory::connect(const QString &connectionString)
{
    disconnect();
    const std::optional<ConnectionTarget> target = parseConnectionString(connectionString);
    if (!target) {
        lastConnectError_ =
            QStringLiteral("Ungültige Verbindungszeichenfolge \"%1\"").arg(connectionString.left(200));
        return false;
    }
    auto session = std::make_shared<Session>(kind_, *target);
    if (!session->open()) {
        // The user reads why in German; the history keeps the driver's own words.
        lastConnectError_ = connectionFailureInGerman(session->lastError());
        engineNotice(QStringLiteral("engine.Verbinden"),
                     QStringLiteral("Verbindung zu %1 fehlgeschlagen").arg(session->location()),
                     session->lastError());
        return false;
    }
    reportDamageOnce(*session);
    session_ = std::move(session);
    lastConnectError_.clear();
    listenForNewBookings();
    return true;
}

bool SqlFactory::isConnected()
{
    return session_ && session_->isAlive();
}

void SqlFactory::disconnect()
{
    if (session_)
        session_->close();
    session_.reset();
}

std::shared_ptr<Session> SqlFactory::connectedSession() const
{
    if (!session_ || !session_->isOpen())
        EngineError::notConnected();
    return session_;
}

LoginAnswer SqlFactory::logIn(const LoginRequest &request)
{
    return logInOnSession(*connectedSession(), request);
}

std::unique_ptr<ServerObject> SqlFactory::openId(const QString &className, const QString &id)
{
    std::shared_ptr<Session> session = connectedSession();
    const ClassDef &serverClass = classNamed(className);
    if (!serverClass.isPersistent())
        EngineError::raise(EngineError::ObjectNotFound,
                           QStringLiteral("Klasse %1 hat keine gespeicherten Objekte").arg(serverClass.name));
    QVariantMap values = ObjectStore::load(*session, serverClass, id);
    return std::make_unique<SqlServerObject>(session, serverClass, id, std::move(values));
}

std::unique_ptr<ServerObject> SqlFactory::newObject(const QString &className)
{
    std::shared_ptr<Session> session = connectedSession();
    return std::make_unique<SqlServerObject>(session, classNamed(className), QString(), QVariantMap());
}

std::unique_ptr<ResultSet> SqlFactory::openResultSet(const QString &className,
                                                     const QString &queryName)
{
    std::shared_ptr<Session> session = connectedSession();
    const ClassDef &serverClass = classNamed(className);
    const QueryDef *query = serverClass.findQuery(queryName);
    if (!query)
        EngineError::raise(EngineError::UnknownQuery,
                           QStringLiteral("Klasse %1 hat keine Abfrage \"%2\"")
                               .arg(serverClass.name, queryName.left(100)));
    return std::make_unique<SqlResultSet>(session, serverClass, *query);
}

void SqlFactory::setNewBookingsListener(std::function<void(const NewBookingsNotice &)> listener)
{
    newBookingsListener_ = std::move(listener);
    if (session_ && session_->isOpen())
        listenForNewBookings();
}

bool SqlFactory::tellsOfNewBookings()
{
    return listening_ && session_ && session_->stillListening();
}

void SqlFactory::listenForNewBookings()
{
    listening_ = false;
    if (session_->kind() != EngineKind::Postgres)
        return;
    std::function<void(const QString &)> onNotification;
    if (newBookingsListener_)
        onNotification = [this](const QString &payload) {
            // "company;counter;newest id"; bookings of other companies are
            // not in this connection's list, and a malformed notice tells nothing.
            const QStringList fields = payload.split(QLatin1Char(';'));
            bool counted = false;
            bool numbered = false;
            const NewBookingsNotice notice{fields.value(1).toLongLong(&counted),
                                           fields.value(2).toLongLong(&numbered)};
            const QVariant context = session_->contextCompany();
            if (fields.size() == 3 && counted && numbered &&
                (context.isNull() || context.toString() == fields.first()))
                newBookingsListener_(notice);
        };
    listening_ = session_->listen(newBookingsChannel, onNotification) && onNotification;
    if (!listening_ && onNotification)
        engineNotice(QStringLiteral("engine.Benachrichtigung"),
                     QStringLiteral("%1 meldet keine neuen Buchungen; die Liste wird abgefragt")
                         .arg(session_->location()),
                     QString());
}

std::unique_ptr<Factory> createEngineFactory()
{
    const QString name = configuredEngineName();
    const std::optional<EngineKind> kind = engineKindFromName(name);
    if (!kind)
        EngineError::raise(EngineError::NotConnected,
                           QStringLiteral("Unbekannte Datenbank-Engine \"%1\" (KARVEN_ENGINE oder "
                                          "Einstellung Engine): erlaubt sind sqlite und postgres")
                               .arg(name.left(60)));
    return std::make_unique<SqlFactory>(*kind);
}
