"""The synthetic address directory and the placement of houses in it.

Regions, areas and cities are a short fixed list; streets and houses are never stored. House i
of a region lies in the city whose house range holds i, and within the city its houses are
spread evenly over the city's streets (street s gets q or q+1 of them, the first ones the extra
house), so every (city, street) selection is one contiguous range of the region's houses and a
search page is plain arithmetic however large the region is.
"""

import bisect

from .ids import make_guid, parse_guid
from .revision import NEW_HOUSE_BASE, Revision

STREET_BASES = [
    ("Ленина", "ул"), ("Мира", "пр-кт"), ("Садовая", "ул"), ("Школьная", "ул"),
    ("Лесной", "пер"), ("Набережная", "ул"), ("Советская", "ул"), ("Гагарина", "ул"),
    ("Молодёжная", "ул"), ("Полевая", "ул"), ("Речной", "проезд"), ("Победы", "б-р"),
]


class City:
    def __init__(self, name, short, area, streets, houses):
        self.name, self.short, self.area = name, short, area
        self.streets, self.houses = streets, houses


class Region:
    def __init__(self, index, kind, name, short, number, areas, cities):
        self.index, self.kind, self.name, self.short, self.number = index, kind, name, short, number
        self.areas = areas          # list of (name, short)
        self.cities = cities        # list of City
        self.starts = []            # first house index of every city
        total = 0
        for c in cities:
            self.starts.append(total)
            total += c.houses
        self.houses = total


def _spread(total, parts):
    """Sizes q or q+1 of `parts` blocks holding `total` items; the first `rem` get q+1."""
    return divmod(total, parts)


def street_range(city, s):
    """(first, count) of the houses of street s within its city."""
    q, rem = _spread(city.houses, city.streets)
    return s * q + min(s, rem), q + (1 if s < rem else 0)


def street_of(city, j):
    """Street index of the city's house j, or None when the city has no streets."""
    if city.streets == 0:
        return None
    q, rem = _spread(city.houses, city.streets)
    if j < (q + 1) * rem:
        return j // (q + 1)
    return rem + (j - (q + 1) * rem) // q


def street_name(s):
    base, short = STREET_BASES[s % len(STREET_BASES)]
    rank = s // len(STREET_BASES)
    return ("%d-я %s" % (rank + 1, base) if rank else base), short


def _spread_cities(names, total, streets, area_of):
    q, rem = divmod(total, len(names))
    return [City(n, s, area_of(k), streets, q + (1 if k < rem else 0))
            for k, (n, s) in enumerate(names)]


class DataSet:
    def __init__(self, seed=1, big_count=1000000, demo_count=6000, revision=0):
        self.seed = seed
        # Full houses are those of case 0 and 17 to 49 (see houses.py).
        self.revision = Revision(seed, revision, lambda i: i % 50 == 0 or i % 50 >= 17)
        big_names = [("Белоград", "г"), ("Верхнеозерск", "г"), ("Горностаевск", "г"),
                     ("Дубравинск", "г"), ("Еловск", "г"), ("Жаворонки", "пгт"),
                     ("Звенигорск", "г"), ("Ивановка", "с"), ("Калиновск", "г"),
                     ("Луговой", "п")]
        big_area = lambda k: 0 if k < 4 else (1 if k < 7 else None)
        self.regions = [
            Region(0, "small", "Тестовая", "обл", "90", [("Приозерный", "р-н")], [
                City("Первомайск", "г", 0, 3, 4),
                City("Заречный", "пгт", None, 2, 2),
                City("Лесной", "п", None, 0, 2),
            ]),
            Region(1, "thousand", "Тысячная", "Респ", "91",
                   [("Северный", "р-н"), ("Южный", "р-н"), ("Восточный", "р-н")], [
                City("Многоулицевск", "г", None, 10050, 400),
                City("Северск", "г", 0, 40, 200),
                City("Южноград", "г", 1, 30, 150),
                City("Ключи", "с", 1, 5, 50),
                City("Восточный", "пгт", 2, 20, 150),
                City("Зелёный Бор", "д", None, 0, 50),
            ]),
            Region(2, "big", "Миллионная", "обл", "92", [("Первый", "р-н"), ("Второй", "р-н")],
                   _spread_cities(big_names, big_count, 1000, big_area)),
            Region(3, "demo", "Показательный", "край", "93", [("Центральный", "р-н")], [
                City("Показательск", "г", 0, 12, demo_count - demo_count * 2 // 5),
                City("Образцово", "с", None, 4, demo_count * 2 // 5),
            ]),
            Region(4, "empty", "Пустая", "АО", "94", [], []),
        ]

    # ----- codes -------------------------------------------------------------------------

    def region_code(self, r):
        return make_guid(self.seed, "region", r)

    def area_code(self, r, a):
        return make_guid(self.seed, "area", r, a)

    def city_code(self, r, c):
        return make_guid(self.seed, "city", r, c)

    def street_code(self, r, c, s):
        return make_guid(self.seed, "street", r, c, s)

    def original_house_guid(self, r, i):
        return make_guid(self.seed, "house", r, i)

    def house_guid(self, r, i):
        if self.revision.fate(r, i) == "replaced":
            return make_guid(self.seed, "house", r, NEW_HOUSE_BASE + i)
        return self.original_house_guid(r, i)

    def find_region(self, code):
        n = parse_guid(self.seed, "region", code)
        return n[0] if n and n[0] < len(self.regions) else None

    def find_area(self, code):
        n = parse_guid(self.seed, "area", code)
        if n and n[0] < len(self.regions) and n[1] < len(self.regions[n[0]].areas):
            return n
        return None

    def find_city(self, code):
        n = parse_guid(self.seed, "city", code)
        if n and n[0] < len(self.regions) and n[1] < len(self.regions[n[0]].cities):
            return n
        return None

    def find_street(self, code):
        n = parse_guid(self.seed, "street", code)
        if n and n[0] < len(self.regions) and n[1] < len(self.regions[n[0]].cities) \
                and n[2] < self.regions[n[0]].cities[n[1]].streets:
            return n
        return None

    def find_house(self, guid):
        """(region, index) of a house guid, or None."""
        n = parse_guid(self.seed, "house", guid)
        if not n or n[0] >= len(self.regions):
            return None
        r, i = n
        replaced = i >= NEW_HOUSE_BASE
        if replaced:
            i -= NEW_HOUSE_BASE
        if i >= self.regions[r].houses or (self.revision.fate(r, i) == "replaced") != replaced:
            return None
        return r, i

    # ----- directory ---------------------------------------------------------------------

    def _item(self, code, name, short, level, parent, region):
        return {"aoGuid": code, "formalName": name, "shortName": short, "offName": name,
                "aoLevel": level, "parentGuid": parent, "regionCode": region.number,
                "actStatus": 1}

    def region_items(self):
        return [self._item(self.region_code(g.index), g.name, g.short, 1, None, g)
                for g in self.regions]

    def area_items(self, region_code):
        r = self.find_region(region_code)
        if r is None:
            return []
        g = self.regions[r]
        return [self._item(self.area_code(r, a), n, s, 3, self.region_code(r), g)
                for a, (n, s) in enumerate(g.areas)]

    def city_list(self, region_code, area_code):
        """(r, c) of the cities of a region, narrowed by a non-empty area code."""
        r = self.find_region(region_code)
        if r is None:
            return []
        cities = range(len(self.regions[r].cities))
        if area_code:
            a = self.find_area(area_code)
            if a is None or a[0] != r:
                return []
            cities = [c for c in cities if self.regions[r].cities[c].area == a[1]]
        return [(r, c) for c in cities]

    def city_item(self, r, c):
        g = self.regions[r]
        city = g.cities[c]
        parent = self.area_code(r, city.area) if city.area is not None else self.region_code(r)
        return self._item(self.city_code(r, c), city.name, city.short, 4, parent, g)

    def city_items(self, region_code, area_code):
        return [self.city_item(r, c) for r, c in self.city_list(region_code, area_code)]

    def street_count(self, region_code, area_code, city_code):
        """The cities whose streets a streets request lists, with their street counts."""
        if city_code:
            n = self.find_city(city_code)
            r = self.find_region(region_code)
            if n is None or n[0] != r:
                return []
            city = self.regions[n[0]].cities[n[1]]
            if area_code:
                a = self.find_area(area_code)
                if a is None or a[0] != r or city.area != a[1]:
                    return []
            return [(n[0], n[1], city.streets)]
        return [(r, c, self.regions[r].cities[c].streets)
                for r, c in self.city_list(region_code, area_code)]

    def street_items(self, region_code, area_code, city_code, per_page, page):
        """One page of the streets, made only for the entries on that page."""
        first = (page - 1) * per_page
        out = []
        for r, c, count in self.street_count(region_code, area_code, city_code):
            if first >= count:
                first -= count
                continue
            take = min(count - first, per_page - len(out))
            for s in range(first, first + take):
                name, short = street_name(s)
                out.append(self._item(self.street_code(r, c, s), name, short, 7,
                                      self.city_code(r, c), self.regions[r]))
            first = 0
            if len(out) >= per_page:
                break
        return out

    # ----- house search ------------------------------------------------------------------

    def matching(self, region_code, city_code, street_code):
        """The houses a search selects, as a list of (region, first, count) ranges."""
        regions = range(len(self.regions))
        if region_code:
            r = self.find_region(region_code)
            if r is None:
                return []
            regions = [r]
        if street_code:
            n = self.find_street(street_code)
            if n is None or n[0] not in regions:
                return []
            if city_code and self.find_city(city_code) != (n[0], n[1]):
                return []
            g = self.regions[n[0]]
            first, count = street_range(g.cities[n[1]], n[2])
            return [(n[0], g.starts[n[1]] + first, count)]
        if city_code:
            n = self.find_city(city_code)
            if n is None or n[0] not in regions:
                return []
            g = self.regions[n[0]]
            return [(n[0], g.starts[n[1]], g.cities[n[1]].houses)]
        return [(r, 0, self.regions[r].houses) for r in regions if self.regions[r].houses]

    @staticmethod
    def page(ranges, page_index, per_page):
        """(total, [(region, house index), ...]) of one search page."""
        total = sum(n for _, _, n in ranges)
        skip = (page_index - 1) * per_page
        out = []
        for r, first, count in ranges:
            if skip >= count:
                skip -= count
                continue
            take = min(count - skip, per_page - len(out))
            out.extend((r, i) for i in range(first + skip, first + skip + take))
            skip = 0
            if len(out) >= per_page:
                break
        return total, out

    def place(self, r, i):
        """(city index, street index or None, house number within its street) of a house."""
        g = self.regions[r]
        c = bisect.bisect_right(g.starts, i) - 1
        city = g.cities[c]
        j = i - g.starts[c]
        s = street_of(city, j)
        if s is None:
            return c, None, j + 1
        return c, s, j - street_range(city, s)[0] + 1
