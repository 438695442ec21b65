// The address directory's four operations as the window runs them: the region load, the region
// choice, the area choice and the city click. Each runs one directory client on the window's
// thread under the busy cursor; both are released on every way out, a failure included.
#include "directory/DirectoryClient.h"
#include "ui/BusyCursor.h"
#include "ui/MainForm.h"

#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTimer>

namespace {

const QString kRegionPlaceholder = QStringLiteral("Выберите регион!");
const QString kAreaPlaceholder = QStringLiteral("Не задан");
const QString kCityPlaceholder = QStringLiteral("Не задан");
const QString kStreetPlaceholder = QStringLiteral("Не задана");

// Entries carry their code as the item's data; a placeholder has none.
void Append(QListWidget* list, const DirectoryAnswer& answer) {
    for (const DirectoryEntry& entry : answer.entries) {
        auto* item = new QListWidgetItem(entry.text, list);
        item->setData(Qt::UserRole, entry.code);
    }
}

// The list holds only its placeholder, selected; the program's own change runs no handler.
void ResetToPlaceholder(QListWidget* list, const QString& placeholder) {
    const QSignalBlocker blocker(list);
    list->clear();
    list->addItem(placeholder);
    list->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
}

void Clear(QListWidget* list) {
    const QSignalBlocker blocker(list);
    list->clear();
}

QString CurrentText(const QListWidget* list) {
    const QListWidgetItem* item = list->currentItem();
    return item != nullptr ? item->text() : QString();
}

// The code of the current entry; index 0 (the placeholder) and no entry stand for no narrowing.
QString CurrentCode(const QListWidget* list) {
    const int row = list->currentRow();
    return row > 0 ? list->item(row)->data(Qt::UserRole).toString() : QString();
}

} // namespace

void MainForm::StartupTimerTimer() {
    StartupTimer->stop();
    LogPlain(QStringLiteral("Запускаем загрузку регионов"));
    const BusyCursor busy;
    DirectoryClient client;
    const DirectoryAnswer regions = client.Regions();
    for (const DirectoryEntry& entry : regions.entries)
        RegionComboBox->addItem(entry.text, entry.code);
    LogPlain(QStringLiteral("Регионы загружены"));
    const QSignalBlocker blocker(RegionComboBox);
    RegionComboBox->insertItem(0, kRegionPlaceholder);
    RegionComboBox->setCurrentIndex(0);
}

void MainForm::RegionComboBoxChange() {
    ResetToPlaceholder(ListBox1, kCityPlaceholder);
    ResetToPlaceholder(ListBox2, kAreaPlaceholder);
    ResetToPlaceholder(ListBox3, kStreetPlaceholder);
    if (RegionComboBox->currentIndex() <= 0)
        return;
    const QString regionText = RegionComboBox->currentText();
    const QString regionCode = RegionComboBox->currentData().toString();

    const BusyCursor busy;
    DirectoryClient client;
    LogPlain(QStringLiteral("Запускаем загрузку районов для региона ") + regionText);
    {
        const QSignalBlocker blocker(ListBox2);
        Append(ListBox2, client.Areas(regionCode));
    }
    LogPlain(QStringLiteral("Районы загружены"));
    LogPlain(QStringLiteral("Запускаем загрузку городов для региона ") + regionText);
    {
        const QSignalBlocker blocker(ListBox1);
        Append(ListBox1, client.CitiesOfRegion(regionCode));
    }
    LogPlain(QStringLiteral("Города загружены"));
    {
        const QSignalBlocker blocker(ListBox1);
        ListBox1->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
    }
    ListBox1Click();
}

void MainForm::ListBox2Click() {
    // The area list always shows one area: a Ctrl+click that took the selection away puts it
    // back, and the cities stay those of that area.
    if (ListBox2->selectedItems().isEmpty() && ListBox2->currentItem() != nullptr) {
        const QSignalBlocker blocker(ListBox2);
        ListBox2->currentItem()->setSelected(true);
        return;
    }
    Clear(ListBox1);
    if (RegionComboBox->currentIndex() <= 0)
        return;
    const QString regionCode = RegionComboBox->currentData().toString();
    const QString areaText = CurrentText(ListBox2);

    const BusyCursor busy;
    DirectoryClient client;
    LogPlain(QStringLiteral("Запускаем загрузку городов для района ") + areaText);
    const DirectoryAnswer cities = client.CitiesOfArea(regionCode, CurrentCode(ListBox2));
    const QSignalBlocker blocker(ListBox1);
    Append(ListBox1, cities);
    if (cities.isArray)
        ListBox1->insertItem(0, kCityPlaceholder);
    LogPlain(QStringLiteral("Города для района ") + areaText + QStringLiteral(" загружены"));
    // Nothing selected; the keyboard starts from the first entry.
    if (ListBox1->count() > 0)
        ListBox1->setCurrentRow(0, QItemSelectionModel::NoUpdate);
}

void MainForm::ListBox1Click() {
    Clear(ListBox3);
    if (RegionComboBox->currentIndex() <= 0)
        return;
    const QString regionCode = RegionComboBox->currentData().toString();
    const QString cityText = CurrentText(ListBox1);

    const BusyCursor busy;
    DirectoryClient client;
    LogPlain(QStringLiteral("Запускаем загрузку улиц для города ") + cityText);
    const DirectoryAnswer streets =
        client.Streets(regionCode, CurrentCode(ListBox2), CurrentCode(ListBox1));
    const QSignalBlocker blocker(ListBox3);
    Append(ListBox3, streets);
    if (streets.isArray)
        ListBox3->insertItem(0, kStreetPlaceholder);
    LogPlain(QStringLiteral("Улицы для города ") + cityText + QStringLiteral(" загружены"));
    // An answer that was not an array leaves the list empty: then nothing is selected.
    if (ListBox3->count() > 0)
        ListBox3->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
}
