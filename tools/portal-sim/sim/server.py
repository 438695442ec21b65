"""The TLS server: one thread per connection, request log, scenario faults, clean stop."""

import base64
import itertools
import json
import os
import socket
import socketserver
import ssl
import subprocess
import sys
import threading
import time

from . import wire
from .routes import Answer, Router, error
from .wire import Request

HTML_PAGE = ("<!DOCTYPE html><html><head><title>Ошибка</title></head><body>"
             "<h1>Сервис временно недоступен</h1><p>Попробуйте повторить запрос позже.</p>"
             "</body></html>")
WHITESPACE = b" \r\n\t "


def make_certificate(folder):
    key, cert = os.path.join(folder, "key.pem"), os.path.join(folder, "cert.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                    "ec_paramgen_curve:prime256v1", "-nodes", "-subj", "/CN=localhost",
                    "-days", "2", "-keyout", key, "-out", cert],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return cert, key


class RequestLog:
    def __init__(self, path):
        self.lock = threading.Lock()
        self.file = open(path, "a", encoding="utf-8") if path else None

    def write(self, entry):
        if self.file is None:
            return
        line = json.dumps(entry, ensure_ascii=False) + "\n"
        with self.lock:
            if self.file:
                self.file.write(line)
                self.file.flush()

    def close(self):
        with self.lock:
            if self.file:
                self.file.close()
                self.file = None


class Portal:
    """Everything the connection threads share."""

    def __init__(self, data, scenario, log, chunked, max_page=10000, hidden=()):
        self.router = Router(data, max_page, hidden)
        self.scenario = scenario
        self.log = log
        self.chunked = chunked
        self.stop = threading.Event()
        self.lock = threading.Lock()
        self.counts = {}
        self.conn_ids = itertools.count(1)
        self.live = set()       # sockets of the open connections, in the TLS handshake or past it
        self.hops = {}
        self.hop_ids = itertools.count(1)

    def next_n(self, kind):
        with self.lock:
            self.counts[kind] = self.counts.get(kind, 0) + 1
            return self.counts[kind]


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        portal = self.server.portal
        conn_id = next(portal.conn_ids)
        raw_sock = self.request
        raw_sock.settimeout(30)
        try:
            tls = self.server.context.wrap_socket(raw_sock, server_side=True, do_handshake_on_connect=False)
        except (OSError, ssl.SSLError) as e:
            print("conn %d: TLS setup failed: %s" % (conn_id, e), file=sys.stderr)
            return
        # registered before the handshake, so that a stop can end a handshake that hangs
        with portal.lock:
            if portal.stop.is_set():
                tls.close()
                return
            portal.live.add(tls)
        try:
            tls.do_handshake()
        except (OSError, ssl.SSLError) as e:
            with portal.lock:
                portal.live.discard(tls)
            if not portal.stop.is_set():
                print("conn %d: TLS handshake failed: %s" % (conn_id, e), file=sys.stderr)
            tls.close()
            return
        conn = wire.Connection(tls, portal.stop, self.server.idle_timeout)
        info = {"conn": conn_id, "tls": tls.version(), "sni": getattr(tls, "portal_sni", None)}
        self.close_how = "graceful"
        try:
            while conn.at_eof_or_idle():
                if not self.one_request(portal, conn, info):
                    break
        except wire.ClientGone:
            self.close_how = "abrupt"
        finally:
            with portal.lock:
                portal.live.discard(tls)
            conn.close("abrupt" if portal.stop.is_set() else self.close_how)

    def one_request(self, portal, conn, info):
        """Read and answer one request; False when the connection is to be closed."""
        try:
            req = wire.read_request(conn)
        except wire.ClientGone as e:
            # the connection ended inside a request: log what had arrived
            req = getattr(e, "request", None) or Request()
            entry = self.entry(info, req, "other", portal.next_n("other"), None)
            entry["error"] = "request incomplete: %s" % e
            entry["unread"] = getattr(e, "unread", b"").decode("utf-8", "replace")
            portal.log.write(entry)
            raise
        except wire.BadRequest as e:
            req = e.request or Request()
            entry = self.entry(info, req, "other", portal.next_n("other"), None)
            entry["error"] = str(e)
            portal.log.write(entry)
            body = (str(e) + "\n").encode()
            conn.send(wire.head(e.status, "text/plain;charset=UTF-8", "length", len(body), [], "close") + body)
            return False
        hop = None
        if req.target.startswith("/__redirect/"):
            hop = self.hop_target(portal, req)
        if hop is not None:
            return self.answer_hop(portal, conn, info, req, hop)
        route = portal.router.route(req)
        n = portal.next_n(route.kind)
        rule = portal.scenario.pick(route.kind, n, route.guid) if portal.scenario else None
        portal.log.write(self.entry(info, req, route.kind, n, rule))
        return self.apply(portal, conn, req, route, rule or {})

    @staticmethod
    def entry(info, req, kind, n, rule):
        return {"conn": info["conn"], "tls": info["tls"], "sni": info["sni"],
                "method": req.method, "target": req.target, "version": req.version,
                "headers": list(req.headers), "body": req.body.decode("utf-8", "replace"),
                "endpoint": kind, "n": n, "time": round(time.time(), 3),
                "fault": rule.get("fault") if rule else None}

    # ----- redirects ---------------------------------------------------------------------

    def hop_target(self, portal, req):
        parts = req.target.split("/")
        if len(parts) != 4 or not parts[3].isdigit():
            return None
        with portal.lock:
            chain = portal.hops.get(parts[2])
        return (chain, int(parts[3])) if chain else None

    def origin(self, req):
        host = req.header("host")
        return "https://" + (host if host else "127.0.0.1:%d" % self.server.server_address[1])

    def send_redirect(self, conn, req, token, chain, hop):
        location = "%s/__redirect/%s/%d" % (self.origin(req), token, hop)
        body = ("Moved to %s\n" % location).encode()
        keep = req.wants_keep_alive()
        conn.send(wire.head(chain["status"], "text/plain;charset=UTF-8", "length", len(body),
                            ["Location: " + location], self.connection_value(req, keep)) + body)
        return keep

    def answer_hop(self, portal, conn, info, req, hop):
        chain, k = hop
        entry = self.entry(info, req, "redirect", portal.next_n("redirect"), None)
        entry["hop"] = k
        portal.log.write(entry)
        if chain["loop"]:
            return self.send_redirect(conn, req, chain["token"], chain, 1 + k % 2)
        if k < chain["count"]:
            return self.send_redirect(conn, req, chain["token"], chain, k + 1)
        original = Request()
        original.method, original.target, original.body = chain["method"], chain["target"], chain["body"]
        original.version, original.headers, original.fields = req.version, req.headers, req.fields
        return self.apply(portal, conn, req, portal.router.route(original), {})

    # ----- answers -----------------------------------------------------------------------

    @staticmethod
    def connection_value(req, keep):
        if not keep:
            return "close"
        return "keep-alive" if req.version == "HTTP/1.0" else None

    def apply(self, portal, conn, req, route, rule):
        fault = rule.get("fault", "none")
        self.close_how = rule.get("close", "graceful")
        keep = req.wants_keep_alive()
        if fault == "close_before_status":
            return False
        if fault == "raw":
            data = rule["response"].encode("utf-8") if "response" in rule \
                else base64.b64decode(rule["response_base64"])
            conn.send(data)
            return False
        if fault == "redirect":
            with portal.lock:
                token = "h%d" % next(portal.hop_ids)
                chain = {"token": token, "method": req.method, "target": req.target,
                         "body": req.body, "status": rule.get("status", 302),
                         "count": rule.get("count", 1), "loop": bool(rule.get("loop"))}
                portal.hops[token] = chain
                if len(portal.hops) > 10000:
                    portal.hops.pop(next(iter(portal.hops)))
            if chain["count"] < 1 and not chain["loop"]:
                answer = route.answer()
            else:
                return self.send_redirect(conn, req, token, chain, 1)
        elif fault == "status":
            answer = Answer(rule["status"], rule.get("body", "%d %s\n" % (
                rule["status"], wire.REASONS.get(rule["status"], "Unknown"))), "text/plain;charset=UTF-8")
        elif fault == "require_cookie" and not self.has_cookie(req, rule["cookie"]):
            answer = error(rule.get("status", 403), "cookie %s expected" % rule["cookie"])
        else:
            answer = route.answer()
        if fault == "delay" and not conn.watch(float(rule["seconds"])):
            return False
        body, status, ctype = answer.body, answer.status, answer.content_type
        if fault == "empty_body":
            body, status = b"", 200
        elif fault == "whitespace_body":
            body, status = WHITESPACE, 200
        elif fault == "html_200":
            body, status, ctype = HTML_PAGE.encode("utf-8"), 200, "text/html;charset=UTF-8"
        elif fault == "truncated_json":
            cut = len(body) // 2
            while cut > 0 and (body[cut] & 0xC0) == 0x80:
                cut -= 1
            body = body[:cut]
        if status == 200 and "content_type" in rule:
            ctype = rule["content_type"]
        if status == 200 and "body_encoding" in rule:
            body = body.decode("utf-8").encode(rule["body_encoding"], "replace")
        extra = list(rule.get("headers", []))
        if fault == "set_cookie":
            extra.append("Set-Cookie: " + rule["cookie"])
        if fault in ("connection_close", "close_delimited"):
            keep = False
        use_chunked = rule.get("chunked", portal.chunked) and req.version == "HTTP/1.1"
        framing = "close" if fault == "close_delimited" else ("chunked" if use_chunked else "length")
        if fault == "close_mid_body":
            framing = "length"
        if fault == "continue_100":
            conn.send(b"HTTP/1.1 100 Continue\r\n\r\n")
        head = wire.head(status, ctype, framing, len(body), extra, self.connection_value(req, keep))
        if req.method == "HEAD":
            conn.send(head)
            return keep
        if fault == "close_mid_body":
            conn.send(head + body[:len(body) // 2])
            return False
        conn.send(head + (wire.chunked(body, rule.get("chunk_size", 4096)) if framing == "chunked" else body))
        return keep and framing != "close"

    @staticmethod
    def has_cookie(req, cookie):
        for line in req.header_values("cookie"):
            if cookie in [c.strip() for c in line.split(";")]:
                return True
        return False


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 128

    def __init__(self, port, context, portal, idle_timeout=120.0):
        self.idle_timeout = idle_timeout
        self.context = context
        self.portal = portal
        super().__init__(("127.0.0.1", port), Handler)

    def handle_error(self, request, client_address):
        print("connection error:", sys.exc_info()[1], file=sys.stderr)

    def close_connections(self):
        """Shuts down the TCP connection under every open socket: whatever its thread waits for
        (a handshake, the next request, a delayed answer, a send) ends at once. The thread
        takes its socket out of `live` before closing it, so no closed descriptor is touched."""
        with self.portal.lock:
            for sock in self.portal.live:
                try:
                    # the plain socket's shutdown: SSLSocket's own would drop its TLS state
                    # under the thread that is using it
                    socket.socket.shutdown(sock, socket.SHUT_RDWR)
                except OSError:
                    pass

    def wait_connections(self, seconds):
        """Gives the connection threads a moment to close their sockets themselves."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            with self.portal.lock:
                if not self.portal.live:
                    return
            time.sleep(0.02)


def make_context(cert, key, max_tls):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    if max_tls == "1.2":
        context.maximum_version = ssl.TLSVersion.TLSv1_2
    elif max_tls == "1.3":
        context.maximum_version = ssl.TLSVersion.TLSv1_3

    def remember_name(sock, name, ctx):
        sock.portal_sni = name
    context.sni_callback = remember_name
    return context
