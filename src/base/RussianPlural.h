#pragma once

#include <QString>

// The Russian form of a noun after a count: one ("1 дом", "21 дом"), few ("2 дома", "34 дома")
// or many ("5 домов", "11 домов", "112 домов").
QString PluralForm(qint64 count, const QString& one, const QString& few, const QString& many);

// The count and its noun: "1 дом", "2 дома", "5 домов".
QString CountOf(qint64 count, const QString& one, const QString& few, const QString& many);
