"""One instance serves the 1,000,000-house region without growing past 200 MB."""

import sys
import unittest

from tests.support import CARD, FIAS, MAP, PASSPORT, SEARCH, Portal, describe, passport_body, search_body

LIMIT_KB = 200 * 1024


def memory_kb(pid):
    values = {}
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            name, _, rest = line.partition(":")
            if name in ("VmRSS", "VmHWM"):
                values[name] = int(rest.split()[0])
    return values


class BigRegionMemoryTest(unittest.TestCase):
    def test_deep_pages_stay_small(self):
        big = next(g for g in describe()["regions"] if g["kind"] == "big")
        self.assertEqual(big["houses"], 1000000)
        p = Portal()
        try:
            start = memory_kb(p.proc.pid)
            c = p.connect()
            last_guid = None
            for page, size in [(1, 100), (2500, 100), (5000, 200), (7777, 100), (10000, 100),
                               (1000, 1000), (10001, 100)]:
                r = c.request("POST", SEARCH + "?pageIndex=%d&elementsPerPage=%d" % (page, size),
                              "HTTP/1.1", [], search_body(big["code"]))
                doc = r.json()
                self.assertEqual(doc["total"], 1000000)
                self.assertEqual(len(doc["items"]), size if page * size <= 1000000 else 0)
                if page == 10000:
                    last_guid = doc["items"][-1]["guid"]
            r = c.request("GET", FIAS + "streets?actual=true&itemsPerPage=10000&page=1&searchString="
                          "&regionCode=%s&areaCode=&cityCode=" % big["code"])
            self.assertEqual(len(r.json()), 10000)
            self.assertEqual(c.request("GET", MAP + last_guid).status, 200)
            self.assertEqual(c.request("GET", CARD + "1/" + last_guid).status, 200)
            self.assertEqual(c.request("POST", PASSPORT, "HTTP/1.1", [], passport_body(last_guid)).status, 200)
            c.close()
            end = memory_kb(p.proc.pid)
            print("\nportal-sim memory (kB): start %s, after deep paging %s" % (start, end), file=sys.stderr)
            self.assertLess(end["VmHWM"], LIMIT_KB)
        finally:
            self.assertEqual(p.stop(), 0)


if __name__ == "__main__":
    unittest.main()
