#!/usr/bin/env python3
"""Replays the program's request pattern against a running portal-sim and reports the pace.

For every search page (POST, HTTP/1.0, new connection) and every house of it: map lookup (GET,
HTTP/1.1, same connection), passport (POST on a new connection), card (GET). No waits between
requests, as with an interval of 0. Used to size the demo region.

    python3 tools/portal-sim/pace.py https://127.0.0.1:PORT REGION_CODE [--limit HOUSES]
"""

import argparse
import json
import os
import socket
import ssl
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tests.support import CARD, MAP, PASSPORT, SEARCH, RawClient, passport_body, search_body  # noqa: E402

HEADERS = ["Connection: keep-alive", "Content-Type: application/json; charset=UTF-8"]


def main():
    a = argparse.ArgumentParser()
    a.add_argument("origin")
    a.add_argument("region")
    a.add_argument("--limit", type=int, default=10 ** 9)
    a.add_argument("--page-size", type=int, default=100)
    args = a.parse_args()
    port = int(args.origin.rsplit(":", 1)[1])
    ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_CLIENT)
    ctx.check_hostname = False
    ctx.verify_mode = ssl.CERT_NONE
    ctx.maximum_version = ssl.TLSVersion.TLSv1_2

    def connect():
        return RawClient(ctx.wrap_socket(socket.create_connection(("127.0.0.1", port), timeout=30),
                                         server_hostname="localhost"))

    started = time.monotonic()
    houses = requests = 0
    page, received, total = 1, 0, 1
    conn = None
    while received < total and houses < args.limit:
        if conn:
            conn.close()
        conn = connect()
        r = conn.request("POST", SEARCH + "?pageIndex=%d&elementsPerPage=%d" % (page, args.page_size),
                         "HTTP/1.0", HEADERS, search_body(args.region))
        requests += 1
        doc = json.loads(r.body)
        total = doc["total"]
        received += len(doc["items"])
        if not doc["items"]:
            break
        for item in doc["items"]:
            guid = item["guid"]
            conn.request("GET", MAP + guid, "HTTP/1.1", HEADERS)
            conn.close()
            conn = connect()
            conn.request("POST", PASSPORT, "HTTP/1.0", HEADERS, passport_body(guid))
            conn.request("GET", CARD + item.get("houseType", {}).get("code", "") + "/" + guid, "HTTP/1.1", HEADERS)
            requests += 3
            houses += 1
            if houses >= args.limit:
                break
        page += 1
    seconds = time.monotonic() - started
    print("houses %d, requests %d, %.1f s, %.1f houses/s" % (houses, requests, seconds, houses / seconds))


if __name__ == "__main__":
    main()
