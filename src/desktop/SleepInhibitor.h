#pragma once

#include "desktop/DesktopBuses.h"

#include <QDBusUnixFileDescriptor>
#include <QString>

// Keeps the computer from going to sleep while a run works. logind's inhibitor lock on the
// system bus comes first: it lasts as long as the descriptor logind hands out is open, so a
// killed process lets go of it as well. Where logind is not there, the desktop portal's inhibit
// on the session bus can stand in (the window has a session; a server may not).
class SleepInhibitor {
public:
    // who: the program's title; usePortal: whether the desktop portal is the fallback.
    SleepInhibitor(DesktopBuses buses, QString who, bool usePortal);
    ~SleepInhibitor();
    SleepInhibitor(const SleepInhibitor&) = delete;
    SleepInhibitor& operator=(const SleepInhibitor&) = delete;

    // Takes the lock unless it is held; whether it is held afterwards.
    bool Take();
    // Lets go of the lock, if held.
    void Release();
    bool Held() const { return lock_.isValid() || !portalRequest_.isEmpty(); }

    // What logind and the portal are told.
    static QString Why();
    // The log line when no lock can be had.
    static QString UnavailableText();

private:
    bool TakeFromLogind();
    bool TakeFromPortal();

    DesktopBuses buses_;
    QString who_;
    bool usePortal_;
    QDBusUnixFileDescriptor lock_;
    QString portalRequest_; // the object path of the portal's inhibit request
};
