#!/usr/bin/env python3
"""Writes the answers of the fake portal's houses 0 to 16 of its thousand-house region into
sim/: the search item, the map text, the passport and the card of every case, as the portal
sends them. For the full house (case 0) it also writes the row the table must show, worked out
here from the answers on their own terms (00-full-row.txt, "column TAB text" per line). Run from
the repository root after the fake portal's data set changes:

    python3 tests/records/data/capture-sim-houses.py
"""

import decimal
import json
import os
import sys

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tools", "portal-sim"))

from sim.dataset import DataSet  # noqa: E402
from sim.houses import HouseMaker, case_of, dumps  # noqa: E402

REGION = 1  # the thousand-house region
ORIGIN = "https://127.0.0.1:4443"  # the origin the records tests run with
CODES = [line.split()[1] for line in open(
    os.path.join(os.path.dirname(os.path.abspath(__file__)), "passport-codes.txt"))]
OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "sim")


def write(name, text):
    with open(os.path.join(OUT, name), "w", encoding="utf-8", newline="") as f:
        f.write(text)


def text_of(value):
    """A member's text as the table shows it; the full house holds only these kinds."""
    if value is None:
        return "null"
    if isinstance(value, str):
        return value
    if isinstance(value, bool):
        return "true" if value else "false"
    if isinstance(value, int):
        return str(value)
    if isinstance(value, decimal.Decimal):  # at most four decimals: kept as ten-thousandths
        whole, _, fraction = str(value).partition(".")
        assert len(fraction) <= 4
        fraction = fraction.rstrip("0")
        return "0" if value == 0 else whole + "." + fraction
    raise ValueError("no text rule here for %r" % (value,))


def full_row(item_text, map_text, passport_text, card_text):
    item = json.loads(item_text, parse_float=decimal.Decimal)
    card = json.loads(card_text, parse_float=decimal.Decimal)
    passport = json.loads(passport_text, parse_float=decimal.Decimal)

    def cleared(value):
        t = text_of(value)
        return "" if t == "null" else t

    def link(guid):
        return ORIGIN + "/#!/organizationView/" + guid

    a = item["address"]
    mo = card["managementOrganization"]
    suppliers = card["resourceProvisionOrganizationList"]
    bodies = card["municipalityOrganizationList"]
    lon = map_text.split('"longitude":', 1)[1].split(",", 1)[0].strip()
    lat = map_text.split('"latitude":', 1)[1].split(",", 1)[0].strip()
    row = [
        ORIGIN + "/#!/passport/show?houseGuid=" + item["guid"] + "&houseTypeCode="
        + item["houseType"]["code"],
        a["region"]["formalName"] + " " + a["region"]["shortName"],
        a["city"]["formalName"] + " " + a["city"]["shortName"],
        a["formattedAddress"],
        cleared(item["buildingYear"]), cleared(item["maxFloorCount"]),
        cleared(item["cadastreNumber"]),
        lon + "," + lat,
        card["houseType"]["houseTypeName"], card["lifeCycleStage"]["lifeCycleStage"],
        cleared(item["operationYear"]), cleared(item["planSeries"]),
        cleared(item["deterioration"]), cleared(item["deteriorationDate"]),
        card["houseCondition"]["houseCondition"],
        cleared(item["intWallMaterialList"]), cleared(item["reconstructionYear"]),
        cleared(item["houseEnergyEfficiency"]),
        mo["shortName"], link(mo["guid"]),
        ORIGIN + "/#!/mkd?fiasHouseCode=" + card["address"]["house"]["guid"] + "&houseGuid="
        + item["guid"] + "&orgRootGuid=" + mo["registryOrganizationRootEntityGuid"],
        ",".join(s["shortName"] for s in suppliers), ",".join(link(s["guid"]) for s in suppliers),
        ",".join(b["shortName"] for b in bodies), ",".join(link(b["guid"]) for b in bodies),
    ]
    first = {}
    for p in passport["parameters"]:
        first.setdefault(p["paramCode"], p.get("value"))
    row += [cleared(first[code]) for code in CODES]
    assert len(row) == 101
    return "".join("%d\t%s\n" % (n, t) for n, t in enumerate(row, 1))


def main():
    data = DataSet(seed=1)
    maker = HouseMaker(data)
    os.makedirs(OUT, exist_ok=True)
    for i in range(17):
        stem = "%02d-%s" % (i, case_of(i).replace("_", "-"))
        write(stem + "-item.json", dumps(maker.item(REGION, i)))
        write(stem + "-map.txt", maker.map_text(REGION, i))
        write(stem + "-passport.json", dumps(maker.passport(REGION, i)))
        write(stem + "-card.json", dumps(maker.card(REGION, i)))
        if i == 0:
            write(stem + "-row.txt", full_row(dumps(maker.item(REGION, i)), maker.map_text(REGION, i),
                                              dumps(maker.passport(REGION, i)),
                                              dumps(maker.card(REGION, i))))


if __name__ == "__main__":
    main()
