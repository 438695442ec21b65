#include "records/Coordinates.h"

#include "records/FieldTexts.h"

namespace {

// Cuts characters with codes 32 and below (space and control characters) off both ends.
QStringView TrimControls(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 32)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 32)
        --end;
    return text.sliced(begin, end - begin);
}

QString CoordinateText(QStringView mapText, QStringView marker) {
    const QString cut = TextBetween(mapText, marker, {}, u",");
    return ClearNull(TrimControls(cut).toString());
}

} // namespace

QString TextBetween(QStringView source, QStringView start, QStringView middle, QStringView finish) {
    qsizetype position = start.isEmpty() ? 0 : source.indexOf(start);
    if (position < 0)
        return {};
    qsizetype markerLength = start.size();
    if (!middle.isEmpty()) {
        position = source.indexOf(middle, position + markerLength);
        if (position < 0)
            return {};
        markerLength = middle.size();
    }
    const qsizetype from = position + markerLength;
    const qsizetype end = finish.isEmpty() ? source.size() : source.indexOf(finish, from);
    if (end < 0)
        return {};
    return source.sliced(from, end - from).toString();
}

QString CoordinatesField(QStringView mapText) {
    const QString longitude = CoordinateText(mapText, u"\"longitude\":");
    const QString latitude = CoordinateText(mapText, u"\"latitude\":");
    if (longitude.isEmpty() && latitude.isEmpty())
        return {};
    return longitude + u',' + latitude;
}
