"""Redirect and cookie scenarios: chains, loops, 303 turning a POST into a GET, cookies sent back."""

import unittest

from tests.support import FIAS, PASSPORT, SEARCH, passport_body, search_body
from tests.test_faults import ScenarioCase, demo_house, small_region

REGIONS = FIAS + "regions"


class RedirectBase(ScenarioCase):
    def follow(self, method, target, body, limit):
        """Follows redirects like the program's client; returns the answers seen."""
        seen = []
        c = self.portal.connect()
        try:
            for _ in range(limit + 1):
                version = "HTTP/1.0" if method == "POST" else "HTTP/1.1"
                r = c.request(method, target, version, ["Connection: keep-alive"], body)
                seen.append(r)
                if r.status not in (301, 302, 303, 307) or len(seen) > limit:
                    break
                location = r.header("Location")
                self.assertTrue(location.startswith("https://localhost/"), location)
                target = location[len("https://localhost"):]
                if r.status == 303:
                    method, body = "GET", b""
                if r.header("Connection") == "close":
                    c.close()
                    c = self.portal.connect()
        finally:
            c.close()
        return seen


class Redirect301(RedirectBase):
    scenario = "redirect_301.json"

    def test(self):
        seen = self.follow("GET", REGIONS, b"", 14)
        self.assertEqual([r.status for r in seen], [301, 200])
        self.assertEqual(seen[0].status_line, "HTTP/1.1 301 Moved Permanently")
        self.assertEqual(len(seen[1].json()), 5)
        hop = self.portal.log_of("redirect")[0]
        self.assertEqual((hop["hop"], hop["method"]), (1, "GET"))


class Redirect302(RedirectBase):
    scenario = "redirect_302.json"

    def test(self):
        seen = self.follow("POST", SEARCH + "?pageIndex=1&elementsPerPage=3", search_body(small_region()["code"]), 14)
        self.assertEqual([r.status for r in seen], [302, 302, 200])
        self.assertEqual(seen[-1].json()["total"], 8)
        hops = self.portal.log_of("redirect")
        self.assertEqual([(e["method"], e["body"]) for e in hops],
                         [("POST", search_body(small_region()["code"]))] * 2)


class Redirect303(RedirectBase):
    scenario = "redirect_303.json"

    def test(self):
        h = demo_house()
        seen = self.follow("POST", PASSPORT, passport_body(h["guid"]), 14)
        self.assertEqual([r.status for r in seen], [303, 200])
        self.assertEqual(seen[-1].json()["houseGuid"], h["guid"])
        self.assertEqual(self.portal.log_of("redirect")[0]["method"], "GET")


class Redirect307(RedirectBase):
    scenario = "redirect_307.json"

    def test(self):
        seen = self.follow("POST", SEARCH + "?pageIndex=3&elementsPerPage=3", search_body(small_region()["code"]), 14)
        self.assertEqual([r.status for r in seen], [307, 200])
        self.assertEqual(seen[0].status_line, "HTTP/1.1 307 Temporary Redirect")
        self.assertEqual(len(seen[-1].json()["items"]), 2)


class RedirectChain15(RedirectBase):
    scenario = "redirect_chain_15.json"

    def test(self):
        seen = self.follow("GET", REGIONS, b"", 14)
        self.assertEqual(len(seen), 15)
        self.assertTrue(all(r.status == 302 for r in seen))
        seen = self.follow("GET", REGIONS, b"", 15)
        self.assertEqual([r.status for r in seen], [302] * 15 + [200])


class RedirectLoop(RedirectBase):
    scenario = "redirect_loop.json"

    def test(self):
        seen = self.follow("GET", REGIONS, b"", 30)
        self.assertEqual(len(seen), 31)
        self.assertTrue(all(r.status == 302 for r in seen))
        locations = [r.header("Location") for r in seen]
        self.assertEqual(len(set(locations)), 2)
        self.assertNotEqual(locations[1], locations[2])
        self.assertEqual(locations[1], locations[3])


class Cookie(ScenarioCase):
    scenario = "set_cookie.json"

    def test(self):
        r = self.request("GET", REGIONS)
        self.assertEqual(r.header("Set-Cookie"), "PORTALSID=s1d-42; Path=/")
        areas = FIAS + "areas?actual=true&itemsPerPage=1000&page=1&searchString=&regionCode=" + small_region()["code"]
        self.assertEqual(self.request("GET", areas).status, 403)
        self.assertEqual(self.request("GET", areas, headers=["Cookie: PORTALSID=s1d-42"]).status, 200)
        self.assertEqual(self.portal.log_of("areas")[-1]["headers"][-1], "Cookie: PORTALSID=s1d-42")


if __name__ == "__main__":
    unittest.main()
