"""The four documents of one house: search item, card, passport and map text.

Everything is computed from (seed, region, house index) when asked for. House i takes the case
i % 50; the cases below 17 (except 0) are the awkward shapes the row rules must survive, all
others are full houses whose every column has a value.
"""

import hashlib
import json
import re

from .dataset import street_name
from .ids import make_guid

CASES = {
    0: "full",
    1: "no_house_type",
    2: "null_management_org",
    3: "null_org_names",
    4: "duplicate_param_codes",
    5: "object_and_array_values",
    6: "number_decimals",
    7: "special_characters",
    8: "coords_strings",
    9: "coords_null",
    10: "coords_latitude_missing",
    11: "coords_longitude_last",
    12: "coords_last_in_inner_object",
    13: "null_members",
    14: "missing_members",
    15: "not_array_parameters_and_card",
    16: "coords_spaces_and_line_break",
}
CYCLE = 50

# The 76 parameter codes the table reads, in column order.
TABLE_CODES = (
    "1 2 2.1 2.2 2.3 2.4 2.5 2.6 2.7 2.8 2.9 2.9.1 2.9.2 2.10 2.11 2.12 2.13 2.14 2.15 2.15.1 "
    "2.15.2 2.15.3 2.16 2.17 2.19 2.20 2.23 2.24 3 3.1 3.1.1 3.1.2 3.1.3 3.2 3.2.1 3.3 3.3.1 "
    "3.3.2 3.3.3 3.4 3.4.1 3.5 3.5.1 3.5.2 3.5.2.1 3.5.3 3.5.4 3.5.4.1 4 4.3 4.4 4.5 4.6 4.6.2 "
    "4.6.3 4.10 4.10.1 5 5.1 5.2 5.3 5.4 5.5 5.5.2 6 6.3 6.4 6.5 6.5.2 6.5.3 8 9 9.3 16 16.1 16.2"
).split()
# Codes the portal sends that no column reads.
EXTRA_CODES = ["2.18", "2.21", "2.22", "4.1", "4.2", "7", "7.1", "10", "17"]

HOUSE_TYPES = [("1", "Многоквартирный"), ("2", "Жилой дом"), ("3", "Жилой дом блокированной застройки")]
WORDS = ["Кирпич", "Панель", "Монолит", "Железобетон", "Дерево", "Металл", "Отсутствует",
         "Центральное", "Скатная", "Плоская", "Ленточный", "Свайный", "Полипропилен", "Сталь"]

_RAW = re.compile(r'"\\u0000RAW:((?:[^"\\]|\\.)*?)\\u0000"')


def raw(text):
    """A JSON token written exactly as given (numbers such as 0.50 or 40.00, escaped strings)."""
    return "\u0000RAW:" + text + "\u0000"


def dumps(doc):
    text = json.dumps(doc, ensure_ascii=False, separators=(",", ":"))
    return _RAW.sub(lambda m: json.loads('"' + m.group(1) + '"'), text)


def case_of(i):
    return CASES.get(i % CYCLE, "full")


class HouseMaker:
    def __init__(self, data):
        self.data = data
        self.seed = data.seed

    def _h(self, r, i):
        return hashlib.sha1(("%d|h|%d|%d" % (self.seed, r, i)).encode()).digest()

    def _org(self, n):
        return make_guid(self.seed, "org", n)

    def _parts(self, r, i):
        d = self.data
        g = d.regions[r]
        c, s, number = d.place(r, i)
        city = g.cities[c]
        h = self._h(r, i)
        type_code, type_name = HOUSE_TYPES[0 if h[0] % 5 else 1 + h[1] % 2]
        region = {"aoGuid": d.region_code(r), "formalName": g.name, "shortName": g.short,
                  "regionCode": g.number}
        city_doc = {"aoGuid": d.city_code(r, c), "formalName": city.name, "shortName": city.short}
        street = None
        text = "%s %s, %s %s" % (g.short, g.name, city.short, city.name)
        if s is not None:
            sn, ss = street_name(s)
            street = {"aoGuid": d.street_code(r, c, s), "formalName": sn, "shortName": ss}
            text += ", %s %s" % (ss, sn)
        text += ", д. %d" % number
        return h, c, s, number, type_code, type_name, region, city_doc, street, text

    # ----- search item -------------------------------------------------------------------

    def item(self, r, i):
        h, c, s, number, tcode, tname, region, city, street, text = self._parts(r, i)
        case = case_of(i)
        year = 1950 + h[2] % 70
        address = {"formattedAddress": text, "region": region, "city": city,
                   "house": {"houseNumber": str(number),
                             "houseGuid": make_guid(self.seed, "fias", r, i)}}
        if street:
            address["street"] = street
        doc = {
            "guid": self.data.house_guid(r, i),
            "houseType": {"code": tcode, "houseTypeName": tname},
            "address": address,
            "buildingYear": year,
            "maxFloorCount": 1 + h[3] % 25,
            "cadastreNumber": "%s:%02d:%07d:%d" % (self.data.regions[r].number, 1 + c, i // 7, 1 + h[4]),
            "operationYear": year + 1,
            "planSeries": ["II-49", "1-447С", "П-44Т", "индивидуальный"][h[5] % 4],
            "deterioration": raw("%d.%d" % (h[6] % 80, h[7] % 10)),
            "deteriorationDate": "%02d.%02d.%d" % (1 + h[8] % 28, 1 + h[9] % 12, 2015 + h[10] % 8),
            "intWallMaterialList": WORDS[h[11] % 6],
            "reconstructionYear": year + 20 + h[12] % 20,
            "houseEnergyEfficiency": "ABCDEFG"[h[13] % 7],
            "residentialPremiseCount": 4 + h[14] % 200,
            "houseManagementType": {"code": "1", "name": "Управляющая организация"},
        }
        if case == "no_house_type":
            del doc["houseType"]
        elif case == "object_and_array_values":
            doc["intWallMaterialList"] = [{"code": "1", "name": "Кирпич"}, {"code": "2", "name": "Панель"}]
            doc["houseEnergyEfficiency"] = {"code": "A", "name": "Очень высокий"}
        elif case == "number_decimals":
            doc["deterioration"] = raw("40.00")
            doc["maxFloorCount"] = raw("9.0")
        elif case == "special_characters":
            address["formattedAddress"] = text + ' корп. 1/2 \\ стр. "Б"\tвход\r\nсо двора'
            doc["planSeries"] = 'П-44/"Т"\\2'
        elif case == "null_members":
            doc["buildingYear"] = None
            doc["deteriorationDate"] = None
            doc["houseEnergyEfficiency"] = None
            address["region"] = None
            city["shortName"] = None
        elif case == "missing_members":
            del doc["address"]
            del doc["maxFloorCount"]
            del doc["reconstructionYear"]
        return doc

    # ----- house card --------------------------------------------------------------------

    def card(self, r, i):
        h, c, s, number, tcode, tname, region, city, street, text = self._parts(r, i)
        case = case_of(i)
        mo = 100 + h[15] % 40
        condition = h[16] % 2
        if self.data.revision.fate(r, i) == "card":
            condition = 1 - condition
        doc = {
            "guid": self.data.house_guid(r, i),
            "houseType": {"code": tcode, "houseTypeName": tname},
            "lifeCycleStage": {"code": "2", "lifeCycleStage": "Эксплуатация"},
            "houseCondition": {"code": "1", "houseCondition": ["Исправный", "Ветхий"][condition]},
            "managementOrganization": {
                "guid": self._org(mo), "shortName": "ООО «УК Жилсервис-%d»" % mo,
                "fullName": "Общество с ограниченной ответственностью «Управляющая компания Жилсервис-%d»" % mo,
                "registryOrganizationRootEntityGuid": self._org(1000 + mo),
                "ogrn": "10%011d" % (mo * 7919), "inn": "77%08d" % (mo * 31)},
            "address": {"formattedAddress": text,
                        "house": {"guid": make_guid(self.seed, "fias", r, i), "houseNumber": str(number)}},
            "resourceProvisionOrganizationList": [
                {"guid": self._org(200 + h[17] % 10), "shortName": "АО «Водоканал-%d»" % (h[17] % 10)},
                {"guid": self._org(220 + h[18] % 10), "shortName": "ПАО «Энергосбыт-%d»" % (h[18] % 10)},
            ],
            "municipalityOrganizationList": [
                {"guid": self._org(300 + r * 20 + c), "shortName": "Администрация %s %s" % (city["shortName"], city["formalName"]),
                 "fullName": "Администрация муниципального образования %s" % city["formalName"]},
            ],
            "totalSquare": raw("%d.%02d" % (500 + h[19] * 20, h[19] % 100)),
        }
        if case == "null_management_org":
            doc["managementOrganization"] = None
        elif case == "null_org_names":
            doc["resourceProvisionOrganizationList"][0]["shortName"] = None
            doc["municipalityOrganizationList"] = [
                {"guid": self._org(390), "shortName": None, "fullName": None},
                {"guid": self._org(391), "shortName": None, "fullName": "Администрация сельского поселения"},
            ]
        elif case == "special_characters":
            doc["managementOrganization"]["shortName"] = 'ООО "УК \\ Дом/Сервис"\tс переносом\r\nстроки'
        elif case == "null_members":
            doc["lifeCycleStage"] = None
            doc["houseCondition"] = {"code": "1", "houseCondition": None}
        elif case == "missing_members":
            for key in ("managementOrganization", "resourceProvisionOrganizationList",
                        "municipalityOrganizationList", "address"):
                del doc[key]
        elif case == "not_array_parameters_and_card":
            return []
        return doc

    # ----- passport ----------------------------------------------------------------------

    def _value(self, code, h, k):
        if code == "1":
            return "%02d.%02d.2021" % (1 + h[0] % 28, 1 + h[1] % 12)
        if code in ("2.5", "2.7", "5.2"):
            return 1950 + (h[k % 20] % 70)
        if code.startswith("2.15") or code in ("3.1.3", "16.2"):
            return raw("%d.%02d" % (100 + h[k % 20] * 13, h[(k + 1) % 20] % 100))
        if code == "2.1":
            return "ОКТМО %08d" % (h[4] * 65537 % 100000000)
        if code == "16.1" or code == "2.2":
            return "90:01:%07d:%d" % (h[2] * 97, h[3])
        if code in ("2.23", "4.10.1", "5.1"):
            return raw("%d.%d" % (h[k % 20] % 90, h[(k + 3) % 20] % 10))
        if code.startswith("2.") or code in ("4.5", "5.4", "6.4", "9.3"):
            return h[k % 20] % 12
        return WORDS[(h[k % 20] + k) % len(WORDS)]

    def passport(self, r, i):
        h = self._h(r, i)
        case = case_of(i)
        params = [{"paramCode": code, "value": self._value(code, h, k)}
                  for k, code in enumerate(TABLE_CODES + EXTRA_CODES)]
        by_code = {p["paramCode"]: p for p in params}
        if case == "duplicate_param_codes":
            params.insert(0, {"paramCode": "2.1 ", "value": "код с пробелом в конце"})
            params.insert(1, {"paramCode": "02.1", "value": "код с ведущим нулём"})
            by_code["2.1"]["value"] = "первое значение"
            params.append({"paramCode": "2.1", "value": "второе значение"})
            by_code["2.9.1"]["value"] = "5"
        elif case == "object_and_array_values":
            by_code["3.1.1"]["value"] = {"code": "1", "value": "Ленточный"}
            by_code["3.2.1"]["value"] = ["Кирпич", "Бетон"]
            by_code["2.20"]["value"] = {}
            by_code["4.3"]["value"] = []
            by_code["2.3"]["value"] = [{"name": "a/b"}, "x\\y", None, True, raw("0.50")]
        elif case == "number_decimals":
            for code, text in [("2.5", "1962"), ("2.15.1", "40.5"), ("2.15.2", "0.50"),
                               ("2.15.3", "40.00"), ("16.2", "40.0"), ("3.1.3", "12.3456"),
                               ("2.23", "0.0001"), ("4.10.1", "1.23456"), ("5.1", "0.0"),
                               ("2.9", "-2.5"), ("2.13", "1e5"), ("2.14", "1.5E-3"),
                               ("2.12", "-3"), ("2.16", "12345678.12345")]:
                by_code[code]["value"] = raw(text)
        elif case == "special_characters":
            by_code["2.8"]["value"] = 'Серия "П-44"/\\Т\tстр.\r\nперенос'
            by_code["2.1"]["value"] = "ул. Ленина, д. 3/1, корп. \\2\\"
            by_code["2.3"]["value"] = raw('"Жилой\\/нежилой \\u0434ом \\"А\\""')
        elif case == "null_members":
            by_code["2.5"]["value"] = None
            del by_code["2.9.1"]["value"]
            by_code["16.1"]["value"] = None
        elif case == "not_array_parameters_and_card":
            return {"parameters": {"paramCode": "1", "value": "не массив"}}
        if self.data.revision.fate(r, i) == "passport":
            by_code["2.23"]["value"] = raw("95.5")  # above any wear the data set gives
        return {"parameters": params, "houseGuid": self.data.house_guid(r, i)}

    # ----- map lookup --------------------------------------------------------------------

    def map_text(self, r, i):
        h = self._h(r, i)
        case = case_of(i)
        guid = self.data.house_guid(r, i)
        lon = "%d.%06d" % (30 + h[4] % 40, (h[5] << 8 | h[6]) * 13 % 1000000)
        if self.data.revision.fate(r, i) == "coordinates":
            lon = "%d.%06d" % (70 + h[4] % 40, (h[5] << 8 | h[6]) * 13 % 1000000)
        lat = "%d.%06d" % (44 + h[7] % 20, (h[8] << 8 | h[9]) * 17 % 1000000)
        if case == "coords_strings":
            return '{"guid":"%s","longitude":"%s","latitude":"%s","zoom":16}' % (guid, lon, lat)
        if case == "coords_null":
            return '{"guid":"%s","longitude":null,"latitude":null,"zoom":16}' % guid
        if case == "coords_latitude_missing":
            return '{"guid":"%s","longitude":%s,"zoom":16}' % (guid, lon)
        if case == "coords_longitude_last":
            return '{"guid":"%s","latitude":%s,"zoom":16,"longitude":%s}' % (guid, lat, lon)
        if case == "coords_last_in_inner_object":
            return '{"point":{"latitude":%s,"longitude":%s},"guid":"%s"}' % (lat, lon, guid)
        if case == "missing_members":
            return '{"guid":"%s","zoom":16}' % guid
        if case == "coords_spaces_and_line_break":
            return '{"guid":"%s","longitude": \r\n %s ,"latitude" : %s,"zoom":16}' % (guid, lon, lat)
        return '{"guid":"%s","houseGuid":"%s","longitude":%s,"latitude":%s,"zoom":16}' % (
            guid, make_guid(self.seed, "fias", r, i), lon, lat)
