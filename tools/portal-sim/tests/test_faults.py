"""Every scenario file of scenarios/ switched on, and the fault it names seen on the wire."""

import json
import re
import ssl
import time
import unittest

from sim.dataset import DataSet
from sim.houses import HouseMaker, dumps
from tests.support import (CARD, FIAS, MAP, PASSPORT, SCENARIOS, SEARCH, SOCKET_TIMEOUT, Portal, describe,
                           passport_body, search_body)

REGIONS = FIAS + "regions"
DESC = None


def desc():
    global DESC
    if DESC is None:
        DESC = describe()
    return DESC


def demo_house(case="full"):
    g = next(r for r in desc()["regions"] if r["kind"] == "demo")
    return next(h for h in g["sample_houses"] if h["case"] == case)


def small_region():
    return next(r for r in desc()["regions"] if r["kind"] == "small")


class ScenarioCase(unittest.TestCase):
    scenario = None

    def setUp(self):
        self.portal = Portal(scenario=self.scenario)

    def tearDown(self):
        self.assertEqual(self.portal.stop(), 0)

    def request(self, method, target, body=b"", version=None, headers=None):
        if version is None:
            version = "HTTP/1.0" if method == "POST" else "HTTP/1.1"
        if headers is None:
            headers = ["Connection: keep-alive"] if method == "POST" else []
        c = self.portal.connect()
        try:
            return c.request(method, target, version, headers, body)
        finally:
            c.close()

    def search(self, page=1, size=3):
        return self.request("POST", SEARCH + "?pageIndex=%d&elementsPerPage=%d" % (page, size),
                            search_body(small_region()["code"]))

    def send_search(self, connection):
        """Sends the first search page as raw HTTP/1.0 on a connection of the test's own."""
        body = search_body(small_region()["code"]).encode()
        connection.send(b"POST %s?pageIndex=1&elementsPerPage=3 HTTP/1.0\r\n"
                        b"Content-Length: %d\r\n\r\n" % (SEARCH.encode(), len(body)) + body)

    def faults(self, kind):
        return [(e["n"], e["fault"]) for e in self.portal.log_of(kind)]


class CloseBeforeStatus(ScenarioCase):
    scenario = "close_before_status.json"

    def test(self):
        c = self.portal.connect()
        try:
            self.send_search(c)
            # a clean end: TLS close_notify (else SSLEOFError), and not one byte of answer
            self.assertEqual(c.sock.recv(100), b"")
        finally:
            c.close()
        self.assertEqual(self.search().status, 200)
        self.assertEqual(self.faults("search"), [(1, "close_before_status"), (2, None)])


class CloseReset(ScenarioCase):
    scenario = "close_reset.json"

    def test(self):
        c = self.portal.connect()
        try:
            self.send_search(c)
            self.assertEqual(c.raw_tail()[-1], "ConnectionResetError")
        finally:
            c.close()
        self.assertEqual(self.search().status, 200)


class CloseMidBody(ScenarioCase):
    scenario = "close_mid_body.json"

    def test(self):
        r = self.request("GET", REGIONS)
        self.assertEqual(r.status, 200)
        self.assertFalse(r.complete)
        self.assertEqual(len(r.body), int(r.header("Content-Length")) // 2)
        full = self.request("GET", REGIONS)
        self.assertTrue(full.complete)
        self.assertEqual(full.body[:len(r.body)], r.body)


class CloseMidBodyAbrupt(ScenarioCase):
    scenario = "close_mid_body_abrupt.json"

    def test(self):
        c = self.portal.connect()
        try:
            c.send(b"GET %s HTTP/1.1\r\nHost: localhost\r\n\r\n" % REGIONS.encode())
            received = b""
            with self.assertRaises(ssl.SSLEOFError):
                for _ in range(1000):
                    data = c.sock.recv(65536)
                    self.assertTrue(data)
                    received += data
        finally:
            c.close()
        head, _, body = received.partition(b"\r\n\r\n")
        length = int(re.search(rb"Content-Length: (\d+)", head).group(1))
        self.assertEqual(len(body), length // 2)


class Status404(ScenarioCase):
    scenario = "status_404.json"

    def test(self):
        h = demo_house()
        r = self.request("GET", CARD + h["houseTypeCode"] + "/" + h["guid"])
        self.assertEqual(r.status_line, "HTTP/1.1 404 Not Found")
        self.assertEqual(self.request("GET", MAP + h["guid"]).status, 200)


class Status500(ScenarioCase):
    scenario = "status_500.json"

    def test(self):
        lines = [self.search().status_line for _ in range(3)]
        self.assertEqual(lines, ["HTTP/1.1 200 OK", "HTTP/1.1 500 Internal Server Error", "HTTP/1.1 200 OK"])


class Status503(ScenarioCase):
    scenario = "status_503.json"

    def test(self):
        h = demo_house()
        codes = [self.request("GET", MAP + h["guid"]).status for _ in range(3)]
        self.assertEqual(codes, [503, 503, 200])
        self.assertEqual(self.request("GET", MAP + h["guid"]).status_line.split(" ", 1)[0], "HTTP/1.1")


class Delay(ScenarioCase):
    scenario = "delay.json"

    def wait_for_log(self, kind):
        """Waits (boundedly) until the server has logged a request of this kind."""
        deadline = time.monotonic() + SOCKET_TIMEOUT
        while not self.portal.log_of(kind) and time.monotonic() < deadline:
            time.sleep(0.02)
        self.assertTrue(self.portal.log_of(kind))

    @staticmethod
    def answer_pending(connection):
        """True when no answer byte has arrived on the connection yet (the test does not wait)."""
        connection.sock.settimeout(0)
        try:
            connection.sock.recv(1)
            return False
        except ssl.SSLWantReadError:
            return True
        finally:
            connection.sock.settimeout(SOCKET_TIMEOUT)

    def test_late_answer_does_not_hold_others(self):
        h = demo_house()
        slow = self.portal.connect()
        try:
            started = time.monotonic()
            slow.send(("POST %s HTTP/1.0\r\nConnection: keep-alive\r\nContent-Length: %d\r\n\r\n%s"
                       % (PASSPORT, len(passport_body(h["guid"])), passport_body(h["guid"]))).encode())
            self.wait_for_log("passport")
            # another connection is served while the late answer is still being held back
            self.assertEqual(self.request("GET", REGIONS).status, 200)
            self.assertTrue(self.answer_pending(slow))
            r = slow.read_response("POST")
            self.assertGreaterEqual(time.monotonic() - started, 1.9)
            self.assertEqual(r.status, 200)
            self.assertIn("parameters", r.json())
        finally:
            slow.close()
        self.assertEqual(self.faults("passport"), [(1, "delay")])

    def test_stop_during_a_delay_is_prompt(self):
        h = demo_house()
        slow = self.portal.connect()
        try:
            body = passport_body(h["guid"])
            slow.send(("POST %s HTTP/1.0\r\nContent-Length: %d\r\n\r\n%s" % (PASSPORT, len(body), body)).encode())
            self.wait_for_log("passport")
            self.assertTrue(self.answer_pending(slow))
            started = time.monotonic()
            self.assertEqual(self.portal.stop(), 0)
            self.assertLess(time.monotonic() - started, 5.0)
            # the stop cut the delay short: the connection ended without the answer
            self.assertTrue(slow.at_eof())
        finally:
            slow.close()


class EmptyBody(ScenarioCase):
    scenario = "empty_body.json"

    def test(self):
        r = self.search()
        self.assertEqual((r.status, r.header("Content-Length"), r.body), (200, "0", b""))
        self.assertEqual(self.search().json()["total"], 8)


class WhitespaceBody(ScenarioCase):
    scenario = "whitespace_body.json"

    def test(self):
        r = self.search()
        self.assertEqual((r.status, r.body), (200, b" \r\n\t "))


class Html200(ScenarioCase):
    scenario = "html_200.json"

    def test(self):
        h = demo_house()
        r = self.request("GET", CARD + h["houseTypeCode"] + "/" + h["guid"])
        self.assertEqual(r.status, 200)
        self.assertTrue(r.header("Content-Type").startswith("text/html"))
        self.assertTrue(r.body.startswith(b"<!DOCTYPE html>"))
        self.assertNotIn(b"\\", r.body)


class TruncatedJson(ScenarioCase):
    scenario = "truncated_json.json"

    def test(self):
        h = demo_house()
        r = self.request("POST", PASSPORT, passport_body(h["guid"]))
        d = DataSet()
        real = dumps(HouseMaker(d).passport(*d.find_house(h["guid"]))).encode()
        self.assertEqual(int(r.header("Content-Length")), len(r.body))
        self.assertTrue(0 < len(r.body) < len(real))
        self.assertTrue(real.startswith(r.body))
        with self.assertRaises(ValueError):
            json.loads(r.body.decode("utf-8"))


class Continue100(ScenarioCase):
    scenario = "continue_100.json"

    def test(self):
        r = self.search()
        self.assertEqual(r.interim, ["HTTP/1.1 100 Continue"])
        self.assertEqual(r.status, 200)
        self.assertEqual(r.json()["total"], 8)


class ConnectionClose(ScenarioCase):
    scenario = "connection_close.json"

    def test(self):
        c = self.portal.connect()
        try:
            r = c.request("GET", MAP + demo_house()["guid"])
            self.assertEqual((r.status, r.header("Connection")), (200, "close"))
            self.assertTrue(c.at_eof())
        finally:
            c.close()


class CloseDelimited(ScenarioCase):
    scenario = "close_delimited.json"

    def test(self):
        h = demo_house()
        r = self.request("GET", CARD + h["houseTypeCode"] + "/" + h["guid"])
        self.assertEqual(r.framing, "close")
        self.assertIsNone(r.header("Content-Length"))
        self.assertEqual(r.json()["guid"], h["guid"])


class Chunked(ScenarioCase):
    scenario = "chunked.json"

    def test(self):
        h = demo_house()
        target = CARD + h["houseTypeCode"] + "/" + h["guid"]
        r11 = self.request("GET", target)
        r10 = self.request("GET", target, version="HTTP/1.0")
        self.assertEqual((r11.framing, r10.framing), ("chunked", "length"))
        self.assertEqual(r11.body, r10.body)
        cities = FIAS + "cities?actual=true&itemsPerPage=1000&page=1&searchString=&regionCode=" + small_region()["code"]
        self.assertEqual(self.request("GET", cities).framing, "chunked")
        self.assertEqual(self.request("GET", REGIONS).framing, "length")


class CharsetNone(ScenarioCase):
    scenario = "charset_none.json"

    def test(self):
        r = self.request("GET", REGIONS)
        self.assertEqual(r.header("Content-Type"), "application/json")
        self.assertEqual(r.json()[0]["formalName"], "Тестовая")


class CharsetCp1251(ScenarioCase):
    scenario = "charset_cp1251.json"

    def test(self):
        r = self.request("GET", REGIONS)
        self.assertEqual(r.header("Content-Type"), "application/json;charset=windows-1251")
        self.assertIn("Тестовая".encode("cp1251"), r.body)
        self.assertEqual(json.loads(r.body.decode("cp1251"))[0]["formalName"], "Тестовая")


class Raw(ScenarioCase):
    scenario = "raw_bare_lf.json"

    def test(self):
        c = self.portal.connect()
        try:
            c.send(b"GET %s HTTP/1.1\r\nHost: localhost\r\n\r\n" % REGIONS.encode())
            for _ in range(100):
                if not c._more():
                    break
            self.assertEqual(c.buf, b"HTTP/1.1 200 OK\nContent-Type: application/json;charset=UTF-8\n\n[]")
        finally:
            c.close()


class ScenarioFiles(unittest.TestCase):
    def test_every_scenario_file_loads_and_has_a_test(self):
        import glob
        import os
        import sys
        from sim.faults import Scenario
        import tests.test_redirects
        tested = set()
        for module in (sys.modules[__name__], tests.test_redirects):
            tested |= {getattr(v, "scenario", None) for v in vars(module).values() if isinstance(v, type)}
        tested.add("random_soak.json")
        files = sorted(os.path.basename(f) for f in glob.glob(os.path.join(SCENARIOS, "*.json")))
        self.assertGreaterEqual(len(files), 25)
        for name in files:
            self.assertTrue(Scenario.load(os.path.join(SCENARIOS, name)).rules, name)
            self.assertIn(name, tested)
            with open(os.path.join(SCENARIOS, name), encoding="utf-8") as f:
                self.assertTrue(f.readline().startswith("#"), name + " starts with a comment")

    def test_base64_raw_answer_and_indented_comments(self):
        import base64
        import os
        import tempfile
        answer = b"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n[]"
        with tempfile.TemporaryDirectory() as d:
            path = os.path.join(d, "raw64.json")
            with open(path, "w") as f:
                f.write('{"rules": [\n    # indented comment\n  {"endpoint": "any", "fault": "raw",'
                        ' "response_base64": "%s"}\n]}\n' % base64.b64encode(answer).decode())
            p = Portal("--scenario", path)
            try:
                c = p.connect()
                c.send(b"GET /anything HTTP/1.1\r\nHost: localhost\r\n\r\n")
                for _ in range(100):
                    if not c._more():
                        break
                c.close()
                self.assertEqual(c.buf, answer)
                self.assertEqual(p.log()[-1]["fault"], "raw")
            finally:
                self.assertEqual(p.stop(), 0)


class RandomSoak(unittest.TestCase):
    def run_soak(self, count):
        p = Portal(scenario="random_soak.json")
        statuses = []
        try:
            c = p.connect()
            for _ in range(count):
                try:
                    r = c.request("GET", MAP + demo_house()["guid"])
                    statuses.append(r.status if r.complete and r.body.strip() else "broken")
                    if r.header("Connection") == "close":
                        raise EOFError
                except (EOFError, ValueError, OSError):
                    statuses.append("closed")
                    c.close()
                    c = p.connect()
            c.close()
            faults = [(e["n"], e["fault"]) for e in p.log_of("map")]
        finally:
            self.assertEqual(p.stop(), 0)
        return faults, statuses

    def test_faults_at_the_rate_and_repeatable(self):
        first, statuses = self.run_soak(100)
        second, _ = self.run_soak(100)
        self.assertEqual(first, second)
        hit = [f for _, f in first if f]
        self.assertTrue(3 <= len(hit) <= 25, hit)
        self.assertGreaterEqual(len(set(hit)), 3)
        self.assertIn(503, statuses)
        self.assertIn(200, statuses)


if __name__ == "__main__":
    unittest.main()
