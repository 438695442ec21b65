#!/usr/bin/env python3
"""Fake housing-registry portal over HTTPS on 127.0.0.1 (see README.md in this folder)."""

import argparse
import json
import os
import shutil
import signal
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from sim.dataset import DataSet          # noqa: E402
from sim.describe import describe        # noqa: E402
from sim.faults import Scenario, ScenarioError  # noqa: E402
from sim.server import Portal, RequestLog, Server, make_certificate, make_context  # noqa: E402


def parse_args(argv):
    p = argparse.ArgumentParser(description="Fake housing-registry portal (HTTPS, 127.0.0.1).")
    p.add_argument("--port", type=int, default=0)
    p.add_argument("--origin-file")
    p.add_argument("--log")
    p.add_argument("--scenario")
    p.add_argument("--seed", type=int, default=1)
    p.add_argument("--big-count", type=int, default=1000000)
    p.add_argument("--demo-count", type=int, default=6000)
    p.add_argument("--chunked", action="store_true")
    p.add_argument("--max-tls", choices=["1.2", "1.3"])
    p.add_argument("--idle-timeout", type=float, default=120.0)
    p.add_argument("--max-page", type=int, default=10000)
    p.add_argument("--hide", action="append", default=[], metavar="GUID")
    p.add_argument("--revision", type=int, default=0)
    p.add_argument("--describe", action="store_true")
    args = p.parse_args(argv)
    if args.revision < 0:
        p.error("--revision must be 0 or more")
    if args.big_count < 1 or args.demo_count < 5:
        p.error("--big-count must be at least 1 and --demo-count at least 5")
    return args


def main(argv=None):
    args = parse_args(argv)
    data = DataSet(args.seed, args.big_count, args.demo_count, args.revision)
    if args.describe:
        json.dump(describe(data), sys.stdout, ensure_ascii=False, indent=1)
        sys.stdout.write("\n")
        return 0
    try:
        scenario = Scenario.load(args.scenario) if args.scenario else None
    except (OSError, ScenarioError) as e:
        print("portal-sim: %s" % e, file=sys.stderr)
        return 2
    unknown = [guid for guid in args.hide if data.find_house(guid) is None]
    if unknown:
        print("portal-sim: --hide: no such house %s" % unknown[0], file=sys.stderr)
        return 2
    folder = tempfile.mkdtemp(prefix="portal-sim-")
    # The handler only notes the signal. It runs in the main thread between two bytecodes, maybe
    # while that thread holds a lock: Event.set() there deadlocks against the Event.wait() it
    # interrupted, and the process then never exits.
    stop_requested = []
    signal.signal(signal.SIGTERM, lambda *_: stop_requested.append(True))
    signal.signal(signal.SIGINT, lambda *_: stop_requested.append(True))
    log = RequestLog(args.log)
    try:
        cert, key = make_certificate(folder)
        portal = Portal(data, scenario, log, args.chunked, args.max_page, args.hide)
        server = Server(args.port, make_context(cert, key, args.max_tls), portal, args.idle_timeout)
        origin = "https://127.0.0.1:%d" % server.server_address[1]
        if args.origin_file:
            tmp = args.origin_file + ".tmp"
            with open(tmp, "w") as f:
                f.write(origin + "\n")
            os.replace(tmp, args.origin_file)
        print(origin, flush=True)
        loop = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.05}, daemon=True)
        loop.start()
        # A parent that dies without stopping us (a test aborted by a sanitizer, say) must not
        # leave us holding its output pipes open for ever.
        parent = os.getppid()
        while not stop_requested and os.getppid() == parent:
            time.sleep(0.02)
        portal.stop.set()
        server.close_connections()
        server.shutdown()
        server.server_close()
        server.wait_connections(0.5)
        return 0
    finally:
        log.close()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
