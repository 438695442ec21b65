"""A plain reading of the 101 table columns, to show which ones a house's documents fill.

Deliberately simple (Python's json, no lenient parsing): it serves only to tell filled columns
from empty ones in the self-tests of the data set.
"""

import json

from sim.houses import TABLE_CODES

ABSENT = object()


def at(doc, path):
    for name in path.split("."):
        if not isinstance(doc, dict) or name not in doc:
            return ABSENT
        doc = doc[name]
    return doc


def text(v):
    if v is ABSENT:
        return ""
    if v is None:
        return "null"
    if isinstance(v, str):
        return v
    return json.dumps(v, ensure_ascii=False, separators=(",", ":"))


def cleared(v):
    t = text(v)
    return "" if t == "null" else t


def parse(body):
    try:
        return json.loads(body)
    except ValueError:
        return ABSENT


def coords(map_text):
    def cut(marker):
        k = map_text.find(marker)
        if k < 0:
            return ""
        end = map_text.find(",", k + len(marker))
        if end < 0:
            return ""
        t = map_text[k + len(marker):end].strip(" \t\r\n")
        return "" if t == "null" else t
    lon, lat = cut('"longitude":'), cut('"latitude":')
    return "" if not lon and not lat else lon + "," + lat


def columns(item, card_text, passport_text, map_text):
    card = parse(card_text)
    card = card if isinstance(card, dict) else {}
    cols = ["link"]
    for part in ("address.region", "address.city"):
        v = at(item, part)
        cols.append(text(at(v, "formalName")) + " " + text(at(v, "shortName")) if v is not ABSENT else "")
    cols.append(text(at(item, "address.formattedAddress")))
    cols += [cleared(at(item, m)) for m in ("buildingYear", "maxFloorCount", "cadastreNumber")]
    cols.append(coords(map_text))
    cols.append(text(at(card, "houseType.houseTypeName")))
    cols.append(text(at(card, "lifeCycleStage.lifeCycleStage")))
    cols += [cleared(at(item, m)) for m in ("operationYear", "planSeries", "deterioration", "deteriorationDate")]
    cols.append(text(at(card, "houseCondition.houseCondition")))
    cols += [cleared(at(item, m)) for m in ("intWallMaterialList", "reconstructionYear", "houseEnergyEfficiency")]
    mo = at(card, "managementOrganization")
    cols.append(text(at(mo, "shortName")))
    cols.append("link" if mo is not ABSENT and mo is not None else "")
    cols.append("link" if mo is not ABSENT and at(card, "address.house") is not ABSENT else "")
    for name, fallback in (("resourceProvisionOrganizationList", False), ("municipalityOrganizationList", True)):
        lst = at(card, name)
        lst = lst if isinstance(lst, list) else []
        names = []
        for e in lst:
            n = text(at(e, "shortName"))
            if fallback and n == "null":
                n = text(at(e, "fullName"))
                n = "" if n == "null" else n
            names.append(n)
        cols.append(",".join(names))
        cols.append(",".join("link" for _ in lst))
    params = at(parse(passport_text), "parameters")
    params = params if isinstance(params, list) else []
    for code in TABLE_CODES:
        value = ""
        for p in params:
            if text(at(p, "paramCode")) == code:
                value = cleared(at(p, "value"))
                break
        cols.append(value)
    assert len(cols) == 101
    return cols
