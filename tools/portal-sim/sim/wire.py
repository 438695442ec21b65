"""HTTP/1.0 and HTTP/1.1 on one connection: a strict request reader and the answer writer."""

import re
import select
import socket
import ssl
import struct
import time

MAX_LINE = 8190
MAX_HEADERS = 100
MAX_BODY = 16 * 1024 * 1024

REASONS = {
    100: "Continue", 200: "OK", 204: "No Content", 301: "Moved Permanently", 302: "Found",
    303: "See Other", 304: "Not Modified", 307: "Temporary Redirect", 308: "Permanent Redirect",
    400: "Bad Request", 401: "Unauthorized", 403: "Forbidden", 404: "Not Found",
    405: "Method Not Allowed", 408: "Request Timeout", 411: "Length Required",
    413: "Payload Too Large", 417: "Expectation Failed", 429: "Too Many Requests", 500: "Internal Server Error",
    502: "Bad Gateway", 503: "Service Unavailable", 504: "Gateway Timeout",
    505: "HTTP Version Not Supported",
}

_TOKEN = re.compile(rb"^[!#$%&'*+\-.^_`|~0-9A-Za-z]+$")
_TARGET = re.compile(rb"^/[\x21-\x7e]*$")
_VERSION = re.compile(rb"^HTTP/\d\.\d$")


class ClientGone(Exception):
    """The peer closed the connection (or it broke) while we were reading."""


class BadRequest(Exception):
    def __init__(self, message, request=None, status=400):
        super().__init__(message)
        self.request = request
        self.status = status


class Request:
    def __init__(self):
        self.method = None
        self.target = None
        self.version = None
        self.headers = []       # header lines exactly as received, without CRLF
        self.fields = []        # (lower-case name, value) pairs
        self.body = b""

    def header(self, name):
        """Value of the last header line with this name, or None."""
        found = None
        for n, v in self.fields:
            if n == name:
                found = v
        return found

    def header_values(self, name):
        return [v for n, v in self.fields if n == name]

    def connection_tokens(self):
        tokens = set()
        for v in self.header_values("connection"):
            tokens.update(t.strip().lower() for t in v.split(","))
        return tokens

    def wants_keep_alive(self):
        tokens = self.connection_tokens()
        if self.version == "HTTP/1.1":
            return "close" not in tokens
        return "keep-alive" in tokens


class Connection:
    """Buffered reads and plain writes on a (TLS) socket, with an idle time-out."""

    def __init__(self, sock, stop_event, idle_timeout=120.0):
        self.sock = sock
        self.stop = stop_event
        self.idle_timeout = idle_timeout
        self.buf = b""
        self.eof = False

    def _fill(self, timeout):
        """Read what is there into the buffer; False when nothing came within `timeout`."""
        if self.eof:
            raise ClientGone("closed")
        pending = isinstance(self.sock, ssl.SSLSocket) and self.sock.pending()
        if not pending:
            try:
                ready, _, _ = select.select([self.sock], [], [], timeout)
            except (OSError, ValueError):
                raise ClientGone("socket closed")
            if not ready:
                return False
        try:
            data = self.sock.recv(65536)
        except ssl.SSLWantReadError:
            return True
        except (OSError, ssl.SSLError) as e:
            self.eof = True
            raise ClientGone(str(e))
        if not data:
            self.eof = True
            raise ClientGone("closed by the client")
        self.buf += data
        return True

    def _wait_data(self):
        deadline = time.monotonic() + self.idle_timeout
        while not self._fill(0.1):
            if self.stop.is_set():
                raise ClientGone("server stopping")
            if time.monotonic() > deadline:
                raise ClientGone("idle time-out")

    def at_eof_or_idle(self):
        """Wait for the first byte of a next request; False when the client went away."""
        try:
            while not self.buf:
                self._wait_data()
            return True
        except ClientGone:
            return False

    def watch(self, seconds):
        """Wait up to `seconds`; False as soon as the client goes away or the server stops."""
        deadline = time.monotonic() + seconds
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                return True
            if self.stop.is_set():
                return False
            try:
                self._fill(min(left, 0.05))
            except ClientGone:
                return False

    def readline(self, request):
        """One line ended by CRLF, without it. A bare LF or an overlong line is an error."""
        while True:
            k = self.buf.find(b"\n")
            if k >= 0:
                line, self.buf = self.buf[:k + 1], self.buf[k + 1:]
                if k > MAX_LINE:
                    raise BadRequest("line too long", request)
                if not line.endswith(b"\r\n"):
                    raise BadRequest("line not ended by CRLF", request)
                return line[:-2]
            if len(self.buf) > MAX_LINE:
                raise BadRequest("line too long", request)
            self._wait_data()

    def read_exact(self, n):
        while len(self.buf) < n:
            self._wait_data()
        data, self.buf = self.buf[:n], self.buf[n:]
        return data

    def send(self, data):
        try:
            self.sock.sendall(data)
        except (OSError, ssl.SSLError) as e:
            raise ClientGone(str(e))

    def close(self, how="graceful"):
        """Ends the connection: "graceful" sends the TLS close_notify first, "abrupt" only
        closes the TCP connection, "reset" makes the peer see a connection reset."""
        try:
            if how == "reset":
                self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            elif how == "graceful" and isinstance(self.sock, ssl.SSLSocket):
                self.sock.settimeout(0.2)
                try:
                    self.sock = self.sock.unwrap()
                except (OSError, ssl.SSLError, ValueError):
                    pass
            if how != "reset":
                self.sock.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        try:
            self.sock.close()
        except OSError:
            pass


def read_request(conn):
    """Read one request; raises BadRequest or ClientGone, both carrying what was read."""
    req = Request()
    try:
        return _read_request(conn, req)
    except ClientGone as e:
        e.request = req
        e.unread = conn.buf
        raise


def _read_request(conn, req):
    line = conn.readline(req)
    parts = line.split(b" ")
    if len(parts) != 3:
        req.target = line.decode("utf-8", "replace")
        raise BadRequest("request line is not METHOD SP target SP version", req)
    method, target, version = parts
    req.method = method.decode("utf-8", "replace")
    req.target = target.decode("utf-8", "replace")
    req.version = version.decode("utf-8", "replace")
    if not _TOKEN.match(method):
        raise BadRequest("bad method", req)
    if not _TARGET.match(target):
        raise BadRequest("target is not an origin-form path of visible ASCII", req)
    if not _VERSION.match(version):
        raise BadRequest("bad HTTP version", req)
    if version not in (b"HTTP/1.0", b"HTTP/1.1"):
        raise BadRequest("unsupported HTTP version", req, 505)
    while True:
        line = conn.readline(req)
        if not line:
            break
        text = line.decode("utf-8", "replace")
        req.headers.append(text)
        if len(req.headers) > MAX_HEADERS:
            raise BadRequest("too many header lines", req)
        if line[:1] in (b" ", b"\t"):
            raise BadRequest("folded header line", req)
        name, colon, value = line.partition(b":")
        if not colon or not _TOKEN.match(name):
            raise BadRequest("malformed header line", req)
        if any(b < 0x20 and b != 0x09 or b == 0x7f for b in value):
            raise BadRequest("control character in header value", req)
        req.fields.append((name.decode().lower(), value.strip(b" \t").decode("utf-8", "replace")))
    if req.version == "HTTP/1.1" and len(req.header_values("host")) != 1:
        raise BadRequest("HTTP/1.1 request needs exactly one Host line", req)
    expect = req.header_values("expect")
    if expect:
        if req.version != "HTTP/1.1" or [v.lower() for v in expect] != ["100-continue"]:
            raise BadRequest("unsupported expectation", req, 417)
        conn.send(b"HTTP/1.1 100 Continue\r\n\r\n")
    lengths = set(req.header_values("content-length"))
    chunked = req.header_values("transfer-encoding")
    if chunked and lengths:
        raise BadRequest("both Content-Length and Transfer-Encoding", req)
    if chunked:
        if [v.lower() for v in chunked] != ["chunked"]:
            raise BadRequest("unsupported transfer coding", req)
        req.body = _read_chunked(conn, req)
    elif lengths:
        if len(lengths) != 1 or not next(iter(lengths)).isdigit():
            raise BadRequest("bad Content-Length", req)
        n = int(next(iter(lengths)))
        if n > MAX_BODY:
            raise BadRequest("body too large", req, 413)
        req.body = conn.read_exact(n)
    elif req.method == "POST":
        raise BadRequest("POST without Content-Length", req, 411)
    return req


def _read_chunked(conn, req):
    body = b""
    while True:
        size_line = conn.readline(req).split(b";")[0].strip()
        try:
            size = int(size_line, 16)
        except ValueError:
            raise BadRequest("bad chunk size", req)
        if size == 0:
            while conn.readline(req):
                pass
            return body
        body += conn.read_exact(size)
        if len(body) > MAX_BODY:
            raise BadRequest("body too large", req, 413)
        if conn.read_exact(2) != b"\r\n":
            raise BadRequest("chunk not ended by CRLF", req)


def status_line(code):
    return "HTTP/1.1 %d %s" % (code, REASONS.get(code, "Unknown"))


def http_date():
    return time.strftime("%a, %d %b %Y %H:%M:%S GMT", time.gmtime())


def head(code, content_type, framing, length, extra, connection):
    """Status line and header lines of an answer, ended by the empty line."""
    lines = [status_line(code), "Server: portal-sim", "Date: " + http_date()]
    if content_type is not None:
        lines.append("Content-Type: " + content_type)
    if framing == "length":
        lines.append("Content-Length: %d" % length)
    elif framing == "chunked":
        lines.append("Transfer-Encoding: chunked")
    lines.extend(extra)
    if connection:
        lines.append("Connection: " + connection)
    return ("\r\n".join(lines) + "\r\n\r\n").encode("utf-8")


def chunked(body, size=4096):
    out = b""
    for k in range(0, len(body), size):
        piece = body[k:k + size]
        out += b"%x\r\n" % len(piece) + piece + b"\r\n"
    return out + b"0\r\n\r\n"
