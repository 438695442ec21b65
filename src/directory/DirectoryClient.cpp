#include "directory/DirectoryClient.h"

#include "portal/PortalApi.h"

DirectoryClient::DirectoryClient() : client_(ClientProfile::Directory) {}

DirectoryAnswer DirectoryClient::Fetch(const QString& url) {
    return ReadDirectoryAnswer(client_.Get(url));
}

DirectoryAnswer DirectoryClient::Regions() {
    return Fetch(RegionsUrl());
}

DirectoryAnswer DirectoryClient::Areas(const QString& regionCode) {
    return Fetch(AreasUrl(regionCode));
}

DirectoryAnswer DirectoryClient::CitiesOfRegion(const QString& regionCode) {
    return Fetch(CitiesOfRegionUrl(regionCode));
}

DirectoryAnswer DirectoryClient::CitiesOfArea(const QString& regionCode, const QString& areaCode) {
    return Fetch(CitiesOfAreaUrl(regionCode, areaCode));
}

DirectoryAnswer DirectoryClient::Streets(const QString& regionCode, const QString& areaCode,
                                         const QString& cityCode) {
    return Fetch(StreetsUrl(regionCode, areaCode, cityCode));
}
