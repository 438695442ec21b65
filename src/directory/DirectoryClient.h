#pragma once

#include "directory/DirectoryEntry.h"
#include "http/PortalClient.h"

#include <QString>

// The client of one address directory operation: a portal client of the directory profile,
// released with the object, and one GET per level. Only page 1 of a level is ever asked for.
// A failed request throws the client's PortalError; an answer that is not an array does not.
class DirectoryClient {
public:
    DirectoryClient();

    DirectoryAnswer Regions();
    DirectoryAnswer Areas(const QString& regionCode);
    DirectoryAnswer CitiesOfRegion(const QString& regionCode);
    // areaCode may be empty: "&areaCode=" is then followed by nothing.
    DirectoryAnswer CitiesOfArea(const QString& regionCode, const QString& areaCode);
    // areaCode and cityCode may be empty.
    DirectoryAnswer Streets(const QString& regionCode, const QString& areaCode,
                            const QString& cityCode);

    PortalClient& Client() { return client_; }

private:
    DirectoryAnswer Fetch(const QString& url);

    PortalClient client_;
};
