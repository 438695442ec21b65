"""Which endpoint a request is, and its normal answer."""

import json

from .houses import HouseMaker, dumps

FIAS = "/nsi/api/rest/services/nsi/fias/v4/"
SEARCH = "/homemanagement/api/rest/services/houses/public/searchByAddress"
CARD = "/homemanagement/api/rest/services/houses/public/"
MAP = "/search/api/rest/services/map/findByGuid"
PASSPORT = "/homemanagement/api/rest/services/passports/search"

JSON_TYPE = "application/json;charset=UTF-8"
TEXT_TYPE = "text/plain;charset=UTF-8"

KINDS = ("regions", "areas", "cities", "streets", "search", "map", "passport", "card", "other")


class Answer:
    def __init__(self, status, body, content_type=JSON_TYPE):
        self.status = status
        self.body = body.encode("utf-8") if isinstance(body, str) else body
        self.content_type = content_type
        self.is_json = content_type == JSON_TYPE and status == 200


def error(status, text):
    return Answer(status, text + "\n", TEXT_TYPE)


class Route:
    def __init__(self, kind, answer, guid=None):
        self.kind = kind
        self.guid = guid
        self.answer = answer        # callable giving the normal Answer


def parse_query(query):
    """Query members in order, split at the first '=' and used as they are (no decoding)."""
    out = {}
    if query:
        for part in query.split("&"):
            name, _, value = part.partition("=")
            out[name] = value
    return out


def _int_param(q, name, default, minimum=1):
    v = q.get(name)
    if v is None:
        if default is None:
            raise ValueError("missing " + name)
        return default
    if not v.isdigit() or int(v) < minimum:
        raise ValueError("bad " + name)
    return int(v)


class Router:
    def __init__(self, data, max_page=10000, hidden=()):
        self.max_page = max_page
        self.data = data
        # Houses that no search lists (their own requests are still answered).
        self.hidden = {data.find_house(guid) for guid in hidden}
        self.maker = HouseMaker(data)

    def route(self, req):
        path, _, query = req.target.partition("?")
        q = parse_query(query)
        m = req.method
        if m == "GET" and path.startswith(FIAS):
            level = path[len(FIAS):]
            if level in ("regions", "areas", "cities", "streets"):
                return Route(level, lambda: self._directory(level, q))
        if m == "POST" and path == SEARCH:
            return Route("search", lambda: self._search(q, req.body))
        if m == "GET" and path == MAP:
            guid = q.get("houseId")
            return Route("map", lambda: self._house(guid, "map"), guid)
        if m == "POST" and path == PASSPORT:
            guid = None
            try:
                doc = json.loads(req.body.decode("utf-8"))
                if isinstance(doc, dict) and isinstance(doc.get("houseGuid"), str):
                    guid = doc["houseGuid"]
            except (UnicodeDecodeError, ValueError):
                pass
            if guid is None:
                return Route("passport", lambda: error(400, "body must be a JSON object with houseGuid"))
            return Route("passport", lambda: self._house(guid, "passport"), guid)
        if m == "GET" and path.startswith(CARD) and not query:
            rest = path[len(CARD):].split("/")
            if len(rest) == 2 and rest[1]:
                guid = rest[1]
                return Route("card", lambda: self._house(guid, "card"), guid)
        return Route("other", lambda: error(404, "Not Found"))

    def _directory(self, level, q):
        d = self.data
        if level == "regions":
            return Answer(200, dumps(d.region_items()))
        if "regionCode" not in q:
            return error(400, "missing regionCode")
        try:
            per_page = _int_param(q, "itemsPerPage", 1000)
            page = _int_param(q, "page", 1)
        except ValueError as e:
            return error(400, str(e))
        region = q["regionCode"]
        if level == "areas":
            items = d.area_items(region)
        elif level == "cities":
            items = d.city_items(region, q.get("areaCode", ""))
        else:
            return Answer(200, dumps(d.street_items(region, q.get("areaCode", ""),
                                                    q.get("cityCode", ""), per_page, page)))
        return Answer(200, dumps(items[(page - 1) * per_page:page * per_page]))

    def _search(self, q, body):
        try:
            page = _int_param(q, "pageIndex", None)
            per_page = _int_param(q, "elementsPerPage", None)
        except ValueError as e:
            return error(400, str(e))
        if per_page > self.max_page:
            return error(400, "elementsPerPage above %d" % self.max_page)
        try:
            doc = json.loads(body.decode("utf-8"))
        except (UnicodeDecodeError, ValueError):
            return error(400, "search body is not JSON")
        if not isinstance(doc, dict):
            return error(400, "search body is not a JSON object")
        codes = []
        for name in ("regionCode", "cityCode", "streetCode"):
            v = doc.get(name)
            if v is not None and not isinstance(v, str):
                return error(400, name + " must be a string or null")
            codes.append(v or "")
        total, houses = self._listed_page(self.data.matching(*codes), page, per_page)
        # Items are written one at a time so a large page never holds all of them as objects.
        items = ",".join(dumps(self.maker.item(r, i)) for r, i in houses)
        return Answer(200, '{"total":%d,"items":[%s],"pageIndex":%d,"elementsPerPage":%d}'
                      % (total, items, page, per_page))

    def _listed_page(self, ranges, page, per_page):
        """(total, houses) of one search page, without the hidden houses."""
        if not self.hidden:
            return self.data.page(ranges, page, per_page)
        # The matching set is walked whole: meant for the small sets of tests.
        listed = [(r, i) for r, first, count in ranges for i in range(first, first + count)
                  if (r, i) not in self.hidden]
        return len(listed), listed[(page - 1) * per_page:page * per_page]

    def _house(self, guid, what):
        found = self.data.find_house(guid) if guid else None
        if found is None:
            return error(404, "Not Found")
        r, i = found
        if what == "map":
            return Answer(200, self.maker.map_text(r, i))
        if what == "passport":
            return Answer(200, dumps(self.maker.passport(r, i)))
        return Answer(200, dumps(self.maker.card(r, i)))
