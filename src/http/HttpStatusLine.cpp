#include "http/HttpStatusLine.h"

#include <QList>

int StatusCodeOf(const QByteArray& statusLine) {
    const QList<QByteArray> words = statusLine.split(' ');
    int wordIndex = 0;
    for (const QByteArray& word : words) {
        if (word.isEmpty())
            continue;
        if (++wordIndex < 2)
            continue;
        const qsizetype dot = word.indexOf('.');
        const QByteArray number = dot < 0 ? word : word.left(dot);
        if (number.isEmpty() || number.size() > 9)
            return -1;
        int code = 0;
        for (const char c : number) {
            if (c < '0' || c > '9')
                return -1;
            code = code * 10 + (c - '0');
        }
        return code;
    }
    return -1;
}
