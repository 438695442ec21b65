"""Routing and answer shapes of every endpoint, through a running server."""

import unittest

from tests.support import (CARD, FIAS, MAP, PASSPORT, SEARCH, PortalTest, describe,
                           passport_body, search_body)
from sim.houses import TABLE_CODES


class EndpointTest(PortalTest):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.desc = describe()
        cls.regions = {g["kind"]: g for g in cls.desc["regions"]}

    def directory(self, level, query=""):
        r = self.get(FIAS + level + query)
        self.assertEqual(r.status, 200, r.body)
        self.assertEqual(r.header("Content-Type"), "application/json;charset=UTF-8")
        return r.json()

    def test_regions(self):
        items = self.directory("regions")
        self.assertEqual([i["aoGuid"] for i in items], [g["code"] for g in self.desc["regions"]])
        self.assertEqual([(i["formalName"], i["shortName"]) for i in items][:2],
                         [("Тестовая", "обл"), ("Тысячная", "Респ")])
        self.assertEqual(self.log_last()["endpoint"], "regions")

    def log_last(self):
        return self.portal.log()[-1]

    def test_areas(self):
        g = self.regions["thousand"]
        q = "?actual=true&itemsPerPage=1000&page=1&searchString=&regionCode="
        items = self.directory("areas", q + g["code"])
        self.assertEqual([i["aoGuid"] for i in items], [a["code"] for a in g["areas"]])
        self.assertEqual(self.directory("areas", q + self.regions["empty"]["code"]), [])
        self.assertEqual(self.get(FIAS + "areas?actual=true").status, 400)

    def test_cities_of_region_and_of_area(self):
        g = self.regions["thousand"]
        q = "?actual=true&itemsPerPage=1000&page=1&searchString=&regionCode=" + g["code"]
        all_cities = [c["code"] for c in g["cities"]]
        self.assertEqual([i["aoGuid"] for i in self.directory("cities", q)], all_cities)
        self.assertEqual([i["aoGuid"] for i in self.directory("cities", q + "&areaCode=")], all_cities)
        area = g["areas"][1]["code"]
        expected = [c["code"] for c in g["cities"] if c["area"] == area]
        self.assertEqual(len(expected), 2)
        self.assertEqual([i["aoGuid"] for i in self.directory("cities", q + "&areaCode=" + area)], expected)
        without_area = [c for c in g["cities"] if c["area"] is None]
        self.assertTrue(without_area and len(without_area) < len(g["cities"]))

    def test_streets_capped_by_items_per_page(self):
        g = self.regions["thousand"]
        big = next(c for c in g["cities"] if c["streets"] > 10000)
        q = "?actual=true&itemsPerPage=10000&page=1&searchString=&regionCode=" + g["code"]
        whole_region = self.directory("streets", q + "&areaCode=&cityCode=")
        self.assertEqual(len(whole_region), 10000)
        one_city = self.directory("streets", q + "&areaCode=&cityCode=" + big["code"])
        self.assertEqual(len(one_city), 10000)
        self.assertEqual(one_city[0]["aoGuid"], big["first_streets"][0]["code"])
        rest = self.directory("streets", q.replace("page=1", "page=2") + "&areaCode=&cityCode=" + big["code"])
        self.assertEqual(len(rest), big["streets"] - 10000)
        small = next(c for c in g["cities"] if c["area"] is not None)
        with_area = self.directory("streets", q + "&areaCode=" + small["area"] + "&cityCode=" + small["code"])
        self.assertEqual(len(with_area), small["streets"])
        wrong_area = [a["code"] for a in g["areas"] if a["code"] != small["area"]][0]
        self.assertEqual(self.directory("streets", q + "&areaCode=" + wrong_area + "&cityCode=" + small["code"]), [])

    def test_search_pages(self):
        g = self.regions["small"]
        guids = []
        for page in (1, 2, 3):
            r = self.post(SEARCH + "?pageIndex=%d&elementsPerPage=3" % page, search_body(g["code"]))
            self.assertEqual(r.status, 200)
            doc = r.json()
            self.assertEqual(doc["total"], 8)
            guids += [i["guid"] for i in doc["items"]]
        self.assertEqual(guids[:len(g["sample_houses"])], [h["guid"] for h in g["sample_houses"]])
        self.assertEqual(len(guids), 8)
        beyond = self.post(SEARCH + "?pageIndex=4&elementsPerPage=3", search_body(g["code"])).json()
        self.assertEqual((beyond["total"], beyond["items"]), (8, []))
        item = self.post(SEARCH + "?pageIndex=1&elementsPerPage=1", search_body(g["code"])).json()["items"][0]
        for member in ("buildingYear", "maxFloorCount", "cadastreNumber", "operationYear", "planSeries",
                       "deterioration", "deteriorationDate", "intWallMaterialList",
                       "reconstructionYear", "houseEnergyEfficiency"):
            self.assertIn(member, item)
        self.assertEqual(item["address"]["region"]["formalName"], "Тестовая")
        self.assertIn("code", item["houseType"])

    def test_search_narrowed_by_city_and_street(self):
        g = self.regions["thousand"]
        city = g["cities"][1]
        street = city["first_streets"][0]
        doc = self.post(SEARCH + "?pageIndex=1&elementsPerPage=100",
                        search_body(g["code"], city["code"], street["code"])).json()
        self.assertEqual(doc["total"], street["houses"])
        self.assertTrue(all(i["address"]["street"]["aoGuid"] == street["code"] for i in doc["items"]))
        doc = self.post(SEARCH + "?pageIndex=1&elementsPerPage=1", search_body(g["code"], city["code"])).json()
        self.assertEqual(doc["total"], city["houses"])

    def test_search_rejects_bad_input(self):
        self.assertEqual(self.post(SEARCH + "?pageIndex=0&elementsPerPage=5", search_body()).status, 400)
        self.assertEqual(self.post(SEARCH + "?pageIndex=1", search_body()).status, 400)
        self.assertEqual(self.post(SEARCH + "?pageIndex=1&elementsPerPage=5", "{not json").status, 400)

    def test_map_lookup(self):
        house = self.regions["demo"]["sample_houses"][0]
        r = self.get(MAP + house["guid"])
        self.assertEqual(r.status, 200)
        text = r.body.decode("utf-8")
        self.assertIn('"longitude":', text)
        self.assertIn('"latitude":', text)
        self.assertEqual(self.get(MAP + "00000000-0000-0000-0000-000000000000").status, 404)
        self.assertEqual(self.log_last()["endpoint"], "map")

    def test_passport(self):
        house = self.regions["demo"]["sample_houses"][0]
        r = self.post(PASSPORT, passport_body(house["guid"]))
        self.assertEqual(r.status, 200)
        codes = [p["paramCode"] for p in r.json()["parameters"]]
        self.assertTrue(set(TABLE_CODES) <= set(codes))
        self.assertGreater(len(codes), len(TABLE_CODES))
        self.assertEqual(self.post(PASSPORT, passport_body("nope")).status, 404)
        self.assertEqual(self.post(PASSPORT, '{"x":1}').status, 400)

    def test_card_with_and_without_type_code(self):
        house = self.regions["demo"]["sample_houses"][0]
        with_type = self.get(CARD + house["houseTypeCode"] + "/" + house["guid"])
        self.assertEqual(with_type.status, 200)
        card = with_type.json()
        self.assertIn("houseTypeName", card["houseType"])
        self.assertIn("registryOrganizationRootEntityGuid", card["managementOrganization"])
        untyped = next(h for h in self.regions["demo"]["sample_houses"] if h["case"] == "no_house_type")
        self.assertEqual(untyped["houseTypeCode"], "")
        r = self.get(CARD + "/" + untyped["guid"])
        self.assertEqual(r.status, 200)
        self.assertEqual(self.log_last()["target"], "/homemanagement/api/rest/services/houses/public//" + untyped["guid"])
        self.assertEqual(self.log_last()["endpoint"], "card")
        self.assertEqual(self.get(CARD + "1/" + house["guid"][:-1] + "x").status, 404)

    def test_anything_else_is_404(self):
        for target in ("/", "/nsi/api/rest/services/nsi/fias/v4/houses", CARD + "1", CARD + "1/2/3",
                       SEARCH + "x?pageIndex=1&elementsPerPage=1"):
            r = self.get(target)
            self.assertEqual(r.status, 404, target)
            self.assertEqual(self.log_last()["endpoint"], "other")
        # a known path with the wrong method is not that endpoint
        r = self.post(FIAS + "regions", "")
        self.assertEqual((r.status, self.log_last()["endpoint"]), (404, "other"))


if __name__ == "__main__":
    unittest.main()
