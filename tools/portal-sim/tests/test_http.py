"""HTTP/1.0 and HTTP/1.1 on the wire: keep-alive, framing, strictness, TLS, log format, stop."""

import os
import signal
import socket
import ssl
import subprocess
import sys
import time
import unittest

from tests.support import (FIAS, PASSPORT, PROGRAM, SEARCH, SOCKET_TIMEOUT, STOP_WAIT, WORKER_UA, Portal,
                           PortalTest, describe, passport_body, search_body)

REGIONS = FIAS + "regions"


class KeepAliveTest(PortalTest):
    def test_http11_keeps_the_connection_unless_asked_to_close(self):
        c = self.portal.connect()
        try:
            first = c.request("GET", REGIONS)
            self.assertEqual(first.status_line, "HTTP/1.1 200 OK")
            self.assertIsNone(first.header("Connection"))
            second = c.request("GET", REGIONS, headers=["Connection: close"])
            self.assertEqual(second.status, 200)
            self.assertEqual(second.header("Connection"), "close")
            self.assertTrue(c.at_eof())
        finally:
            c.close()
        conns = [e["conn"] for e in self.portal.log()[-2:]]
        self.assertEqual(conns[0], conns[1])

    def test_http10_keeps_only_with_keep_alive(self):
        c = self.portal.connect()
        try:
            r = c.request("GET", REGIONS, "HTTP/1.0")
            self.assertEqual(r.header("Connection"), "close")
            self.assertTrue(c.at_eof())
        finally:
            c.close()
        c = self.portal.connect()
        try:
            r = c.request("GET", REGIONS, "HTTP/1.0", ["Connection: Keep-Alive"])
            self.assertEqual(r.header("Connection"), "keep-alive")
            r = c.request("GET", REGIONS, "HTTP/1.1")
            self.assertEqual(r.status, 200)
            self.assertFalse(c.at_eof(0.1))
        finally:
            c.close()

    def test_answers_carry_content_length_by_default(self):
        r = self.get(REGIONS)
        self.assertEqual(r.framing, "length")
        self.assertEqual(int(r.header("Content-Length")), len(r.body))

    def test_request_body_in_chunked_coding_is_read(self):
        g = describe()["regions"][0]
        body = search_body(g["code"]).encode()
        c = self.portal.connect()
        try:
            head = ("POST %s?pageIndex=1&elementsPerPage=2 HTTP/1.1\r\nHost: localhost\r\n"
                    "Transfer-Encoding: chunked\r\n\r\n" % SEARCH).encode()
            c.send(head + b"10\r\n" + body[:16] + b"\r\n%x\r\n" % (len(body) - 16) + body[16:] + b"\r\n0\r\n\r\n")
            r = c.read_response()
        finally:
            c.close()
        self.assertEqual(r.status, 200)
        self.assertEqual(r.json()["total"], g["houses"])
        self.assertEqual(self.portal.log()[-1]["body"], body.decode())


class ChunkedServerTest(PortalTest):
    server_args = ("--chunked",)

    def test_http11_chunked_http10_length(self):
        r11 = self.get(REGIONS)
        self.assertEqual(r11.framing, "chunked")
        self.assertIsNone(r11.header("Content-Length"))
        r10 = self.get(REGIONS, "HTTP/1.0")
        self.assertEqual(r10.framing, "length")
        self.assertEqual(r11.body, r10.body)
        self.assertEqual(len(r11.json()), 5)


class ConcurrencyTest(PortalTest):
    def test_parallel_connections_are_served_side_by_side(self):
        import threading
        results = []
        lock = threading.Lock()

        def client():
            c = self.portal.connect()
            try:
                codes = [c.request("GET", REGIONS).status for _ in range(5)]
            finally:
                c.close()
            with lock:
                results.append(codes)

        threads = [threading.Thread(target=client) for _ in range(10)]
        for t in threads:
            t.start()
        for t in threads:
            t.join(60)
        self.assertEqual(results, [[200] * 5] * 10)
        log = self.portal.log_of("regions")
        self.assertEqual(len(log), 50)
        self.assertEqual(len({e["conn"] for e in log}), 10)
        self.assertEqual(sorted(e["n"] for e in log), list(range(1, 51)))


class StrictnessTest(PortalTest):
    def send_raw(self, data):
        c = self.portal.connect()
        try:
            c.send(data)
            r = c.read_response()
            closed = c.at_eof()
        finally:
            c.close()
        return r, closed, self.portal.log()[-1]

    def test_malformed_requests_get_400_and_are_logged(self):
        cases = [
            (b"GET /nsi/api/rest/services/nsi/fias/v4/regions\r\n\r\n", "request line"),
            (b"GET  /x HTTP/1.1\r\nHost: a\r\n\r\n", "request line"),
            (b"GET /x HTTP/1.1\nHost: a\n\n", "CRLF"),
            (b"GET /x HTTP/1.1\r\nHost : a\r\n\r\n", "malformed header"),
            (b"GET /x HTTP/1.1\r\nHost: a\r\n folded\r\n\r\n", "folded"),
            (b"GET /x HTTP/1.1\r\nAccept: */*\r\n\r\n", "Host"),
            (b"GET http://a/x HTTP/1.1\r\nHost: a\r\n\r\n", "origin-form"),
            (b"GET /\xd0\xb0 HTTP/1.1\r\nHost: a\r\n\r\n", "visible ASCII"),
            (b"POST /x HTTP/1.1\r\nHost: a\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\nab",
             "Content-Length"),
            (b"GET /x HTTP/1.1\r\nHost: a\r\nContent-Length: -1\r\n\r\n", "Content-Length"),
            (b"GET /x HTTP/1.1\r\nHost: a\r\nTransfer-Encoding: gzip\r\n\r\n", "transfer coding"),
            (b"GET /x HTTP/1.1\r\nHost: a\r\nContent-Length: 2\r\nTransfer-Encoding: chunked\r\n\r\n",
             "both"),
        ]
        for data, reason in cases:
            r, closed, entry = self.send_raw(data)
            self.assertEqual(r.status_line, "HTTP/1.1 400 Bad Request", data)
            self.assertEqual(r.header("Connection"), "close", data)
            self.assertTrue(closed, data)
            self.assertIn(reason, entry["error"], data)
            self.assertEqual(entry["endpoint"], "other")
        self.assertEqual(self.portal.log()[-1]["headers"],
                         ["Host: a", "Content-Length: 2", "Transfer-Encoding: chunked"])

    def test_request_cut_short_by_the_client_is_logged(self):
        c = self.portal.connect()
        c.send(b"POST %s HTTP/1.0\r\nContent-Length: 50\r\n\r\n{\"houseGuid\"" % PASSPORT.encode())
        c.sock.close()
        entry = None
        for _ in range(100):
            log = self.portal.log()
            if log and log[-1].get("error", "") == "request incomplete: closed by the client":
                entry = log[-1]
                break
            time.sleep(0.02)
        self.assertIsNotNone(entry)
        self.assertEqual((entry["method"], entry["target"]), ("POST", PASSPORT))
        self.assertEqual(entry["headers"], ["Content-Length: 50"])
        self.assertEqual(entry["unread"], '{"houseGuid"')

    def test_post_without_length_and_unknown_version(self):
        r, _, entry = self.send_raw(b"POST %s HTTP/1.0\r\nConnection: keep-alive\r\n\r\n" % PASSPORT.encode())
        self.assertEqual(r.status_line, "HTTP/1.1 411 Length Required")
        self.assertEqual(entry["method"], "POST")
        r, _, entry = self.send_raw(b"GET / HTTP/2.0\r\nHost: a\r\n\r\n")
        self.assertEqual(r.status_line, "HTTP/1.1 505 HTTP Version Not Supported")
        self.assertEqual(entry["version"], "HTTP/2.0")

    def test_head_gets_no_body(self):
        c = self.portal.connect()
        try:
            r = c.request("HEAD", "/nowhere")
            self.assertEqual(r.status, 404)
            self.assertEqual(c.request("GET", REGIONS).status, 200)
        finally:
            c.close()

    def test_expect_100_continue_is_answered_before_the_body(self):
        g = describe()["regions"][0]
        body = search_body(g["code"]).encode()
        c = self.portal.connect()
        try:
            c.send(("POST %s?pageIndex=1&elementsPerPage=2 HTTP/1.1\r\nHost: localhost\r\n"
                    "Expect: 100-continue\r\nContent-Length: %d\r\n\r\n" % (SEARCH, len(body))).encode())
            self.assertEqual(c._line(), "HTTP/1.1 100 Continue")
            self.assertEqual(c._line(), "")
            c.send(body)
            r = c.read_response("POST")
        finally:
            c.close()
        self.assertEqual((r.status, r.json()["total"]), (200, g["houses"]))

    def test_http10_request_needs_no_host(self):
        c = self.portal.connect()
        try:
            r = c.request("GET", REGIONS, "HTTP/1.0", host=False)
        finally:
            c.close()
        self.assertEqual(r.status, 200)


class LogAndTlsTest(PortalTest):
    def test_log_line_of_a_worker_post(self):
        g = describe()["regions"][3]
        guid = g["sample_houses"][0]["guid"]
        headers = ["Connection: keep-alive", "Content-Type: application/json; charset=UTF-8",
                   "Content-Length: %d" % len(passport_body(guid)),
                   "Request-GUID: 00000000-0000-0000-0000-000000000000", "Session-GUID: 0",
                   "Host: localhost", "Accept: text/html, */*", "Referer: https://localhost",
                   "User-Agent: " + WORKER_UA]
        c = self.portal.connect(max_tls=ssl.TLSVersion.TLSv1_2)
        try:
            c.send(("POST %s HTTP/1.0\r\n" % PASSPORT + "\r\n".join(headers) + "\r\n\r\n"
                    + passport_body(guid)).encode())
            r = c.read_response("POST")
        finally:
            c.close()
        self.assertEqual(r.status, 200)
        e = self.portal.log()[-1]
        self.assertEqual(set(e), {"conn", "tls", "sni", "method", "target", "version", "headers",
                                  "body", "endpoint", "n", "time", "fault"})
        self.assertIsInstance(e["conn"], int)
        self.assertEqual(e["tls"], "TLSv1.2")
        self.assertEqual(e["sni"], "localhost")
        self.assertEqual((e["method"], e["target"], e["version"]), ("POST", PASSPORT, "HTTP/1.0"))
        self.assertEqual(e["headers"], headers)
        self.assertEqual(e["body"], passport_body(guid))
        self.assertEqual((e["endpoint"], e["fault"]), ("passport", None))

    def test_request_numbers_count_per_kind(self):
        before = [e for e in self.portal.log() if e["endpoint"] == "regions"]
        self.get(REGIONS)
        self.get(REGIONS)
        self.get("/nowhere")
        after = [e["n"] for e in self.portal.log() if e["endpoint"] == "regions"]
        self.assertEqual(after[-2:], [len(before) + 1, len(before) + 2])
        self.assertEqual(len(set(e["conn"] for e in self.portal.log())), len(self.portal.log()))

    def test_tls13_offered_unless_capped(self):
        c = self.portal.connect()
        try:
            self.assertEqual(c.sock.version(), "TLSv1.3")
        finally:
            c.close()


class ProcessTest(unittest.TestCase):
    def test_start_fast_origin_file_and_clean_stop(self):
        p = Portal("--max-tls", "1.2")
        try:
            self.assertLess(p.startup_seconds, 10.0)
            c = p.connect()
            self.assertEqual(c.sock.version(), "TLSv1.2")
            self.assertEqual(c.request("GET", REGIONS).status, 200)
            # an open keep-alive connection does not hold the stop up
            t = time.monotonic()
            self.assertEqual(p.stop(), 0)
            self.assertLess(time.monotonic() - t, 5.0)
            c.close()
        finally:
            p.stop()

    def test_sigterm_is_prompt_with_a_handshake_and_a_keep_alive_connection_open(self):
        p = Portal()
        silent = partial = idle = None
        try:
            silent = socket.create_connection(("127.0.0.1", p.port), timeout=SOCKET_TIMEOUT)
            partial = socket.create_connection(("127.0.0.1", p.port), timeout=SOCKET_TIMEOUT)
            # the first bytes of a TLS record holding a ClientHello, and no more
            partial.sendall(b"\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03")
            idle = p.connect()
            # connections are accepted in order: once this answer is in, both stalled ones have
            # been handed to their threads, which wait in the TLS handshake
            self.assertEqual(idle.request("GET", REGIONS).status, 200)
            started = time.monotonic()
            status = p.stop()
            seconds = time.monotonic() - started
            print("\nportal-sim stop with open connections: %.3f s" % seconds, file=sys.stderr)
            self.assertEqual(status, 0)
            self.assertLess(seconds, 5.0)
            self.assertTrue(idle.at_eof())
            for s in (silent, partial):
                try:
                    self.assertEqual(s.recv(100), b"")
                except ConnectionResetError:
                    pass
        finally:
            for s in (silent, partial, idle):
                if s is not None:
                    s.close()
            p.stop()

    def test_idle_keep_alive_connection_is_closed(self):
        p = Portal("--idle-timeout", "0.3")
        try:
            c = p.connect()
            self.assertEqual(c.request("GET", REGIONS).status, 200)
            started = time.monotonic()
            self.assertTrue(c.at_eof())
            # well before the default idle time-out of 120 s
            self.assertLess(time.monotonic() - started, 20.0)
            c.close()
        finally:
            self.assertEqual(p.stop(), 0)

    def test_origin_file_and_bad_scenario(self):
        import tempfile
        with tempfile.TemporaryDirectory() as d:
            origin_file = os.path.join(d, "origin")
            proc = subprocess.Popen([sys.executable, PROGRAM, "--origin-file", origin_file],
                                    stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            try:
                line = proc.stdout.readline().decode().strip()
                with open(origin_file) as f:
                    self.assertEqual(f.read().strip(), line)
            finally:
                proc.send_signal(signal.SIGTERM)
                self.assertEqual(proc.wait(STOP_WAIT), 0)
                proc.stdout.close()
                proc.stderr.close()
            bad = os.path.join(d, "bad.json")
            with open(bad, "w") as f:
                f.write('# comment\n{"rules": [{"endpoint": "search", "fault": "explode"}]}\n')
            out = subprocess.run([sys.executable, PROGRAM, "--scenario", bad], capture_output=True, timeout=60)
            self.assertEqual(out.returncode, 2)
            self.assertIn(b"explode", out.stderr)


if __name__ == "__main__":
    unittest.main()
