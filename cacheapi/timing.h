#pragma once

// The program's waits, in one place so that tests can run them faster.
namespace Timing {

constexpr int pauseBetweenAttemptsHundredths = 1000; // 10 s between connection attempts
constexpr int idleDisconnectMs = 60000;              // Lock: disconnect after a minute idle
constexpr int pollIntervalMs = 1000;                 // Timer1 while nothing is listed
constexpr int newBookingsCheckMs = 10000;            // while bookings are listed: any new ones?
constexpr int selectionSettleMs = 300;               // the arrow keys stopped: load that row

// Every wait is multiplied by this factor; 1 in the program.
void setScale(double factor);
// A duration in milliseconds after scaling (at least 1).
int scaled(int milliseconds);

} // namespace Timing
