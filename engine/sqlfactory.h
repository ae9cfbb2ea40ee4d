#pragma once

#include "cacheapi/objects/cacheobjects.h"
#include "engine/engineconfig.h"

#include <memory>

class Session;

// The database object interface over an SQL database.
class SqlFactory : public Factory
{
public:
    explicit SqlFactory(EngineKind kind);
    ~SqlFactory() override;

    bool connect(const QString &connectionString) override;
    bool isConnected() override;
    void disconnect() override;

    LoginAnswer logIn(const LoginRequest &request) override;
    std::unique_ptr<ServerObject> openId(const QString &className, const QString &id) override;
    std::unique_ptr<ServerObject> newObject(const QString &className) override;
    std::unique_ptr<ResultSet> openResultSet(const QString &className,
                                             const QString &queryName) override;
    void setNewBookingsListener(std::function<void(const NewBookingsNotice &)> listener) override;
    bool tellsOfNewBookings() override;
    QString lastConnectError() const override { return lastConnectError_; }

private:
    std::shared_ptr<Session> connectedSession() const;
    void listenForNewBookings();

    EngineKind kind_;
    std::shared_ptr<Session> session_;
    QString lastConnectError_;
    std::function<void(const NewBookingsNotice &)> newBookingsListener_;
    bool listening_ = false;
};

// A factory for the configured engine. Throws CacheError for an unknown engine name.
std::unique_ptr<Factory> createEngineFactory();
