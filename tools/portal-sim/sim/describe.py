"""A machine-readable description of the data set, for tests and the README."""

from .dataset import street_name, street_range
from .houses import CASES, CYCLE, HouseMaker

# Regions larger than this are not listed house by house in a revision's description.
REVISION_LISTING_LIMIT = 100000


def describe(data, samples=20):
    maker = HouseMaker(data)
    regions = []
    for g in data.regions:
        r = g.index
        cities = []
        for c, city in enumerate(g.cities):
            streets = []
            for s in range(min(city.streets, 3)):
                name, short = street_name(s)
                streets.append({"code": data.street_code(r, c, s), "name": name, "shortName": short,
                                "houses": street_range(city, s)[1]})
            cities.append({"code": data.city_code(r, c), "name": city.name, "shortName": city.short,
                           "area": data.area_code(r, city.area) if city.area is not None else None,
                           "streets": city.streets, "houses": city.houses,
                           "first_streets": streets})
        houses = []
        for i in range(min(samples, g.houses)):
            item = maker.item(r, i)
            houses.append({"guid": item["guid"], "index": i, "case": CASES.get(i % CYCLE, "full"),
                           "houseTypeCode": item.get("houseType", {}).get("code", "")})
        regions.append({
            "kind": g.kind, "code": data.region_code(r), "name": g.name, "shortName": g.short,
            "houses": g.houses,
            "areas": [{"code": data.area_code(r, a), "name": n, "shortName": s}
                      for a, (n, s) in enumerate(g.areas)],
            "cities": cities, "sample_houses": houses})
        if data.revision.number and g.houses <= REVISION_LISTING_LIMIT:
            regions[-1]["revision"] = data.revision.changes(data, r)
    return {"seed": data.seed, "case_cycle": CYCLE,
            "cases": {str(k): v for k, v in sorted(CASES.items())}, "regions": regions}
