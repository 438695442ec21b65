"""The data set: demo rows that fill every column, and every awkward case present."""

import json
import re
import unittest

from sim.dataset import DataSet
from sim.houses import CASES, CYCLE, EXTRA_CODES, TABLE_CODES, HouseMaker, case_of, dumps
from tests.rowcheck import columns

CYRILLIC = re.compile(r"^[А-Яа-яЁё0-9 \-]+$")


class DataSetTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # The cases repeat every 50 houses, so 150 demo houses show what 6000 would.
        cls.d = DataSet(seed=1, big_count=1000000, demo_count=150)
        cls.m = HouseMaker(cls.d)
        cls.demo = next(g for g in cls.d.regions if g.kind == "demo")

    def docs(self, r, i):
        m = self.m
        return m.item(r, i), dumps(m.card(r, i)), dumps(m.passport(r, i)), m.map_text(r, i)

    def test_demo_region_full_rows_fill_all_101_columns(self):
        r = self.demo.index
        full, partial = 0, {}
        for i in range(self.demo.houses):
            item, card, passport, map_text = self.docs(r, i)
            cols = columns(json.loads(dumps(item)), card, passport, map_text)
            filled = sum(1 for c in cols if c.strip())
            if case_of(i) == "full":
                self.assertEqual(filled, 101, (i, [k + 1 for k, c in enumerate(cols) if not c.strip()]))
                full += 1
            else:
                partial[case_of(i)] = min(filled, partial.get(case_of(i), 101))
        self.assertGreater(full, self.demo.houses // 2)
        for case in ("null_management_org", "null_members", "missing_members", "coords_null",
                     "not_array_parameters_and_card"):
            self.assertLess(partial[case], 101, case)

    def test_every_awkward_case_occurs_in_the_demo_region(self):
        seen = {case_of(i) for i in range(self.demo.houses)}
        self.assertEqual(seen, set(CASES.values()))

    def awkward(self, case):
        i = next(k for k, v in CASES.items() if v == case) + CYCLE
        return (self.m.item(self.demo.index, i), self.m.card(self.demo.index, i),
                dumps(self.m.passport(self.demo.index, i)), self.m.map_text(self.demo.index, i))

    def test_item_and_card_cases(self):
        item, card, _, _ = self.awkward("no_house_type")
        self.assertNotIn("houseType", item)
        self.assertIn("houseType", card)
        _, card, _, _ = self.awkward("null_management_org")
        self.assertIsNone(card["managementOrganization"])
        self.assertIn("guid", card["address"]["house"])
        _, card, _, _ = self.awkward("null_org_names")
        self.assertIsNone(card["resourceProvisionOrganizationList"][0]["shortName"])
        first, second = card["municipalityOrganizationList"]
        self.assertEqual((first["shortName"], first["fullName"], second["shortName"]), (None, None, None))
        self.assertTrue(second["fullName"])
        item, card, _, _ = self.awkward("null_members")
        self.assertIsNone(item["buildingYear"])
        self.assertIsNone(item["address"]["region"])
        self.assertIsNone(card["lifeCycleStage"])
        item, card, _, map_text = self.awkward("missing_members")
        self.assertNotIn("address", item)
        self.assertNotIn("managementOrganization", card)
        self.assertNotIn('"longitude":', map_text)
        item, _, passport, _ = self.awkward("object_and_array_values")
        self.assertIsInstance(item["intWallMaterialList"], list)
        self.assertIsInstance(item["houseEnergyEfficiency"], dict)
        values = [p["value"] for p in json.loads(passport)["parameters"]]
        self.assertTrue(any(isinstance(v, dict) for v in values))
        self.assertTrue(any(isinstance(v, list) for v in values))
        _, card, passport, _ = self.awkward("not_array_parameters_and_card")
        self.assertIsInstance(card, list)
        self.assertIsInstance(json.loads(passport)["parameters"], dict)

    def test_passport_codes_and_duplicates(self):
        for r, i in [(0, 0), (1, 17), (2, 999999), (3, 0)]:
            codes = [p["paramCode"] for p in json.loads(dumps(self.m.passport(r, i)))["parameters"]]
            self.assertEqual(len(TABLE_CODES), 76)
            self.assertTrue(set(TABLE_CODES) <= set(codes))
            self.assertTrue(set(EXTRA_CODES) <= set(codes))
        _, _, passport, _ = self.awkward("duplicate_param_codes")
        params = json.loads(passport)["parameters"]
        codes = [p["paramCode"] for p in params]
        self.assertEqual(codes.count("2.1"), 2)
        self.assertIn("2.1 ", codes)
        self.assertIn("02.1", codes)
        self.assertLess(codes.index("2.1 "), codes.index("2.1"))

    def test_number_texts_as_sent(self):
        _, _, passport, _ = self.awkward("number_decimals")
        for token in ("1962", "40.5", "0.50", "40.00", "40.0", "12.3456", "0.0001", "1.23456", "0.0",
                      "-2.5", "1e5", "1.5E-3"):
            self.assertRegex(passport, r'"value":%s[,}]' % re.escape(token))

    def test_special_characters_escaped_on_the_wire(self):
        item, card, passport, _ = self.awkward("special_characters")
        for s in ('\\"', "\\\\", "\\t", "\\r\\n", "/", "\\/"):
            self.assertIn(s, passport, s)
        text = item["address"]["formattedAddress"]
        for ch in ("/", "\\", '"', "\t", "\r\n"):
            self.assertIn(ch, text)
        self.assertIn('"', card["managementOrganization"]["shortName"])

    def test_coordinate_shapes(self):
        shapes = {
            "full": r'"longitude":\d+\.\d+,"latitude":\d+\.\d+,',
            "coords_strings": r'"longitude":"[\d.]+","latitude":"[\d.]+",',
            "coords_null": r'"longitude":null,"latitude":null,',
            "coords_latitude_missing": r'^(?!.*"latitude":).*"longitude":[\d.]+,',
            "coords_longitude_last": r'"longitude":[\d.]+\}$',
            "coords_last_in_inner_object": r'"longitude":[\d.]+\},',
            "coords_spaces_and_line_break": r'"longitude": \r\n [\d.]+ ,"latitude" : ',
        }
        for case, pattern in shapes.items():
            map_text = self.awkward(case)[3] if case != "full" else self.m.map_text(self.demo.index, 0)
            self.assertRegex(map_text, pattern, case)

    def test_names_are_cyrillic(self):
        for g in self.d.regions:
            self.assertRegex(g.name, CYRILLIC)
            for c in g.cities:
                self.assertRegex(c.name, CYRILLIC)
        for s in (0, 5, 13, 10049):
            from sim.dataset import street_name
            self.assertRegex(street_name(s)[0], CYRILLIC)

    def test_region_sizes(self):
        kinds = {g.kind: g for g in self.d.regions}
        self.assertLessEqual(kinds["small"].houses, 10)
        self.assertEqual(kinds["thousand"].houses, 1000)
        self.assertEqual(kinds["big"].houses, 1000000)
        self.assertEqual(DataSet(big_count=1234).regions[2].houses, 1234)
        self.assertEqual(next(g for g in DataSet().regions if g.kind == "demo").houses, 6000)
        self.assertTrue(any(c.streets > 10000 for c in kinds["thousand"].cities))
        self.assertTrue(any(c.area is None for c in kinds["thousand"].cities))
        self.assertTrue(any(c.area is not None for c in kinds["thousand"].cities))


if __name__ == "__main__":
    unittest.main()
