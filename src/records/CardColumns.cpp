#include "records/CardColumns.h"

#include "json/JsonAccess.h"
#include "portal/PortalApi.h"
#include "records/FieldTexts.h"
#include "records/TableHeader.h"

namespace {

// "<formalName> <shortName>" of a region or city; empty when the item has none.
QString PlaceName(const JsonValue* place) {
    if (place == nullptr)
        return {};
    return PlainText(place, u"formalName") + u' ' + PlainText(place, u"shortName");
}

// The text of the member of the same name inside a member, such as
// "lifeCycleStage.lifeCycleStage"; empty when the outer member is absent.
QString InnerText(const JsonValue* card, QStringView name, QStringView innerName) {
    const JsonValue* outer = ValueAt(card, name);
    if (outer == nullptr)
        return {};
    return PlainText(outer, innerName);
}

// The names and links of an organisation list, joined by ","; one entry per element, empty
// entries included, so both columns always hold the same number of entries.
template <typename NameOf>
void FillOrganizations(QStringList& row, int namesColumn, const JsonArray* organizations,
                       NameOf nameOf) {
    if (organizations == nullptr)
        return;
    QStringList names;
    QStringList links;
    names.reserve(static_cast<qsizetype>(organizations->size()));
    links.reserve(static_cast<qsizetype>(organizations->size()));
    for (const JsonValue& organization : *organizations) {
        names.append(nameOf(organization));
        links.append(OrganizationLink(PlainText(&organization, u"guid")));
    }
    row[ColumnIndex(namesColumn)] = names.join(u',');
    row[ColumnIndex(namesColumn + 1)] = links.join(u',');
}

QString SupplierName(const JsonValue& supplier) {
    return PlainText(&supplier, u"shortName");
}

// A municipal body without a short name is named by its full name, or by nothing.
QString MunicipalName(const JsonValue& body) {
    QString name = PlainText(&body, u"shortName");
    if (name == u"null")
        name = PlainText(&body, u"fullName");
    return ClearNull(std::move(name));
}

void FillItemColumns(QStringList& row, const JsonValue& listItem) {
    const JsonValue* item = &listItem;
    const QString guid = PlainText(item, u"guid");
    const JsonValue* houseType = ValueAt(item, u"houseType");
    const QString houseTypeCode = houseType ? PlainText(houseType, u"code") : QString();
    row[ColumnIndex(1)] = PassportPageLink(guid, houseTypeCode);
    row[ColumnIndex(2)] = PlaceName(ValueAt(item, u"address.region"));
    row[ColumnIndex(3)] = PlaceName(ValueAt(item, u"address.city"));
    if (const JsonValue* address = ValueAt(item, u"address"))
        row[ColumnIndex(4)] = PlainText(address, u"formattedAddress");
    row[ColumnIndex(5)] = ClearedText(item, u"buildingYear");
    row[ColumnIndex(6)] = ClearedText(item, u"maxFloorCount");
    row[ColumnIndex(7)] = ClearedText(item, u"cadastreNumber");
    row[ColumnIndex(11)] = ClearedText(item, u"operationYear");
    row[ColumnIndex(12)] = ClearedText(item, u"planSeries");
    row[ColumnIndex(13)] = ClearedText(item, u"deterioration");
    row[ColumnIndex(14)] = ClearedText(item, u"deteriorationDate");
    row[ColumnIndex(16)] = ClearedText(item, u"intWallMaterialList");
    row[ColumnIndex(17)] = ClearedText(item, u"reconstructionYear");
    row[ColumnIndex(18)] = ClearedText(item, u"houseEnergyEfficiency");
}

void FillManagementColumns(QStringList& row, const JsonValue& listItem, const JsonValue* card) {
    const JsonValue* management = ValueAt(card, u"managementOrganization");
    if (management == nullptr)
        return;
    row[ColumnIndex(19)] = PlainText(management, u"shortName");
    if (OwnText(*management) != u"null")
        row[ColumnIndex(20)] = OrganizationLink(PlainText(management, u"guid"));
    // A null organisation still gives the management page when the card knows the house.
    if (const JsonValue* house = ValueAt(card, u"address.house"))
        row[ColumnIndex(21)] =
            ManagementLink(PlainText(house, u"guid"), PlainText(&listItem, u"guid"),
                           PlainText(management, u"registryOrganizationRootEntityGuid"));
}

} // namespace

void FillCardColumns(QStringList& row, const JsonValue& listItem, QStringView cardText) {
    FillItemColumns(row, listItem);

    const std::optional<JsonValue> parsed = ParseLenient(cardText);
    if (!parsed || parsed->kind() != JsonKind::Object)
        return;
    const JsonValue* card = &*parsed;
    row[ColumnIndex(9)] = InnerText(card, u"houseType", u"houseTypeName");
    row[ColumnIndex(10)] = InnerText(card, u"lifeCycleStage", u"lifeCycleStage");
    row[ColumnIndex(15)] = InnerText(card, u"houseCondition", u"houseCondition");
    FillManagementColumns(row, listItem, card);
    FillOrganizations(row, 22, AsArray(ValueAt(card, u"resourceProvisionOrganizationList")),
                      SupplierName);
    FillOrganizations(row, 24, AsArray(ValueAt(card, u"municipalityOrganizationList")),
                      MunicipalName);
}
