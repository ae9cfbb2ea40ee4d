#pragma once

#include "cacheapi/objects/cacheobjects.h"

#include <QString>
#include <functional>
#include <memory>

// Connecting, the access bracket around every server access, disconnecting.

// Makes sure the factory is connected: two series of three attempts, with the
// server list in between for correcting the connection data; ends the program
// when the server stays unreachable. Errors of the factory pass to the caller.
void Verbinden();
// Waits hundredths of a second while the window events keep running.
void Warten(qint32 hundertstel);
// Opens an access bracket, connecting first when needed.
void ZugriffBeginn(bool sanduhr);
// Closes an access bracket; the idle timer starts when none is left open.
void ZugriffEnde(bool sanduhr);
// Disconnects and forgets every open bracket. Never fails.
void Trennen();
// Whether a server access is open or waits for its connection. What comes by
// itself (a timer's tick, a server's notice) then waits for its next turn, so
// that it starts no connection of its own under the waiting one.
bool accessInProgress();
// Disconnects now when no access is in progress, else as soon as the last one
// has closed: a request from outside (the desktop session) may come in any wait.
void disconnectWhenAccessEnds();
// Disconnects and releases the factory, at the program's end: the engine's
// connections go while Qt's own state is still there.
void releaseConnection();
// Calls back when the server tells that unassigned bookings of the logged-in
// company arrived, on this connection and every later one; an empty function
// stops it. The callback may only take note: it may run inside an access.
void listenForNewBookings(std::function<void(const NewBookingsNotice &)> listener);
// Whether the server tells the present connection of new bookings; where it
// does not (SQLite, no connection, a server that refused) the caller polls.
bool newBookingsTold();
// Closes a server object, ignoring a failure to close, and releases it.
void ObjektSchliessen(std::unique_ptr<ServerObject> &objekt);
void ObjektSchliessen(std::unique_ptr<ResultSet> &objekt);
// Unloads every window and ends the program. Does not return.
void ProgrammBeenden();

// The command that gives a connection its context: company, branch, user.
QString ServerKontextBefehl();
