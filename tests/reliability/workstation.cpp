#include "tests/reliability/workstation.h"

#include "cacheapi/objects/cacheerror.h"
#include "cacheapi/objects/passwordsecret.h"
#include "cacheapi/objects/servererrors.h"
#include "engine/sqlfactory.h"
#include "tools/demodata.h"

Workstation::Workstation(const QString &connectionString, const QString &company)
    : factory_(createEngineFactory()), company_(company)
{
    if (!factory_->connect(connectionString))
        throw CacheError(5001, QStringLiteral("no connection to %1").arg(connectionString));
    // As the program logs in: the demo data's user.
    if (factory_->logIn({company, DemoLogin::branch, DemoLogin::userCode,
                         PasswordSecret::derive(DemoLogin::password)})
            .status != LoginAnswer::Status::LoggedIn)
        throw CacheError(5304, QStringLiteral("the demo user cannot log in"));
    auto windows = factory_->newObject(QStringLiteral("KV.Windows"));
    QVariantList context{QStringLiteral("S FIRMA=%1,FIL=0,PERSONAL=\"WS\"").arg(company)};
    windows->call(QStringLiteral("Xecute"), context);
}

Workstation::Listing Workstation::listBookings()
{
    auto rows = factory_->openResultSet(QStringLiteral("Quastel.NoPers"), QStringLiteral("Liste"));
    rows->execute();
    Listing listing;
    while (rows->next()) {
        listing.ids << rows->data(1).toString();
        if (!rows->data(3).isNull())
            listing.counter = rows->data(3).toLongLong();
    }
    rows->close();
    return listing;
}

int Workstation::countNewBookings(const QString &afterId)
{
    auto count = factory_->openResultSet(QStringLiteral("Quastel.NoPers"), QStringLiteral("AnzahlNeu"));
    count->execute({afterId});
    const int arrived = count->next() ? count->data(1).toInt() : 0;
    count->close();
    return arrived;
}

void Workstation::onNewBookings(std::function<void(const NewBookingsNotice &)> listener)
{
    factory_->setNewBookingsListener(std::move(listener));
}

QString Workstation::cardOf(const QString &bookingId)
{
    auto booking = factory_->openId(QStringLiteral("Quastel.NoPers"), bookingId);
    return booking->property(QStringLiteral("Buchungstext")).toString().mid(20, 10);
}

Workstation::Outcome Workstation::assign(const QString &bookingId, const QString &card, const QString &employee)
{
    auto holders = factory_->openResultSet(QStringLiteral("Quastel.NoPers"), QStringLiteral("Karteninhaber"));
    holders->execute({company_, card});
    const QString holder = holders->next() ? holders->data(1).toString() : QString();
    // Closed as the program closes it: a read left open keeps SQLite from writing.
    holders->close();
    if (!holder.isEmpty())
        return Outcome::UserAsked;
    auto noPers = factory_->newObject(QStringLiteral("Quastel.NoPers"));
    QVariantList arguments{company_, employee, card, holder};
    try {
        noPers->call(QStringLiteral("setkarte"), arguments);
    } catch (const CacheError &error) {
        if (error.number() == ServerError::CardHolderChanged)
            return Outcome::UserAsked;
        throw;
    }
    auto booking = factory_->openId(QStringLiteral("Quastel.NoPers"), bookingId);
    QVariantList id{bookingId};
    booking->call(QStringLiteral("sys_deleteid"), id);
    booking->call(QStringLiteral("sys_close"));
    return Outcome::Assigned;
}
