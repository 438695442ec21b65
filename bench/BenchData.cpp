#include "BenchData.h"

#include <QString>

QByteArray SearchPageAnswer(int items) {
    QString page = QStringLiteral("{\"total\":12345,\"items\":[");
    for (int i = 0; i < items; ++i) {
        if (i > 0)
            page += u',';
        page +=
            QStringLiteral(
                "{\"guid\":\"%1-4b6b-9d2e-0a5c3f1e7b7c\",\"houseType\":{\"code\":\"1\","
                "\"houseTypeName\":\"Многоквартирный дом\"},\"address\":{\"formattedAddress\":"
                "\"обл. Московская, г. Химки, мкр. Сходня, ул. Первомайская, д. %2, корп. 2\","
                "\"region\":{\"aoGuid\":\"29251dcf-00a1-4e34-98d4-5c47484a36d4\",\"formalName\":"
                "\"Московская\",\"shortName\":\"обл\",\"offName\":\"Московская\"},\"city\":"
                "{\"aoGuid\":\"a6e3e2cd-1f27-4d3b-a6c8-0d1a38e3f0fb\",\"formalName\":\"Химки\","
                "\"shortName\":\"г\",\"offName\":\"Химки\"},\"street\":{\"formalName\":"
                "\"Первомайская\",\"shortName\":\"ул\"},\"house\":{\"guid\":\"%1-77aa\","
                "\"houseNumber\":\"%2\",\"buildingNumber\":\"2\"}},\"buildingYear\":%3,"
                "\"maxFloorCount\":%4,\"cadastreNumber\":\"50:10:0010101:%2\",\"operationYear\":%3,"
                "\"planSeries\":\"II-18\",\"deterioration\":%5.50,\"deteriorationDate\":"
                "\"2021-03-01\",\"intWallMaterialList\":[{\"code\":\"2\",\"name\":\"Кирпич\"}],"
                "\"reconstructionYear\":null,\"houseEnergyEfficiency\":\"C (Нормальный)\","
                "\"totalSquare\":4123.4567,\"residentialPremiseCount\":%6,\"hasPassport\":true}")
                .arg(QString::number(0x6f0e0000 + i, 16))
                .arg(i + 1)
                .arg(1950 + i % 70)
                .arg(5 + i % 12)
                .arg(10 + i % 60)
                .arg(40 + i);
    }
    page += QStringLiteral("]}");
    return page.toUtf8();
}

QByteArray PassportAnswer(int parameters) {
    QString passport = QStringLiteral("{\"houseGuid\":\"6f0e0001-4b6b\",\"parameters\":[");
    for (int i = 0; i < parameters; ++i) {
        if (i > 0)
            passport += u',';
        const QString code =
            QStringLiteral("%1.%2.%3").arg(2 + i / 20).arg(1 + i / 4 % 5).arg(1 + i % 4);
        QString value;
        switch (i % 4) {
        case 0:
            value = QStringLiteral("\"Кирпичный, панельный\"");
            break;
        case 1:
            value = QString::number(10 + i);
            break;
        case 2:
            value = QStringLiteral("%1.%2").arg(100 + i).arg(i % 100);
            break;
        default:
            value = QStringLiteral("null");
            break;
        }
        passport +=
            QStringLiteral("{\"paramCode\":\"%1\",\"name\":\"Параметр номер %2 паспорта дома\","
                           "\"value\":%3,\"unit\":\"кв.м\",\"groupName\":\"Общие сведения\"}")
                .arg(code)
                .arg(i)
                .arg(value);
    }
    passport += QStringLiteral("]}");
    return passport.toUtf8();
}

QByteArray TinyObjectsAnswer(int objects) {
    QByteArray answer;
    answer.reserve(qsizetype{objects} * 8 + 2);
    answer += '[';
    for (int i = 0; i < objects; ++i)
        answer += i > 0 ? ",{\"a\":1}" : "{\"a\":1}";
    answer += ']';
    return answer;
}
