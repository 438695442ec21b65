"""Deterministic GUIDs that carry their own position.

A GUID's first four groups come from a hash of the seed, the kind and the numbers; the last
group holds the numbers themselves, so a lazily generated object can be found from its GUID
without any table, and a GUID that was never handed out is recognised as unknown.
"""

import hashlib

# Layout of the last group (12 hex digits) per kind: widths of the numbers, in hex digits.
_LAYOUT = {
    "region": (12,),
    "area": (2, 10),
    "city": (2, 10),
    "street": (2, 3, 7),
    "house": (2, 10),
    "fias": (2, 10),
    "org": (12,),
}


def make_guid(seed, kind, *numbers):
    widths = _LAYOUT[kind]
    tail = "".join("%0*x" % (w, n) for w, n in zip(widths, numbers))
    digest = hashlib.sha1(("%d|%s|%s" % (seed, kind, tail)).encode()).hexdigest()
    head = digest[:8] + "-" + digest[8:12] + "-4" + digest[13:16] + "-" \
        + "89ab"[int(digest[16], 16) % 4] + digest[17:20]
    return head + "-" + tail


def parse_guid(seed, kind, text):
    """The numbers a GUID of this kind carries, or None when it is not one of ours."""
    if not isinstance(text, str) or len(text) != 36:
        return None
    tail = text[24:]
    try:
        int(tail, 16)
    except ValueError:
        return None
    numbers = []
    pos = 0
    for w in _LAYOUT[kind]:
        numbers.append(int(tail[pos:pos + w], 16))
        pos += w
    if make_guid(seed, kind, *numbers) != text:
        return None
    return tuple(numbers)
