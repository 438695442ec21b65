// The window itself: its controls with their texts, defaults, places, anchors and tab order, the
// timers, the error report around every handler, and the start-up checks.
#include "ui/MainForm.h"

#include "base/Clock.h"
#include "base/MessageError.h"
#include "desktop/DesktopBuses.h"
#include "desktop/SleepInhibitor.h"
#include "harvest/LogLine.h"
#include "ui/PaneLines.h"
#include "ui/ProgramTitle.h"
#include "ui/StartupChecks.h"
#include "ui/WindowFont.h"
#include "ui/WindowServices.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStyledItemDelegate>
#include <QTimer>
#include <climits>
#include <exception>

namespace {

constexpr int kDesignWidth = 894;
constexpr int kDesignHeight = 750;
constexpr int kProgressHeight = 17;
constexpr int kListRowHeight = 13;

// List rows of a fixed height, as the lists were laid out for.
class FixedRowDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), kListRowHeight};
    }
};

// Tightens the letters of a control whose text, in a fallback font wider than Tahoma, would not
// fit the width the window was laid out for (a little at most; with Tahoma nothing changes).
void FitText(QWidget* control, int available) {
    QFont font = control->font();
    for (qreal spacing = -0.05; control->sizeHint().width() > available && spacing >= -0.5;
         spacing -= 0.05) {
        font.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
        control->setFont(font);
    }
}

QString GradientStyle(const char* from, const char* to) {
    return QStringLiteral("QProgressBar { border: 1px solid #a0a0a0; background: palette(base); }"
                          "QProgressBar::chunk { background: qlineargradient(x1: 0, y1: 0, "
                          "x2: 1, y2: 0, stop: 0 %1, stop: 1 %2); }")
        .arg(QLatin1String(from), QLatin1String(to));
}

// The program's own window: the desktop services on the machine's buses.
MainForm::Setup ProgramSetup() {
    static const DesktopBuses machine = DesktopBuses::Machine();
    MainForm::Setup setup;
    setup.desktop = &machine;
    return setup;
}

} // namespace

MainForm::MainForm() : MainForm(ProgramSetup()) {}

MainForm::MainForm(const Setup& setup)
    : programDirectory_(setup.programDirectory.isEmpty()
                            ? QCoreApplication::applicationDirPath() + QLatin1Char('/')
                            : setup.programDirectory),
      documentsDirectory_(setup.documentsDirectory.isEmpty()
                              ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                              : setup.documentsDirectory),
      clock_(setup.clock != nullptr ? setup.clock : &SystemClock::Instance()),
      services_(setup.services != nullptr ? setup.services : &DesktopServices::Instance()),
      prepareWorker_(setup.prepareWorker), logPaneLines_(setup.logPaneLines) {
    if (setup.desktop != nullptr) {
        desktop_ = std::make_unique<DesktopBuses>(*setup.desktop);
        inhibitor_ = std::make_unique<SleepInhibitor>(*desktop_, ProgramTitle(), true);
    }
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(ProgramTitle());
    setFont(WindowFont(11));
    CreateControls();
    ConnectHandlers();
    resize(kDesignWidth, kDesignHeight);
    ApplyAnchors();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));

    StartupTimer->start();
}

void MainForm::Place(QWidget* widget, QRect rect, int anchors) {
    widget->setGeometry(rect);
    anchored_.push_back({widget, rect, anchors});
}

void MainForm::CreateControls() {
    const auto label = [this](const char* name, const char* text, QPoint at, int anchors) {
        auto* control = new QLabel(QString::fromUtf8(text), this);
        control->setObjectName(QString::fromLatin1(name));
        control->adjustSize();
        Place(control, QRect(at, control->size()), anchors);
        return control;
    };
    const auto list = [this](const char* name, QAbstractItemView::SelectionMode mode, QRect rect,
                             int anchors) {
        auto* control = new QListWidget(this);
        control->setObjectName(QString::fromLatin1(name));
        control->setSelectionMode(mode);
        control->setUniformItemSizes(true);
        control->setItemDelegate(new FixedRowDelegate(control));
        Place(control, rect, anchors);
        return control;
    };
    const auto check = [this](const char* name, const char* text, bool on, QPoint at) {
        auto* control = new QCheckBox(QString::fromUtf8(text), this);
        control->setObjectName(QString::fromLatin1(name));
        control->setChecked(on);
        Place(control, QRect(at, QSize(193, 17)), Left | Bottom);
        return control;
    };
    const auto spin = [this](const char* name, int value, QRect rect) {
        auto* control = new QSpinBox(this);
        control->setObjectName(QString::fromLatin1(name));
        control->setRange(0, INT_MAX);
        control->setSingleStep(1);
        control->setValue(value);
        Place(control, rect, Left | Bottom);
        return control;
    };
    const auto button = [this](const char* name, const char* text, QRect rect, int anchors) {
        auto* control = new QPushButton(QString::fromUtf8(text), this);
        control->setObjectName(QString::fromLatin1(name));
        control->setAutoDefault(false);
        Place(control, rect, anchors);
        return control;
    };
    const auto progress = [this](const char* name, const char* from, const char* to) {
        auto* control = new QProgressBar(this);
        control->setObjectName(QString::fromLatin1(name));
        control->setRange(0, 100);
        control->setValue(0);
        control->setTextVisible(false);
        control->setStyleSheet(GradientStyle(from, to));
        return control;
    };

    Label1 = label("Label1", "Выберите регион", {8, 8}, Left | Top);
    RegionComboBox = new QComboBox(this);
    RegionComboBox->setObjectName(QStringLiteral("RegionComboBox"));
    RegionComboBox->setEditable(false);
    RegionComboBox->setMaxVisibleItems(30);
    // Styles such as Fusion drop a non-editable list down as a menu over the whole screen,
    // ignoring the row count above; the plain list popup honours it.
    RegionComboBox->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
    Place(RegionComboBox, {8, 27, 297, 22}, Left | Top);
    Label5 = label("Label5", "Выберите район", {8, 55}, Left | Top);
    ListBox2 = list("ListBox2", QAbstractItemView::SingleSelection, {8, 74, 297, 151}, Left | Top);
    Label3 = label("Label3", "Выберите города для выгрузки", {8, 231}, Left | Top);
    ListBox1 =
        list("ListBox1", QAbstractItemView::ExtendedSelection, {8, 250, 297, 179}, Left | Top);
    Label7 = label("Label7", "Выберите улицы для выгрузки", {8, 435}, Left | Top);
    ListBox3 = list("ListBox3", QAbstractItemView::ExtendedSelection, {8, 450, 297, 191},
                    Left | Top | Bottom);
    StartButton = button("StartButton", "СТАРТ", {8, 652, 297, 58}, Left | Bottom);
    StartButton->setFont(WindowFont(19));

    Label2 = label("Label2", "Логи", {316, 8}, Left | Top);
    LogsMemo = new QPlainTextEdit(this);
    LogsMemo->setObjectName(QStringLiteral("LogsMemo"));
    LogsMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    LogsMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    LogsMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    LogsMemo->setTabChangesFocus(true);
    // Older lines are in the run's log file.
    LogsMemo->setMaximumBlockCount(logPaneLines_);
    Place(LogsMemo, {316, 27, 570, 614}, Left | Top | Right | Bottom);

    Label6 = new QLabel(QStringLiteral("Домов на странице"), this);
    Label6->setObjectName(QStringLiteral("Label6"));
    Label6->setWordWrap(true);
    FitText(Label6, 97);
    Place(Label6, {316, 652, 97, Label6->heightForWidth(97)}, Left | Bottom);
    elementsPerPageSpinEdit = spin("elementsPerPageSpinEdit", 100, {419, 649, 70, 21});
    elementsPerPageSpinEdit->setGroupSeparatorShown(true);
    SavePassportsCheckBox =
        check("SavePassportsCheckBox", "Сохранять паспорта в json-файлы", false, {316, 672});
    FitText(SavePassportsCheckBox, 193);
    Label4 = label("Label4", "Интервал между запросами, с:", {318, 696}, Left | Bottom);
    IntervalSpinEdit = spin("IntervalSpinEdit", 2, {480, 693, 43, 21});
    CoordsCheckBox = check("CoordsCheckBox", "Загружать координаты", true, {529, 649});
    PassCheckBox = check("PassCheckBox", "Загружать паспорт", true, {529, 672});
    CardCheckBox = check("CardCheckBox", "Загружать карточку", true, {529, 695});
    PauseButton = button("PauseButton", "пауза", {730, 673, 75, 34}, Right | Bottom);
    StopButton = button("StopButton", "стоп", {811, 673, 75, 34}, Right | Bottom);

    ProgressBar = progress("ProgressBar", "rgb(0, 128, 0)", "rgb(192, 220, 192)");
    StagesProgressBar = progress("StagesProgressBar", "rgb(0, 0, 128)", "rgb(166, 202, 240)");

    StartupTimer = new QTimer(this);
    StartupTimer->setObjectName(QStringLiteral("StartupTimer"));
    StartupTimer->setInterval(1000);
    StartupTimer->setSingleShot(true);
    ResumeTimer = new QTimer(this);
    ResumeTimer->setObjectName(QStringLiteral("ResumeTimer"));
    ResumeTimer->setSingleShot(true);

    QWidget* const order[] = {
        RegionComboBox,        ListBox1,       ListBox2,     ListBox3,    StartButton,
        IntervalSpinEdit,      PauseButton,    StopButton,   LogsMemo,    elementsPerPageSpinEdit,
        SavePassportsCheckBox, CoordsCheckBox, PassCheckBox, CardCheckBox};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void MainForm::ConnectHandlers() {
    connect(StartupTimer, &QTimer::timeout, this,
            [this] { Guarded([this] { StartupTimerTimer(); }); });
    connect(RegionComboBox, &QComboBox::activated, this,
            [this] { Guarded([this] { RegionComboBoxChange(); }); });
    // Queued: a key press changes the selection before it moves the current row, and the
    // handlers read the current row.
    connect(
        ListBox2, &QListWidget::itemSelectionChanged, this,
        [this] { Guarded([this] { ListBox2Click(); }); }, Qt::QueuedConnection);
    connect(
        ListBox1, &QListWidget::itemSelectionChanged, this,
        [this] { Guarded([this] { ListBox1Click(); }); }, Qt::QueuedConnection);
    connect(StartButton, &QPushButton::clicked, this,
            [this] { Guarded([this] { StartButtonClick(); }); });
    connect(PauseButton, &QPushButton::clicked, this,
            [this] { Guarded([this] { PauseButtonClick(); }); });
    connect(StopButton, &QPushButton::clicked, this,
            [this] { Guarded([this] { StopButtonClick(); }); });
    connect(ResumeTimer, &QTimer::timeout, this,
            [this] { Guarded([this] { ResumeTimerTimer(); }); });

    connect(IntervalSpinEdit, &QSpinBox::valueChanged, this, [this](int v) { interval_ = v; });
    connect(elementsPerPageSpinEdit, &QSpinBox::valueChanged, this,
            [this](int v) { pageSize_ = v; });
    connect(SavePassportsCheckBox, &QCheckBox::toggled, this,
            [this](bool on) { savePassports_ = on; });
    connect(CoordsCheckBox, &QCheckBox::toggled, this, [this](bool on) { coordinates_ = on; });
    connect(PassCheckBox, &QCheckBox::toggled, this, [this](bool on) { passports_ = on; });
    connect(CardCheckBox, &QCheckBox::toggled, this, [this](bool on) { cards_ = on; });
}

void MainForm::ApplyAnchors() {
    const int dw = width() - kDesignWidth;
    const int dh = height() - kDesignHeight;
    for (const Anchored& a : anchored_) {
        QRect r = a.design;
        if ((a.anchors & Left) && (a.anchors & Right))
            r.setWidth(std::max(0, r.width() + dw));
        else if (a.anchors & Right)
            r.moveLeft(r.left() + dw);
        if ((a.anchors & Top) && (a.anchors & Bottom))
            r.setHeight(std::max(0, r.height() + dh));
        else if (a.anchors & Bottom)
            r.moveTop(r.top() + dh);
        a.widget->setGeometry(r);
    }
    StagesProgressBar->setGeometry(0, height() - kProgressHeight, width(), kProgressHeight);
    ProgressBar->setGeometry(0, height() - 2 * kProgressHeight, width(), kProgressHeight);
}

void MainForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ApplyAnchors();
}

void MainForm::Guarded(const std::function<void()>& handler) {
    QString message;
    try {
        handler();
        return;
    } catch (const MessageError& failure) {
        message = failure.message();
    } catch (const std::exception& failure) {
        message = QString::fromUtf8(failure.what());
    } catch (...) {
        message = QStringLiteral("Неизвестная ошибка");
    }
    services_->ShowError(this, windowTitle(), message);
}

void MainForm::LogPlain(const QString& text) {
    for (const QString& line : PaneLines(text)) {
        LogsMemo->appendPlainText(line);
        if (const QString failure = logFile_.Append(line); !failure.isEmpty())
            LogStamped(QStringLiteral("Ошибка: ") + failure);
    }
}

void MainForm::LogStamped(const QString& message) {
    LogPlain(FormatLogLine(message));
}

void MainForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shownOnce_)
        return;
    shownOnce_ = true;
    // After the show has finished, from the event loop, so that a message box and the end of
    // the program also work for a window shown before the loop runs.
    QMetaObject::invokeMethod(
        this, [this] { Guarded([this] { FormShow(); }); }, Qt::QueuedConnection);
}

void MainForm::FormShow() {
    const QString message = StartupCheckMessage(programDirectory_);
    if (message.isEmpty()) {
        OfferUnfinishedRun();
        return;
    }
    StartupTimer->stop();
    services_->ShowNotice(this, StartupNoticeTitle(), message);
    hide();
    services_->EndProgram(0);
}
