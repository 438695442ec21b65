// The address directory as the user drives it: the region load after start-up, a region choice,
// the area and city clicks, and failures; against the fake portal.
#include "SimulatedPortal.h"
#include "UiTestSupport.h"

#include <QJsonArray>
#include <QTimer>

namespace {

QString Str(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QString Code(const QJsonObject& object) {
    return object.value(QStringLiteral("code")).toString();
}

QString Described(const QJsonValue& value) {
    const QJsonObject object = value.toObject();
    return object.value(QStringLiteral("name")).toString() + QLatin1Char(' ') +
           object.value(QStringLiteral("shortName")).toString();
}

// The window over a fake portal, with its regions loaded.
class DirectoryFlowTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        small_ = new QJsonObject(SimulatedPortal::DescribeRegion(QStringLiteral("small")));
    }
    static void TearDownTestSuite() { delete small_; }

    void Open(const QString& scenario = {}) {
        portal_ = std::make_unique<SimulatedPortal>(scenario);
        form_ =
            std::make_unique<MainForm>(MainForm::Setup{folder_.Path(), nullptr, &services_, {}});
        form_->show();
        regions_ = Control<QComboBox>(*form_, "RegionComboBox");
        areas_ = Control<QListWidget>(*form_, "ListBox2");
        cities_ = Control<QListWidget>(*form_, "ListBox1");
        streets_ = Control<QListWidget>(*form_, "ListBox3");
    }
    void WaitForRegions() { WaitForLines(2); }
    // Waits until the log has `count` lines (or another error was reported).
    void WaitForLines(int count) {
        const std::size_t errors = services_.errors.size();
        ASSERT_TRUE(WaitUntil([&] {
            return LogLines(*form_).size() >= count || services_.errors.size() > errors;
        })) << "lines so far: "
            << LogLines(*form_).join(QLatin1Char('|')).toStdString();
    }
    QStringList NewLines(int from) const { return LogLines(*form_).mid(from); }
    QString LastTarget(const QString& endpoint) const {
        QString target;
        for (const QJsonObject& entry : portal_->Log())
            if (entry.value(QStringLiteral("endpoint")).toString() == endpoint)
                target = entry.value(QStringLiteral("target")).toString();
        return target;
    }

    static QJsonObject* small_;
    ProgramFolder folder_;
    RecordingServices services_;
    std::unique_ptr<SimulatedPortal> portal_;
    std::unique_ptr<MainForm> form_;
    QComboBox* regions_ = nullptr;
    QListWidget* areas_ = nullptr;
    QListWidget* cities_ = nullptr;
    QListWidget* streets_ = nullptr;
};

QJsonObject* DirectoryFlowTest::small_ = nullptr;

TEST_F(DirectoryFlowTest, RegionsAfterStartUpThenARegionChoiceFillsTheLowerLists) {
    Open();
    WaitForRegions();
    ASSERT_TRUE(services_.errors.empty());
    EXPECT_EQ(LogLines(*form_),
              (QStringList{Str("Запускаем загрузку регионов"), Str("Регионы загружены")}));
    QStringList regionTexts;
    for (int i = 0; i < regions_->count(); ++i)
        regionTexts.append(regions_->itemText(i));
    EXPECT_EQ(regionTexts,
              (QStringList{Str("Выберите регион!"), Str("Тестовая обл"), Str("Тысячная Респ"),
                           Str("Миллионная обл"), Str("Показательный край"), Str("Пустая АО")}));
    EXPECT_EQ(regions_->currentIndex(), 0);
    EXPECT_FALSE(regions_->itemData(0).isValid()) << "the placeholder has no code";
    EXPECT_EQ(regions_->itemData(1).toString(), Code(*small_));
    EXPECT_FALSE(Control<QTimer>(*form_, "StartupTimer")->isActive());
    EXPECT_EQ(areas_->count(), 0);

    ChooseRegion(regions_, 1);
    WaitForLines(8);
    EXPECT_EQ(NewLines(2), (QStringList{Str("Запускаем загрузку районов для региона Тестовая обл"),
                                        Str("Районы загружены"),
                                        Str("Запускаем загрузку городов для региона Тестовая обл"),
                                        Str("Города загружены"),
                                        Str("Запускаем загрузку улиц для города Не задан"),
                                        Str("Улицы для города Не задан загружены")}));
    const QJsonArray cities = small_->value(QStringLiteral("cities")).toArray();
    EXPECT_EQ(Texts(areas_),
              (QStringList{Str("Не задан"), Described(small_->value(QStringLiteral("areas"))[0])}));
    EXPECT_EQ(Texts(cities_), (QStringList{Str("Не задан"), Described(cities[0]),
                                           Described(cities[1]), Described(cities[2])}));
    EXPECT_EQ(cities_->item(2)->data(Qt::UserRole).toString(), Code(cities[1].toObject()));
    // The streets of the whole region: both narrowing codes empty.
    EXPECT_TRUE(
        LastTarget(QStringLiteral("streets")).endsWith(QStringLiteral("&areaCode=&cityCode=")));
    EXPECT_EQ(streets_->item(0)->text(), Str("Не задана"));
    EXPECT_GT(streets_->count(), 1);
    for (const QListWidget* list : {areas_, cities_, streets_})
        EXPECT_EQ(SelectedRows(list), QList<int>{0}) << list->objectName().toStdString();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(DirectoryFlowTest, AreaAndCityClicksNarrowTheirRequests) {
    Open();
    WaitForRegions();
    ChooseRegion(regions_, 1);
    WaitForLines(8);
    const QStringList regionStreets = Texts(streets_);
    const QString region = Code(*small_);
    const QJsonObject area = small_->value(QStringLiteral("areas"))[0].toObject();
    const QJsonObject city = small_->value(QStringLiteral("cities"))[0].toObject();

    // A real area: its cities, nothing selected, the streets untouched.
    ClickRow(areas_, 1);
    WaitForLines(10);
    EXPECT_EQ(NewLines(8), (QStringList{Str("Запускаем загрузку городов для района Приозерный р-н"),
                                        Str("Города для района Приозерный р-н загружены")}));
    EXPECT_TRUE(
        LastTarget(QStringLiteral("cities")).endsWith(QStringLiteral("&areaCode=") + Code(area)));
    EXPECT_EQ(Texts(cities_), (QStringList{Str("Не задан"), Described(city)}));
    EXPECT_TRUE(SelectedRows(cities_).isEmpty());
    EXPECT_EQ(Texts(streets_), regionStreets);
    // Ctrl+click on the chosen area keeps it chosen: no request, no line.
    ClickRow(areas_, 1, Qt::ControlModifier);
    QTest::qWait(50);
    EXPECT_EQ(SelectedRows(areas_), QList<int>{1});
    EXPECT_EQ(LogLines(*form_).size(), 10);
    EXPECT_EQ(portal_->Count(QStringLiteral("cities")), 2);

    // A city with the area chosen: both codes; a toggle click that removes it reloads as well.
    ClickRow(cities_, 1);
    WaitForLines(12);
    EXPECT_EQ(NewLines(10), (QStringList{Str("Запускаем загрузку улиц для города Первомайск г"),
                                         Str("Улицы для города Первомайск г загружены")}));
    const QString cityStreets = QStringLiteral("&regionCode=") + region +
                                QStringLiteral("&areaCode=") + Code(area) +
                                QStringLiteral("&cityCode=") + Code(city);
    EXPECT_TRUE(LastTarget(QStringLiteral("streets")).endsWith(cityStreets));
    EXPECT_EQ(Texts(streets_).size(), 1 + city.value(QStringLiteral("streets")).toInt());
    EXPECT_EQ(SelectedRows(streets_), QList<int>{0});
    ClickRow(cities_, 1, Qt::ControlModifier);
    WaitForLines(14);
    EXPECT_TRUE(SelectedRows(cities_).isEmpty());
    EXPECT_EQ(NewLines(12).first(), Str("Запускаем загрузку улиц для города Первомайск г"));
    EXPECT_EQ(portal_->Count(QStringLiteral("streets")), 3);

    // The city placeholder: the area code stays, the city code is empty.
    ClickRow(cities_, 0);
    WaitForLines(16);
    EXPECT_TRUE(
        LastTarget(QStringLiteral("streets"))
            .endsWith(QStringLiteral("&areaCode=") + Code(area) + QStringLiteral("&cityCode=")));

    // The area placeholder: the cities of the whole region, "&areaCode=" followed by nothing.
    ClickRow(areas_, 0);
    WaitForLines(18);
    EXPECT_EQ(NewLines(16), (QStringList{Str("Запускаем загрузку городов для района Не задан"),
                                         Str("Города для района Не задан загружены")}));
    EXPECT_TRUE(LastTarget(QStringLiteral("cities")).endsWith(QStringLiteral("&areaCode=")));
    EXPECT_EQ(cities_->count(), 4);

    // The keyboard moves the selection as a click does, and the lists follow it.
    areas_->setFocus();
    QTest::keyClick(areas_, Qt::Key_Down);
    WaitForLines(20);
    EXPECT_TRUE(
        LastTarget(QStringLiteral("cities")).endsWith(QStringLiteral("&areaCode=") + Code(area)));
    cities_->setFocus();
    QTest::keyClick(cities_, Qt::Key_Down);
    WaitForLines(22);
    EXPECT_EQ(SelectedRows(cities_), QList<int>{1});
    EXPECT_TRUE(LastTarget(QStringLiteral("streets")).endsWith(cityStreets));
    EXPECT_TRUE(services_.errors.empty());
}

TEST_F(DirectoryFlowTest, EmptyArraysLeavePlaceholdersAndTheRegionPlaceholderLoadsNothing) {
    Open();
    WaitForRegions();
    ChooseRegion(regions_, 5); // Пустая АО: empty arrays at every level
    WaitForLines(8);
    for (const QListWidget* list : {areas_, cities_, streets_}) {
        EXPECT_EQ(list->count(), 1) << list->objectName().toStdString();
        EXPECT_EQ(SelectedRows(list), QList<int>{0});
    }
    const int requests = int(portal_->Log().size());
    ChooseRegion(regions_, 0);
    QTest::qWait(0);
    EXPECT_EQ(LogLines(*form_).size(), 8);
    EXPECT_EQ(int(portal_->Log().size()), requests);
    EXPECT_EQ(Texts(areas_), QStringList{Str("Не задан")});
    EXPECT_EQ(Texts(streets_), QStringList{Str("Не задана")});
}

TEST_F(DirectoryFlowTest, AFailedRequestIsReportedAndTheListsKeepWhatWasDoneBeforeIt) {
    Open(QStringLiteral(R"({"rules": [
        {"endpoint": "cities", "requests": [1], "fault": "status", "status": 500},
        {"endpoint": "streets", "fault": "html_200"}]})"));
    WaitForRegions();
    ChooseRegion(regions_, 1);
    ASSERT_TRUE(WaitUntil([&] { return !services_.errors.empty(); }));
    EXPECT_EQ(services_.errors[0].title, form_->windowTitle());
    EXPECT_TRUE(services_.errors[0].text.contains(QStringLiteral("500")));
    EXPECT_EQ(NewLines(2),
              (QStringList{Str("Запускаем загрузку районов для региона Тестовая обл"),
                           Str("Районы загружены"),
                           Str("Запускаем загрузку городов для региона Тестовая обл")}));
    EXPECT_EQ(areas_->count(), 2);
    EXPECT_EQ(Texts(cities_), QStringList{Str("Не задан")});
    EXPECT_EQ(Texts(streets_), QStringList{Str("Не задана")});
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // A streets answer that is not an array: an empty list, nothing selected, no failure.
    ClickRow(areas_, 1);
    WaitForLines(7);
    ClickRow(cities_, 1);
    WaitForLines(9);
    EXPECT_EQ(services_.errors.size(), 1u);
    EXPECT_EQ(streets_->count(), 0);
    ASSERT_EQ(LogLines(*form_).size(), 9);
    EXPECT_EQ(LogLines(*form_).last(), Str("Улицы для города Первомайск г загружены"));
}

} // namespace
