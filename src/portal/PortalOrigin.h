#pragma once

#include <QString>

// "https://" + the portal's host (and ":port" when it is not 443), with no trailing slash.
// The build fixes the host (PORTAL_HOST); the environment variable PORTAL_ORIGIN, when set and
// not empty, overrides the whole origin at run time.
QString PortalOrigin();
