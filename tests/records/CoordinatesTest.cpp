// Column 8 and the text cut it is made with.

#include "records/Coordinates.h"

#include "RecordsTestSupport.h"
#include "records/HouseRow.h"
#include "records/TableHeader.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(TextBetween, CutsBetweenTheMarkers) {
    struct Case {
        QString source;
        QString start;
        QString middle;
        QString finish;
        QString expected;
    };
    const Case cases[] = {
        {u"whole text"_s, {}, {}, {}, u"whole text"_s},
        {{}, {}, {}, {}, {}},
        {u"x=1,y=2"_s, u"x="_s, {}, u","_s, u"1"_s},
        {u"x=1,y=2"_s, u"y="_s, {}, u","_s, {}},     // no finish after the marker
        {u"x=1,y=2"_s, u"y="_s, {}, {}, u"2"_s},     // empty finish: to the end
        {u"x=1,y=2"_s, {}, {}, u","_s, u"x=1"_s},    // empty start: from the beginning
        {u"x=1,y=2"_s, u"z="_s, {}, u","_s, {}},     // no start marker
        {u",x:5,"_s, u"x:"_s, {}, u","_s, u"5"_s},   // a finish before the marker is not used
        {u"::"_s, u":"_s, {}, u":"_s, {}},           // finish right after the marker
        {u"ab"_s, u"ab"_s, {}, {}, {}},              // marker at the very end
        {u"a[b]c[d]"_s, u"["_s, {}, u"]"_s, u"b"_s}, // first occurrences
        {u"k:a=1;b=2;"_s, u"k:"_s, u"b="_s, u";"_s, u"2"_s},
        {u"b=0;k:a=1;b=2;"_s, u"k:"_s, u"b="_s, u";"_s, u"2"_s}, // middle only after start
        {u"k:a=1;"_s, u"k:"_s, u"b="_s, u";"_s, {}},             // middle missing
        {u"k:a=1;b=2"_s, u"k:"_s, u"b="_s, {}, u"2"_s},
        {u"a=1;b=2"_s, {}, u"b="_s, u";"_s, {}}, // empty start, middle, no finish after
        {u"a=1;b=2;"_s, {}, u"b="_s, u";"_s, u"2"_s},
        {u"широта:55,долгота:37,"_s, u"долгота:"_s, {}, u","_s, u"37"_s},
        {u"ABab"_s, u"a"_s, {}, {}, u"b"_s},        // case counts
        {u"x=1,x"_s, u"x="_s, {}, u"x"_s, u"1,"_s}, // finish searched only behind the marker
        {u"k:b=2;"_s, u"k:"_s, u"b="_s, u"="_s, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QString(c.source + u" | " + c.start + u" | " + c.middle + u" | " + c.finish)
                         .toStdString());
        EXPECT_EQ(TextBetween(c.source, c.start, c.middle, c.finish), c.expected);
    }
}

TEST(CoordinatesColumn, LongitudeCommaLatitude) {
    struct Case {
        const char* name;
        QString mapText;
        QString expected;
    };
    const Case cases[] = {
        {"plain numbers", uR"({"longitude":37.617,"latitude":55.755,"zoom":17})"_s,
         u"37.617,55.755"_s},
        {"realistic answer", DataText(u"house-map.txt"_s), u"37.5446,55.4311"_s},
        {"longitude only", uR"({"longitude":37.617,"zoom":17})"_s, u"37.617,"_s},
        {"latitude only", uR"({"latitude":55.755,"zoom":17})"_s, u",55.755"_s},
        {"both null", uR"({"longitude":null,"latitude":null,"zoom":17})"_s, {}},
        {"null with spaces", uR"({"longitude": null ,"latitude":55.7,"z":1})"_s, u",55.7"_s},
        {"NULL is not null", uR"({"longitude":NULL,"latitude":55.7,"z":1})"_s, u"NULL,55.7"_s},
        {"longitude last, no comma after it", uR"({"latitude":55.755,"longitude":37.617})"_s,
         u",55.755"_s},
        {"comma only after the closing brace",
         uR"({"point":{"latitude":55.755,"longitude":37.617},"zoom":17})"_s, u"37.617},55.755"_s},
        {"string values keep their quotes",
         uR"({"longitude":"37.617","latitude":"55.755","z":1})"_s, uR"("37.617","55.755")"_s},
        {"spaces and line breaks after the colon",
         u"{\"longitude\": 37.617 ,\"latitude\":\r\n\t55.755\n,\"z\":1}"_s, u"37.617,55.755"_s},
        {"space before the colon hides the marker",
         uR"({"longitude" :37.617,"latitude":55.755,"z":1})"_s, u",55.755"_s},
        {"several houses: first of each marker, each from the start",
         uR"([{"latitude":55.1,"id":1},{"longitude":37.2,"latitude":55.2,"id":2}])"_s,
         u"37.2,55.1"_s},
        {"several houses in document order",
         uR"([{"longitude":37.1,"latitude":55.1},{"longitude":37.2,"latitude":55.2}])"_s,
         u"37.1,55.1}"_s},
        {"no-break space is not trimmed", u"{\"longitude\":\u00A037.6,\"latitude\":55.7,}"_s,
         u"\u00A037.6,55.7"_s},
        {"empty text", {}, {}},
        {"html page", u"<html><body>Not Found</body></html>"_s, {}},
        {"other letter case", uR"({"Longitude":37.6,"LATITUDE":55.7,"z":1})"_s, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CoordinatesField(c.mapText), c.expected);
        const QStringList row = BuildHouseRow(ParseJson(u"{\"guid\":\"g\"}"_s), c.mapText, {}, {});
        EXPECT_EQ(row[ColumnIndex(8)], c.expected);
    }
}
