"""Helpers of the self-tests: a server subprocess and a small raw HTTPS client."""

import json
import os
import select
import signal
import socket
import ssl
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
PROGRAM = os.path.join(ROOT, "portal_sim.py")
SCENARIOS = os.path.join(ROOT, "scenarios")

FIAS = "/nsi/api/rest/services/nsi/fias/v4/"
SEARCH = "/homemanagement/api/rest/services/houses/public/searchByAddress"
CARD = "/homemanagement/api/rest/services/houses/public/"
MAP = "/search/api/rest/services/map/findByGuid?houseId="
PASSPORT = "/homemanagement/api/rest/services/passports/search"

WORKER_UA = "Mozilla/5.0 (Windows NT 6.1; Win64; x64; rv:109.0) Gecko/20100101 Firefox/114.0"

# Waits that only bound a hang. They are generous so that a busy machine (a parallel build, other
# tests) never fails a test; a healthy server answers in milliseconds.
START_WAIT = 30         # seconds for the origin line
SOCKET_TIMEOUT = 30     # seconds for any one read or write of a test connection
STOP_WAIT = 20          # seconds for the exit after SIGTERM


def search_body(region="", city="", street=""):
    return ('{"regionCode":"%s","cityCode":"%s","streetCode":"%s","fiasHouseCodeList":null,'
            '"estStatus":null,"strStatus":null,"calcCount":true,"houseConditionRefList":null,'
            '"houseTypeRefList":null,"houseManagementTypeRefList":null,"cadastreNumber":null,'
            '"oktmo":null,"statuses":["APPROVED"],"regionProperty":null,"municipalProperty":null,'
            '"hostelTypeCodes":null}' % (region, city, street))


def passport_body(guid):
    return '{"houseGuid":"%s","passportParameterCode":null}' % guid


def describe(*extra):
    out = subprocess.run([sys.executable, "-S", PROGRAM, "--describe"] + list(extra),
                         check=True, capture_output=True, timeout=60)
    return json.loads(out.stdout)


class Portal:
    """The server as a subprocess on an ephemeral port, with its request log."""

    def __init__(self, *args, scenario=None):
        self.folder = tempfile.mkdtemp(prefix="portal-sim-test-")
        self.log_path = os.path.join(self.folder, "requests.log")
        cmd = [sys.executable, "-S", PROGRAM, "--port", "0", "--log", self.log_path] + list(args)
        if scenario:
            cmd += ["--scenario", os.path.join(SCENARIOS, scenario)]
        # diagnostics go to a file: a pipe that nobody reads could fill up and block the server
        self.stderr_path = os.path.join(self.folder, "stderr.txt")
        self.started = time.monotonic()
        with open(self.stderr_path, "wb") as err:
            self.proc = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=err)
        ready, _, _ = select.select([self.proc.stdout], [], [], START_WAIT)
        self.origin = self.proc.stdout.readline().decode().strip() if ready else ""
        self.startup_seconds = time.monotonic() - self.started
        if not self.origin.startswith("https://127.0.0.1:"):
            self.proc.kill()
            self.proc.wait()
            self.proc.stdout.close()
            raise RuntimeError("portal-sim did not start: %r %s" % (self.origin, self.stderr()))
        self.port = int(self.origin.rsplit(":", 1)[1])

    def stop(self):
        """SIGTERM, then the exit status (killing it after STOP_WAIT counts as a failure: -9)."""
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(STOP_WAIT)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
                self.proc.stdout.close()
                return -9
        self.proc.stdout.close()
        return self.proc.returncode

    def stderr(self):
        with open(self.stderr_path, encoding="utf-8", errors="replace") as f:
            return f.read()

    def log(self):
        with open(self.log_path, encoding="utf-8") as f:
            return [json.loads(line) for line in f if line.strip()]

    def log_of(self, kind):
        return [e for e in self.log() if e["endpoint"] == kind]

    def connect(self, server_name="localhost", max_tls=None):
        ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_CLIENT)
        ctx.check_hostname = False
        ctx.verify_mode = ssl.CERT_NONE
        if max_tls:
            ctx.maximum_version = max_tls
        sock = socket.create_connection(("127.0.0.1", self.port), timeout=SOCKET_TIMEOUT)
        # Without ragged EOFs suppressed, a close without TLS close_notify raises SSLEOFError
        # instead of looking like a clean end of stream.
        return RawClient(ctx.wrap_socket(sock, server_hostname=server_name, suppress_ragged_eofs=False))


class Response:
    def __init__(self):
        self.interim = []       # status lines of 1xx answers
        self.status_line = None
        self.status = None
        self.headers = []       # (name, value) as received
        self.body = b""
        self.framing = None     # "length", "chunked" or "close"
        self.complete = True

    def header(self, name):
        for n, v in self.headers:
            if n.lower() == name.lower():
                return v
        return None

    def json(self):
        return json.loads(self.body.decode("utf-8"))


class RawClient:
    """Sends exact request bytes and reads answers byte by byte, as a strict client would."""

    LIFETIME = 2 * SOCKET_TIMEOUT  # seconds a test connection may read in all
    MAX_BYTES = 64 * 1024 * 1024

    def __init__(self, sock):
        self.sock = sock
        self.buf = b""
        self.closed = False
        self.deadline = time.monotonic() + self.LIFETIME
        self.received = 0

    def send(self, data):
        self.sock.sendall(data)

    def _more(self):
        if time.monotonic() > self.deadline or self.received > self.MAX_BYTES:
            raise TimeoutError("test connection read too long or too much")
        try:
            data = self.sock.recv(65536)
        except (ConnectionError, ssl.SSLError):
            data = b""
        if not data:
            self.closed = True
            return False
        self.buf += data
        self.received += len(data)
        return True

    def _line(self):
        while b"\r\n" not in self.buf:
            if not self._more():
                raise EOFError("closed while reading a line: %r" % self.buf)
        line, self.buf = self.buf.split(b"\r\n", 1)
        return line.decode("utf-8")

    def _exact(self, n):
        while len(self.buf) < n:
            if not self._more():
                data, self.buf = self.buf, b""
                return data
        data, self.buf = self.buf[:n], self.buf[n:]
        return data

    def request(self, method, target, version="HTTP/1.1", headers=(), body=b"", host=True):
        lines = ["%s %s %s" % (method, target, version)]
        if host:
            lines.append("Host: localhost")
        lines += list(headers)
        if isinstance(body, str):
            body = body.encode("utf-8")
        if method == "POST":
            lines.append("Content-Length: %d" % len(body))
        self.send(("\r\n".join(lines) + "\r\n\r\n").encode("utf-8") + body)
        return self.read_response(method)

    def read_response(self, method="GET"):
        r = Response()
        while True:
            r.status_line = self._line()
            r.status = int(r.status_line.split(" ")[1])
            r.headers = []
            while True:
                line = self._line()
                if not line:
                    break
                name, _, value = line.partition(":")
                r.headers.append((name, value.strip()))
            if 100 <= r.status < 200:
                r.interim.append(r.status_line)
                continue
            break
        if method == "HEAD" or r.status in (204, 304):
            return r
        if (r.header("Transfer-Encoding") or "").lower() == "chunked":
            r.framing = "chunked"
            while True:
                size = int(self._line().split(";")[0], 16)
                if size == 0:
                    while self._line():
                        pass
                    break
                r.body += self._exact(size)
                self._exact(2)
        elif r.header("Content-Length") is not None:
            r.framing = "length"
            n = int(r.header("Content-Length"))
            r.body = self._exact(n)
            r.complete = len(r.body) == n
        else:
            r.framing = "close"
            while self._more():
                pass
            r.body, self.buf = self.buf, b""
        return r

    def raw_tail(self):
        """Reads the TCP stream under TLS to its end: byte counts, then "" (end) or an error name."""
        raw = socket.socket(fileno=os.dup(self.sock.fileno()))
        raw.settimeout(SOCKET_TIMEOUT)
        out = []
        try:
            for _ in range(100):
                data = raw.recv(65536)
                if not data:
                    out.append("")
                    break
                out.append(len(data))
        except OSError as e:
            out.append(type(e).__name__)
        finally:
            raw.close()
        return out

    def at_eof(self, timeout=SOCKET_TIMEOUT):
        """True when the server closed the connection (within the time-out)."""
        if self.buf:
            return False
        self.sock.settimeout(timeout)
        try:
            return not self._more()
        except socket.timeout:
            return False

    def close(self):
        try:
            self.sock.close()
        except OSError:
            pass


class PortalTest(unittest.TestCase):
    """A test class with one server for all its tests."""

    server_args = ()
    scenario = None

    @classmethod
    def setUpClass(cls):
        cls.portal = Portal(*cls.server_args, scenario=cls.scenario)

    @classmethod
    def tearDownClass(cls):
        cls.exit_status = cls.portal.stop()

    def get(self, target, version="HTTP/1.1", headers=()):
        c = self.portal.connect()
        try:
            return c.request("GET", target, version, headers)
        finally:
            c.close()

    def post(self, target, body, version="HTTP/1.0", headers=("Connection: keep-alive",)):
        c = self.portal.connect()
        try:
            return c.request("POST", target, version, headers, body)
        finally:
            c.close()
