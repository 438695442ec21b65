#include "ui/WindowFont.h"

#include <QFontDatabase>
#include <QStringList>

QString WindowFontFamily() {
    const QStringList installed = QFontDatabase::families();
    for (const char* family : {"Tahoma", "Liberation Sans", "Arial", "DejaVu Sans"}) {
        const QString name = QString::fromLatin1(family);
        if (installed.contains(name, Qt::CaseInsensitive))
            return name;
    }
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

QFont WindowFont(int pixelSize) {
    QFont font(WindowFontFamily());
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::Normal);
    return font;
}
