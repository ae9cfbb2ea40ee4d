#include "cacheapi/access.h"

#include "cacheapi/objects/cacheerror.h"

#include "cacheapi/connectionrecord.h"
#include "cacheapi/objects/factoryregistry.h"
#include "cacheapi/ports/ports.h"
#include "cacheapi/timing.h"

#include <QEventLoop>
#include <QRegularExpression>
#include <QTime>
#include <QTimer>
#include <cstdlib>

namespace {

constexpr int attemptsPerSeries = 3;
constexpr int longestReasonShown = 300;

const QString anmeldungTitel = QStringLiteral("Anmeldung an Caché");

std::function<void(const NewBookingsNotice &)> newBookingsListener;

// Brackets being opened that wait for their connection.
int accessesConnecting = 0;
bool disconnectPending = false;

struct ConnectingAccess
{
    ConnectingAccess() { ++accessesConnecting; }
    ~ConnectingAccess() { --accessesConnecting; }
    ConnectingAccess(const ConnectingAccess &) = delete;
    ConnectingAccess &operator=(const ConnectingAccess &) = delete;
};

bool factoryConnected()
{
    try {
        return Verbindung.CacheFactory && Verbindung.CacheFactory->isConnected();
    } catch (const CacheError &) {
        return false;
    }
}

// A text as a string literal of the server's command language.
QString quoted(const QString &text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

// Company and branch go in bare only as plain numbers; anything else as a
// literal, so that no text can add commands of its own.
QString numberOrQuoted(const QString &text)
{
    static const QRegularExpression plainNumber(QStringLiteral("^[0-9]+$"));
    return plainNumber.match(text).hasMatch() ? text : quoted(text);
}

bool attemptConnection()
{
    Verbindung.CacheFactory = createFactory();
    Verbindung.CacheFactory->setNewBookingsListener(newBookingsListener);
    return Verbindung.CacheFactory->connect(Verbindung.ConnString) &&
           Verbindung.CacheFactory->isConnected();
}

// A new connection is a new session on the server, which knows no login
// until it is told again. One that is refused now (a password changed, a
// user made inactive meanwhile) leaves the session without a login: what
// needs one is refused and reported when it is asked for.
void logInAgain()
{
    if (Verbindung.ServerAnmeldung.code.isEmpty())
        return;
    try {
        if (Verbindung.CacheFactory->logIn(Verbindung.ServerAnmeldung).status != LoginAnswer::Status::LoggedIn)
            Verbindung.ServerAnmeldung = LoginRequest();
    } catch (const CacheError &) {
        // Refused for a while, or the server failed: the next connection tries again.
    }
}

void setServerContext()
{
    std::unique_ptr<ServerObject> windows = Verbindung.CacheFactory->newObject(QStringLiteral("KV.Windows"));
    QVariantList context{ServerKontextBefehl()};
    windows->call(QStringLiteral("Xecute"), context);
    QVariantList terminal{QStringLiteral("D ^%XTT")};
    windows->call(QStringLiteral("Xecute"), terminal);
    ObjektSchliessen(windows);
}

// Closes a server object or result set and releases it; a failure to close
// does not keep it from being released.
template <class Object, class Close> void closeAndRelease(std::unique_ptr<Object> &object, Close close)
{
    ports().userInterface->processEvents();
    if (object) {
        try {
            close(*object);
        } catch (const CacheError &) {
        }
    }
    object.reset();
}

// A server's reason on one line, short enough for a small window.
QString shortReason(const QString &reason)
{
    const QString oneLine = reason.simplified();
    if (oneLine.size() <= longestReasonShown)
        return oneLine;
    return oneLine.left(longestReasonShown) + QStringLiteral("…");
}

// Between two attempts the program only waits; the notice says why and until when.
QString attemptFailedText(int attempt, const QString &reason)
{
    QString text = QStringLiteral("Keine Verbindung zum Server (Versuch %1 von %2).")
                       .arg(attempt)
                       .arg(2 * attemptsPerSeries);
    const QString shownReason = shortReason(reason);
    if (!shownReason.isEmpty())
        text += QStringLiteral("\r\n") + shownReason;
    const QTime next =
        QTime::currentTime().addMSecs(Timing::scaled(Timing::pauseBetweenAttemptsHundredths * 10));
    return text + QStringLiteral("\r\nNächster Versuch um %1.")
                      .arg(next.toString(QStringLiteral("HH:mm:ss")));
}

// The notice goes however the connect ends, a thrown error included.
struct WaitNoticeHiddenAtEnd
{
    ~WaitNoticeHiddenAtEnd() { ports().userInterface->hideWaitNotice(); }
};

[[noreturn]] void giveUp()
{
    UserInterfacePort &ui = *ports().userInterface;
    ui.message(QStringLiteral("Der Server ist nicht erreichbar!\r\nBitte Versuchen Sie die Anmeldung zu "
                              "einem späteren Zeitpunk noch ein mal."),
               UserInterfacePort::Icon::Critical, anmeldungTitel);
    ports().serverList->hide();
    Verbindung.BenutzerText.clear();
    if (factoryConnected())
        Verbindung.CacheFactory->disconnect();
    ports().loginDialog->BuAusst_Click();
    // Only a port that failed to end the program gets here.
    std::exit(EXIT_FAILURE);
}

} // namespace

QString ServerKontextBefehl()
{
    return QStringLiteral("S FIRMA=") + numberOrQuoted(Verbindung.Firma) + QStringLiteral(",FIL=") +
           numberOrQuoted(Verbindung.Filiale) + QStringLiteral(",PERSONAL=") +
           quoted(Verbindung.Personal);
}

void Verbinden()
{
    if (factoryConnected())
        return;
    UserInterfacePort &ui = *ports().userInterface;
    const WaitNoticeHiddenAtEnd noticeHidden;
    bool secondSeries = false;
    int attempts = 0;
    while (!attemptConnection()) {
        ++attempts;
        if (attempts < attemptsPerSeries) {
            ui.showWaitNotice(attemptFailedText((secondSeries ? attemptsPerSeries : 0) + attempts,
                                                Verbindung.CacheFactory->lastConnectError()),
                              anmeldungTitel);
            ui.processEvents();
            Warten(Timing::pauseBetweenAttemptsHundredths);
            continue;
        }
        ui.hideWaitNotice();
        if (!secondSeries) {
            ui.message(QStringLiteral(
                           "Server nach 3 Versuchen nicht erreichbar!\r\nBitte Kontrollieren Sie "
                           "die Verbindungsdaten"),
                       UserInterfacePort::Icon::Exclamation, anmeldungTitel);
            // The user may correct the connection data; ConnString follows it.
            ports().serverList->showModal();
            secondSeries = true;
            attempts = 0;
        } else {
            giveUp();
        }
    }
    logInAgain();
    setServerContext();
}

void Warten(qint32 hundertstel)
{
    // A monotonic clock: the wait neither ends early nor hangs at midnight.
    QEventLoop loop;
    QTimer::singleShot(Timing::scaled(hundertstel * 10), &loop, &QEventLoop::quit);
    loop.exec();
}

void ZugriffBeginn(bool sanduhr)
{
    if (sanduhr)
        ports().userInterface->setWaitCursor(true);
    // Stopped before connecting too: a tick right after a new connection was
    // made would close it again before this bracket's first call.
    ports().serverList->stopLock();
    {
        const ConnectingAccess connecting;
        Verbinden();
    }
    // The first bracket creates the server list here, so that its load step
    // finds the connection made.
    ports().serverList->Lock().stop();
    ++Verbindung.ZugriffZaehler;
}

void ZugriffEnde(bool sanduhr)
{
    if (sanduhr)
        ports().userInterface->setWaitCursor(false);
    --Verbindung.ZugriffZaehler;
    if (Verbindung.ZugriffZaehler <= 0)
        ports().serverList->Lock().start(Timing::scaled(Timing::idleDisconnectMs));
    if (disconnectPending && !accessInProgress())
        Trennen();
}

void Trennen()
{
    disconnectPending = false;
    Verbindung.ZugriffZaehler = 0;
    ports().serverList->stopLock();
    try {
        if (Verbindung.CacheFactory && Verbindung.CacheFactory->isConnected())
            Verbindung.CacheFactory->disconnect();
    } catch (const CacheError &) {
        // Disconnecting from a server that is gone already is what was wanted.
    }
}

bool accessInProgress()
{
    return Verbindung.ZugriffZaehler > 0 || accessesConnecting > 0;
}

void disconnectWhenAccessEnds()
{
    if (accessInProgress())
        disconnectPending = true;
    else
        Trennen();
}

void releaseConnection()
{
    Trennen();
    Verbindung.CacheFactory.reset();
}

void listenForNewBookings(std::function<void(const NewBookingsNotice &)> listener)
{
    newBookingsListener = std::move(listener);
    if (Verbindung.CacheFactory)
        Verbindung.CacheFactory->setNewBookingsListener(newBookingsListener);
}

bool newBookingsTold()
{
    return Verbindung.CacheFactory && Verbindung.CacheFactory->tellsOfNewBookings();
}

void ObjektSchliessen(std::unique_ptr<ServerObject> &objekt)
{
    closeAndRelease(objekt, [](ServerObject &object) { object.call(QStringLiteral("sys_close")); });
}

void ObjektSchliessen(std::unique_ptr<ResultSet> &objekt)
{
    closeAndRelease(objekt, [](ResultSet &rows) { rows.close(); });
}

void ProgrammBeenden()
{
    ports().userInterface->endProgram();
}
