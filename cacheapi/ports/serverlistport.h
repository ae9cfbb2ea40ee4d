#pragma once

#include <QString>

class QTimer;

// The server list window as the database module uses it: its fields hold the
// active connection values and its timer Lock is the idle disconnect. The
// window is created on first use of any of these, so this port creates it lazily.
class ServerListPort
{
public:
    enum class Field { BFIRMA, BFIL, BSERVERIP, BPORT, BNAMESPACE, BWJ };

    virtual ~ServerListPort() = default;

    virtual QString field(Field which) = 0;
    virtual void setField(Field which, const QString &text) = 0;
    // Id of the entry last loaded from the list; 255 when none was loaded.
    virtual int CurrentId() = 0;
    // The idle timer; its tick disconnects.
    virtual QTimer &Lock() = 0;
    // Stops the idle timer without creating the window: a window not created
    // yet has no timer running.
    virtual void stopLock() = 0;
    virtual void showModal() = 0;
    virtual void hide() = 0;
};
