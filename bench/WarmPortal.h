#pragma once

#include "PortalSimProcess.h"
#include "http/PortalClient.h"
#include "portal/PortalApi.h"

#include <QStringList>
#include <memory>

// Starts the fake portal with these arguments, points the program at it (PORTAL_ORIGIN) and
// warms it up (its data is made lazily, so its first answers are slower) before anything is
// timed.
inline std::unique_ptr<PortalSimProcess> StartWarmPortal(const QStringList& arguments = {}) {
    auto process = std::make_unique<PortalSimProcess>(QStringLiteral(HX_PORTAL_SIM),
                                                      PortalSimProcess::Options{{}, arguments});
    qputenv("PORTAL_ORIGIN", process->Origin().toUtf8());
    PortalClient client(ClientProfile::Directory);
    for (int i = 0; i < 50; ++i)
        client.Get(RegionsUrl());
    return process;
}
