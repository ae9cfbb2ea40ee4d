#include "tests/support/flakyfactory.h"

#include "cacheapi/objects/factoryregistry.h"
#include "engine/engineerrors.h"
#include "engine/sqlfactory.h"

namespace {

// Records the commands sent through "Xecute" before handing them on.
class RecordingObject : public ServerObject
{
public:
    RecordingObject(std::unique_ptr<ServerObject> inner, ConnectionScript &script)
        : inner_(std::move(inner)), script_(script)
    {
    }
    QVariant property(const QString &name) override { return inner_->property(name); }
    void setProperty(const QString &name, const QVariant &value) override { inner_->setProperty(name, value); }
    QVariant call(const QString &member, QVariantList &arguments) override
    {
        if (member.compare(QLatin1String("Xecute"), Qt::CaseInsensitive) == 0 && !arguments.isEmpty()) {
            const QString command = arguments.at(0).toString();
            script_.commands << command;
            if (!script_.refusedCommandPrefix.isEmpty() && command.startsWith(script_.refusedCommandPrefix))
                throw CacheError(EngineError::CommandSyntax, QStringLiteral("<SYNTAX> abgelehnt"));
        }
        if (member.compare(QLatin1String("sys_close"), Qt::CaseInsensitive) == 0)
            ++script_.objectsClosed;
        return inner_->call(member, arguments);
    }

private:
    std::unique_ptr<ServerObject> inner_;
    ConnectionScript &script_;
};

class FlakyFactory : public Factory
{
public:
    explicit FlakyFactory(ConnectionScript &script) : inner_(createEngineFactory()), script_(script) {}

    bool connect(const QString &connectionString) override
    {
        ++script_.attempts;
        script_.connectionStrings << connectionString;
        refused_ = script_.failuresLeft > 0;
        if (refused_) {
            --script_.failuresLeft;
            return false;
        }
        return inner_->connect(connectionString);
    }
    QString lastConnectError() const override
    {
        return refused_ ? QStringLiteral("vom Test abgewiesen") : inner_->lastConnectError();
    }
    bool isConnected() override { return inner_->isConnected(); }
    void disconnect() override { inner_->disconnect(); }
    void setNewBookingsListener(std::function<void(const NewBookingsNotice &)> listener) override
    {
        script_.newBookingsListener = listener;
        inner_->setNewBookingsListener(std::move(listener));
    }
    bool tellsOfNewBookings() override { return inner_->tellsOfNewBookings(); }
    LoginAnswer logIn(const LoginRequest &request) override { return inner_->logIn(request); }
    std::unique_ptr<ServerObject> openId(const QString &className, const QString &id) override
    {
        auto object = std::make_unique<RecordingObject>(inner_->openId(className, id), script_);
        script_.objectsOpened << className + QLatin1Char(' ') + id;
        return object;
    }
    std::unique_ptr<ServerObject> newObject(const QString &className) override
    {
        auto object = std::make_unique<RecordingObject>(inner_->newObject(className), script_);
        script_.objectsOpened << className;
        return object;
    }
    std::unique_ptr<ResultSet> openResultSet(const QString &className, const QString &queryName) override
    {
        if (script_.queriesFail)
            throw CacheError(EngineError::DatabaseFailure, QStringLiteral("Abfrage gestört"));
        if (queryName == script_.missingQuery)
            throw CacheError(EngineError::UnknownQuery, QStringLiteral("Abfrage unbekannt"));
        script_.queriesOpened << className + QLatin1Char(' ') + queryName;
        return inner_->openResultSet(className, queryName);
    }

private:
    std::unique_ptr<Factory> inner_;
    ConnectionScript &script_;
    bool refused_ = false;
};

} // namespace

void registerFlakyFactory(ConnectionScript &script)
{
    registerFactory([&script] { return std::make_unique<FlakyFactory>(script); });
}
