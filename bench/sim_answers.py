#!/usr/bin/env python3
"""Writes the fake portal's answers for the houses of its demo region to standard output, as a
harvest receives them at page size 100, without a server: for every search page one frame
"P <bytes>\\n" followed by the answer, then for each of its houses the frames "M" (map text),
"A" (passport) and "C" (card). sim_table turns the stream into the table a harvest writes.

    sim_answers.py HOUSES [--seed N] | sim_table FOLDER
"""

import argparse
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools", "portal-sim"))
from sim.dataset import DataSet  # noqa: E402
from sim.houses import HouseMaker, dumps  # noqa: E402

PAGE_SIZE = 100


def frame(out, kind, text):
    data = text.encode("utf-8")
    out.write(b"%s %d\n" % (kind, len(data)))
    out.write(data)


def main():
    a = argparse.ArgumentParser()
    a.add_argument("houses", type=int)
    a.add_argument("--seed", type=int, default=1)
    args = a.parse_args()
    data = DataSet(seed=args.seed, demo_count=args.houses)
    maker = HouseMaker(data)
    region = next(g.index for g in data.regions if g.kind == "demo")
    ranges = data.matching(data.region_code(region), "", "")
    out = sys.stdout.buffer
    for page in range(1, (args.houses + PAGE_SIZE - 1) // PAGE_SIZE + 1):
        total, houses = data.page(ranges, page, PAGE_SIZE)
        items = ",".join(dumps(maker.item(r, i)) for r, i in houses)
        frame(out, b"P", '{"total":%d,"items":[%s],"pageIndex":%d,"elementsPerPage":%d}'
              % (total, items, page, PAGE_SIZE))
        for r, i in houses:
            frame(out, b"M", maker.map_text(r, i))
            frame(out, b"A", dumps(maker.passport(r, i)))
            frame(out, b"C", dumps(maker.card(r, i)))
    out.flush()


if __name__ == "__main__":
    main()
