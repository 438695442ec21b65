"""Search paging arithmetic and code look-up, checked in process against the data set."""

import math
import unittest

from sim.dataset import DataSet, street_range
from sim.houses import HouseMaker
from sim.routes import Router


def walk(data, ranges, size):
    """Pages the way the program does: ask page 1, 2, ... until `total` items have arrived."""
    got, page, total = [], 1, None
    for _ in range(100000):
        total, items = data.page(ranges, page, size)
        got.extend(items)
        if len(got) >= total:
            return total, got, page
        page += 1
    raise AssertionError("paging did not end")


class PagingTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.d = DataSet(seed=1, big_count=1000000, demo_count=6000)

    def test_pages_cover_the_matching_set_exactly_once(self):
        for r in (0, 1, 3):
            g = self.d.regions[r]
            ranges = self.d.matching(self.d.region_code(r), "", "")
            for size in (1, 7, 100, 1000, 5000):
                total, got, pages = walk(self.d, ranges, size)
                self.assertEqual(total, g.houses)
                self.assertEqual(got, [(r, i) for i in range(g.houses)])
                self.assertEqual(pages, max(1, math.ceil(g.houses / size)))

    def test_hidden_houses_are_left_out_of_total_and_pages(self):
        router = Router(self.d, hidden=[self.d.house_guid(0, 2)])
        ranges = self.d.matching(self.d.region_code(0), "", "")
        self.assertEqual(router._listed_page(ranges, 2, 3), (7, [(0, 4), (0, 5), (0, 6)]))
        self.assertEqual(router._listed_page(ranges, 3, 3), (7, [(0, 7)]))

    def test_page_beyond_the_end_is_empty_with_the_same_total(self):
        ranges = self.d.matching(self.d.region_code(1), "", "")
        self.assertEqual(self.d.page(ranges, 11, 100), (1000, []))
        self.assertEqual(self.d.page(ranges, 10, 100)[1][-1], (1, 999))
        self.assertEqual(len(self.d.page(ranges, 4, 300)[1]), 100)

    def test_city_and_street_narrowing(self):
        d = self.d
        for r in (0, 1, 3):
            g = d.regions[r]
            region = d.region_code(r)
            for c, city in enumerate(g.cities):
                code = d.city_code(r, c)
                total, houses = d.page(d.matching(region, code, ""), 1, 100000)
                self.assertEqual(total, city.houses)
                self.assertTrue(all(d.place(rr, i)[0] == c for rr, i in houses))
                by_street = 0
                for s in range(min(city.streets, 60)):
                    scode = d.street_code(r, c, s)
                    t1, h1 = d.page(d.matching(region, code, scode), 1, 100000)
                    t2, h2 = d.page(d.matching(region, "", scode), 1, 100000)
                    self.assertEqual((t1, h1), (t2, h2))
                    self.assertEqual(t1, street_range(city, s)[1])
                    self.assertTrue(all(d.place(rr, i)[1] == s for rr, i in h1))
                    by_street += t1
                if 0 < city.streets <= 60:
                    self.assertEqual(by_street, city.houses)

    def test_codes_that_do_not_fit_select_nothing(self):
        d = self.d
        other_city = d.city_code(1, 0)
        self.assertEqual(d.matching(d.region_code(0), other_city, ""), [])
        self.assertEqual(d.matching(d.region_code(0), "", d.street_code(1, 1, 0)), [])
        self.assertEqual(d.matching(d.region_code(1), d.city_code(1, 1), d.street_code(1, 2, 0)), [])
        self.assertEqual(d.matching("00000000-0000-0000-0000-000000000000", "", ""), [])
        self.assertEqual(d.matching(d.region_code(4), "", ""), [])
        tampered = d.region_code(1)[:-1] + "7"
        self.assertEqual(d.matching(tampered, "", ""), [])

    def test_empty_region_code_selects_every_region(self):
        total, _ = self.d.page(self.d.matching("", "", ""), 1, 1)
        self.assertEqual(total, sum(g.houses for g in self.d.regions))
        _, items = self.d.page(self.d.matching("", "", ""), 2, 8)
        self.assertEqual(items[0], (1, 0))

    def test_big_region_deep_pages(self):
        d = self.d
        ranges = d.matching(d.region_code(2), "", "")
        total, items = d.page(ranges, 10000, 100)
        self.assertEqual(total, 1000000)
        self.assertEqual(items[0], (2, 999900))
        self.assertEqual(items[-1], (2, 999999))
        self.assertEqual(d.page(ranges, 10001, 100), (1000000, []))
        self.assertEqual(d.place(2, 999999)[0], 9)
        last_city = d.city_code(2, 9)
        t, items = d.page(d.matching(d.region_code(2), last_city, ""), 1000, 100)
        self.assertEqual((t, len(items)), (100000, 100))

    def test_house_guids_lead_back_to_their_house(self):
        d = self.d
        for r, i in [(0, 0), (1, 999), (2, 0), (2, 999999), (3, 5999)]:
            self.assertEqual(d.find_house(d.house_guid(r, i)), (r, i))
        self.assertIsNone(d.find_house(d.house_guid(0, 8)))     # past the region's end
        self.assertIsNone(d.find_house(d.house_guid(1, 5)[:-1] + "0"))
        self.assertIsNone(d.find_house(DataSet(seed=2).house_guid(1, 5)))

    def test_items_carry_the_codes_of_their_place(self):
        d = self.d
        maker = HouseMaker(d)
        for r, i in [(0, 5), (1, 450), (2, 123456)]:
            c, s, _ = d.place(r, i)
            item = maker.item(r, i)
            self.assertEqual(item["guid"], d.house_guid(r, i))
            self.assertEqual(item["address"]["city"]["aoGuid"], d.city_code(r, c))
            if s is not None:
                self.assertEqual(item["address"]["street"]["aoGuid"], d.street_code(r, c, s))

    def test_same_seed_same_data_other_seed_other_codes(self):
        a, b, c = DataSet(seed=5), DataSet(seed=5), DataSet(seed=6)
        self.assertEqual(HouseMaker(a).item(1, 77), HouseMaker(b).item(1, 77))
        self.assertNotEqual(a.region_code(1), c.region_code(1))


if __name__ == "__main__":
    unittest.main()
