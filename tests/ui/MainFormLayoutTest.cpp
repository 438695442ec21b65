// The window as it is created: every control's kind, text, place, size and default; the anchors
// on resize; tab order; fonts; progress bars; timers; caption.
#include "UiTestSupport.h"
#include "ui/WindowFont.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

namespace {

constexpr int kAuto = -1;

struct ControlCase {
    const char* name;
    const char* kind;
    const char* text; // label, button or check box text; "" for the others
    QRect geometry;   // width or height kAuto: sized by its text
    const char* anchors;
};

// Position and size at 96 dpi in the client area of 894 x 750.
const ControlCase kControls[] = {
    {"Label1", "QLabel", "Выберите регион", {8, 8, kAuto, kAuto}, "LT"},
    {"RegionComboBox", "QComboBox", "", {8, 27, 297, 22}, "LT"},
    {"Label5", "QLabel", "Выберите район", {8, 55, kAuto, kAuto}, "LT"},
    {"ListBox2", "QListWidget", "", {8, 74, 297, 151}, "LT"},
    {"Label3", "QLabel", "Выберите города для выгрузки", {8, 231, kAuto, kAuto}, "LT"},
    {"ListBox1", "QListWidget", "", {8, 250, 297, 179}, "LT"},
    {"Label7", "QLabel", "Выберите улицы для выгрузки", {8, 435, kAuto, kAuto}, "LT"},
    {"ListBox3", "QListWidget", "", {8, 450, 297, 191}, "LTB"},
    {"StartButton", "QPushButton", "СТАРТ", {8, 652, 297, 58}, "LB"},
    {"Label2", "QLabel", "Логи", {316, 8, kAuto, kAuto}, "LT"},
    {"LogsMemo", "QPlainTextEdit", "", {316, 27, 570, 614}, "LTRB"},
    {"Label6", "QLabel", "Домов на странице", {316, 652, 97, kAuto}, "LB"},
    {"elementsPerPageSpinEdit", "QSpinBox", "", {419, 649, 70, 21}, "LB"},
    {"SavePassportsCheckBox",
     "QCheckBox",
     "Сохранять паспорта в json-файлы",
     {316, 672, 193, 17},
     "LB"},
    {"Label4", "QLabel", "Интервал между запросами, с:", {318, 696, kAuto, kAuto}, "LB"},
    {"IntervalSpinEdit", "QSpinBox", "", {480, 693, 43, 21}, "LB"},
    {"CoordsCheckBox", "QCheckBox", "Загружать координаты", {529, 649, 193, 17}, "LB"},
    {"PassCheckBox", "QCheckBox", "Загружать паспорт", {529, 672, 193, 17}, "LB"},
    {"CardCheckBox", "QCheckBox", "Загружать карточку", {529, 695, 193, 17}, "LB"},
    {"PauseButton", "QPushButton", "пауза", {730, 673, 75, 34}, "RB"},
    {"StopButton", "QPushButton", "стоп", {811, 673, 75, 34}, "RB"},
    {"ProgressBar", "QProgressBar", "", {0, 716, 894, 17}, "LRB"},
    {"StagesProgressBar", "QProgressBar", "", {0, 733, 894, 17}, "LRB"},
};

QString TextOf(const QWidget* widget) {
    if (const auto* label = qobject_cast<const QLabel*>(widget))
        return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
        return button->text();
    return {};
}

// Where the control must be once the client area has grown by dw x dh.
QRect Expected(const ControlCase& c, const QWidget* widget, int dw, int dh) {
    QRect r(c.geometry.topLeft(), widget->size());
    if (c.geometry.width() != kAuto)
        r.setWidth(c.geometry.width());
    if (c.geometry.height() != kAuto)
        r.setHeight(c.geometry.height());
    const QString anchors = QString::fromLatin1(c.anchors);
    if (anchors.contains(QLatin1Char('L')) && anchors.contains(QLatin1Char('R')))
        r.setWidth(r.width() + dw);
    else if (anchors.contains(QLatin1Char('R')))
        r.translate(dw, 0);
    if (anchors.contains(QLatin1Char('T')) && anchors.contains(QLatin1Char('B')))
        r.setHeight(r.height() + dh);
    else if (anchors.contains(QLatin1Char('B')))
        r.translate(0, dh);
    return r;
}

class MainFormLayoutTest : public testing::Test {
protected:
    MainFormLayoutTest() : form(MainForm::Setup{folder.Path(), nullptr, &services, {}}) {}

    ProgramFolder folder;
    RecordingServices services;
    MainForm form;
};

TEST_F(MainFormLayoutTest, EveryControlHasItsKindTextPlaceAndAnchors) {
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    ASSERT_EQ(form.size(), QSize(894, 750));
    for (const QSize grown : {QSize(894, 750), QSize(1200, 900), QSize(894, 1000)}) {
        form.resize(grown);
        const int dw = grown.width() - 894;
        const int dh = grown.height() - 750;
        for (const ControlCase& c : kControls) {
            SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(grown.width()) + "x" +
                         std::to_string(grown.height()));
            const QWidget* widget = Control<QWidget>(form, c.name);
            ASSERT_NE(widget, nullptr);
            EXPECT_STREQ(widget->metaObject()->className(), c.kind);
            EXPECT_EQ(TextOf(widget), QString::fromUtf8(c.text));
            EXPECT_EQ(widget->geometry(), Expected(c, widget, dw, dh));
            EXPECT_GT(widget->width(), 0);
            EXPECT_GT(widget->height(), 0);
        }
    }
}

TEST_F(MainFormLayoutTest, DefaultsOfListsOptionsAndLog) {
    const auto* regions = Control<QComboBox>(form, "RegionComboBox");
    EXPECT_FALSE(regions->isEditable());
    EXPECT_EQ(regions->maxVisibleItems(), 30);
    EXPECT_EQ(regions->count(), 0);
    {
        // The drop-down shows 30 rows, whatever the style would do with a long list.
        QComboBox dropDown(&form);
        dropDown.setMaxVisibleItems(regions->maxVisibleItems());
        dropDown.setStyleSheet(regions->styleSheet());
        for (int row = 0; row < 90; ++row)
            dropDown.addItem(QString::number(row));
        dropDown.showPopup();
        const QAbstractItemView* view = dropDown.view();
        EXPECT_EQ(view->viewport()->height() / view->sizeHintForRow(0), 30);
        dropDown.hidePopup();
    }

    const struct {
        const char* name;
        QAbstractItemView::SelectionMode mode;
    } lists[] = {{"ListBox2", QAbstractItemView::SingleSelection},
                 {"ListBox1", QAbstractItemView::ExtendedSelection},
                 {"ListBox3", QAbstractItemView::ExtendedSelection}};
    for (const auto& l : lists) {
        auto* list = Control<QListWidget>(form, l.name);
        EXPECT_EQ(list->selectionMode(), l.mode) << l.name;
        EXPECT_EQ(list->count(), 0) << l.name;
        EXPECT_FALSE(list->isSortingEnabled()) << l.name;
        list->addItem(QStringLiteral("строка"));
        EXPECT_EQ(list->visualItemRect(list->item(0)).height(), 13) << l.name;
        list->clear();
    }

    const struct {
        const char* name;
        int value;
        bool separators;
    } spins[] = {{"elementsPerPageSpinEdit", 100, true}, {"IntervalSpinEdit", 2, false}};
    for (const auto& s : spins) {
        const auto* spin = Control<QSpinBox>(form, s.name);
        EXPECT_EQ(spin->value(), s.value) << s.name;
        EXPECT_EQ(spin->minimum(), 0) << s.name;
        EXPECT_EQ(spin->maximum(), std::numeric_limits<int>::max()) << s.name;
        EXPECT_EQ(spin->singleStep(), 1) << s.name;
        EXPECT_EQ(spin->isGroupSeparatorShown(), s.separators) << s.name;
    }
    EXPECT_EQ(form.IntervalSeconds(), 2);
    EXPECT_EQ(form.PageSize(), 100);

    const struct {
        const char* name;
        bool checked;
        bool (MainForm::*read)() const;
    } checks[] = {{"SavePassportsCheckBox", false, &MainForm::SavePassports},
                  {"CoordsCheckBox", true, &MainForm::RequestCoordinates},
                  {"PassCheckBox", true, &MainForm::RequestPassports},
                  {"CardCheckBox", true, &MainForm::RequestCards}};
    for (const auto& c : checks) {
        auto* box = Control<QCheckBox>(form, c.name);
        EXPECT_EQ(box->isChecked(), c.checked) << c.name;
        EXPECT_EQ((form.*c.read)(), c.checked) << c.name;
        box->setChecked(!c.checked);
        EXPECT_EQ((form.*c.read)(), !c.checked) << c.name << ": the worker reads the change";
    }
    Control<QSpinBox>(form, "IntervalSpinEdit")->setValue(0);
    EXPECT_EQ(form.IntervalSeconds(), 0);

    const auto* memo = Control<QPlainTextEdit>(form, "LogsMemo");
    EXPECT_TRUE(memo->toPlainText().isEmpty());
    EXPECT_FALSE(memo->isReadOnly());
    EXPECT_EQ(memo->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_TRUE(Control<QLabel>(form, "Label6")->wordWrap());
}

TEST_F(MainFormLayoutTest, TabOrderFontsCaptionTimersAndProgressBars) {
    const char* order[] = {"RegionComboBox",
                           "ListBox1",
                           "ListBox2",
                           "ListBox3",
                           "StartButton",
                           "IntervalSpinEdit",
                           "PauseButton",
                           "StopButton",
                           "LogsMemo",
                           "elementsPerPageSpinEdit",
                           "SavePassportsCheckBox",
                           "CoordsCheckBox",
                           "PassCheckBox",
                           "CardCheckBox"};
    QStringList expected, walked;
    for (const char* name : order)
        expected.append(QString::fromLatin1(name));
    QWidget* widget = Control<QWidget>(form, order[0]);
    for (qsizetype i = 0; i < expected.size(); ++i) {
        walked.append(widget->objectName());
        do
            widget = widget->nextInFocusChain();
        while (!expected.contains(widget->objectName()) && widget != &form);
    }
    EXPECT_EQ(walked, expected);
    EXPECT_TRUE(Control<QPlainTextEdit>(form, "LogsMemo")->tabChangesFocus());

    EXPECT_EQ(form.font().pixelSize(), 11);
    EXPECT_EQ(QFontInfo(form.font()).family(), QFontInfo(WindowFont(11)).family());
    EXPECT_EQ(Control<QLabel>(form, "Label1")->font().pixelSize(), 11);
    EXPECT_EQ(Control<QPushButton>(form, "StartButton")->font().pixelSize(), 19);
    EXPECT_EQ(Control<QPushButton>(form, "PauseButton")->font().pixelSize(), 11);

    EXPECT_TRUE(form.windowTitle().startsWith(QStringLiteral("Парсер домов с ")));

    const auto* startup = Control<QTimer>(form, "StartupTimer");
    EXPECT_TRUE(startup->isActive());
    EXPECT_TRUE(startup->isSingleShot());
    EXPECT_EQ(startup->interval(), 1000);
    EXPECT_FALSE(Control<QTimer>(form, "ResumeTimer")->isActive());

    const struct {
        const char* name;
        const char* from;
        const char* to;
    } bars[] = {{"ProgressBar", "rgb(0, 128, 0)", "rgb(192, 220, 192)"},
                {"StagesProgressBar", "rgb(0, 0, 128)", "rgb(166, 202, 240)"}};
    for (const auto& b : bars) {
        const auto* bar = Control<QProgressBar>(form, b.name);
        EXPECT_EQ(bar->value(), 0) << b.name;
        EXPECT_FALSE(bar->isTextVisible()) << b.name;
        EXPECT_TRUE(bar->styleSheet().contains(QLatin1String("stop: 0 ") + QLatin1String(b.from)));
        EXPECT_TRUE(bar->styleSheet().contains(QLatin1String("stop: 1 ") + QLatin1String(b.to)));
    }
}

TEST_F(MainFormLayoutTest, ProgressShowsItsToolTipAndAZeroMaximumIsAnEmptyBar) {
    const struct {
        int maximum;
        int position;
        int shownMaximum;
        int shownValue;
        const char* toolTip;
    } cases[] = {{120, 45, 120, 45, "45 из 120, осталось 75"},
                 {120, 130, 120, 120, "120 из 120, осталось 0"},
                 {0, 0, 1, 0, "0 из 0, осталось 0"}};
    auto* houses = Control<QProgressBar>(form, "ProgressBar");
    auto* stages = Control<QProgressBar>(form, "StagesProgressBar");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.toolTip);
        form.ShowHouseProgress(c.maximum, c.position);
        form.ShowStageProgress(c.maximum, c.position);
        for (const QProgressBar* bar : {houses, stages}) {
            EXPECT_EQ(bar->maximum(), c.shownMaximum);
            EXPECT_EQ(bar->value(), c.shownValue);
            EXPECT_EQ(bar->toolTip(), QString::fromUtf8(c.toolTip));
        }
    }
}

TEST(MainFormErrorReport, AFailureLeavingAHandlerIsReportedWithTheProgramTitle) {
    // The region load without a portal: the connection is refused on a closed port.
    qputenv("PORTAL_ORIGIN", "https://127.0.0.1:1");
    ProgramFolder folder;
    RecordingServices services;
    MainForm form(MainForm::Setup{folder.Path(), nullptr, &services, {}});
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Парсер домов с 127.0.0.1"));
    ASSERT_TRUE(WaitUntil([&] { return !services.errors.empty(); }));
    qunsetenv("PORTAL_ORIGIN");
    EXPECT_EQ(services.errors[0].title, form.windowTitle());
    EXPECT_FALSE(services.errors[0].text.isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // A failed region load leaves the list empty and is not tried again.
    EXPECT_EQ(Control<QComboBox>(form, "RegionComboBox")->count(), 0);
    EXPECT_FALSE(Control<QTimer>(form, "StartupTimer")->isActive());
    EXPECT_EQ(LogLines(form), QStringList{QStringLiteral("Запускаем загрузку регионов")});
}

} // namespace
