"""A later state of the registry, for comparing two exports of one region.

Revision 0 is the data set as it is. Revision n > 0 changes a fixed share of the full houses,
chosen from (seed, n, region, house index) alone: REPLACED of them are gone, each with a new house
(a new guid) in its place, so the region keeps its size and its paging; CHANGED of them keep their
guid and change one thing: the card's house condition (column 15), the passport's wear "2.23"
(column 52) or the longitude (column 8). The awkward houses (cases 1 to 16) never change, so what
the table shows of a change is always exactly one field.
"""

import hashlib

REPLACED = 0.03
CHANGED = 0.08
KINDS = ("card", "passport", "coordinates")
# Added to a house's index in the guid of the house that replaces it.
NEW_HOUSE_BASE = 1 << 36


class Revision:
    def __init__(self, seed, number, is_full):
        self.seed, self.number, self.is_full = seed, number, is_full

    def fate(self, r, i):
        """None, "replaced", or the kind of change of house i of region r."""
        if self.number == 0 or not self.is_full(i):
            return None
        h = hashlib.sha1(("%d|rev|%d|%d|%d" % (self.seed, self.number, r, i)).encode()).digest()
        x = int.from_bytes(h[:4], "big") / 2 ** 32
        if x < REPLACED:
            return "replaced"
        if x < REPLACED + CHANGED:
            return KINDS[h[4] % len(KINDS)]
        return None

    def changes(self, data, r):
        """What this revision changed in region r: removed and added guids, changed guids with
        the kind of their change."""
        removed, added, changed = [], [], {}
        for i in range(data.regions[r].houses):
            fate = self.fate(r, i)
            if fate == "replaced":
                removed.append(data.original_house_guid(r, i))
                added.append(data.house_guid(r, i))
            elif fate:
                changed[data.house_guid(r, i)] = fate
        return {"number": self.number, "removed": removed, "added": added, "changed": changed}
