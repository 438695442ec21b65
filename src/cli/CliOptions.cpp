#include "cli/CliOptions.h"

#include <QSet>
#include <limits>

namespace {

// A whole decimal number from 0 to 2^31 - 1, digits only.
std::optional<int> WholeNumber(const QString& text) {
    if (text.isEmpty() || text.size() > 10)
        return std::nullopt;
    qint64 value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    if (value > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(value);
}

std::optional<CliOptions::ListKind> ListKindOf(const QString& text) {
    if (text == QLatin1String("regions"))
        return CliOptions::ListKind::Regions;
    if (text == QLatin1String("areas"))
        return CliOptions::ListKind::Areas;
    if (text == QLatin1String("cities"))
        return CliOptions::ListKind::Cities;
    if (text == QLatin1String("streets"))
        return CliOptions::ListKind::Streets;
    return std::nullopt;
}

const QSet<QString> kValueOptions{QStringLiteral("--region"),    QStringLiteral("--city"),
                                  QStringLiteral("--street"),    QStringLiteral("--interval"),
                                  QStringLiteral("--page-size"), QStringLiteral("--out"),
                                  QStringLiteral("--list"),      QStringLiteral("--run")};
const QSet<QString> kFlagOptions{QStringLiteral("--all-streets"),
                                 QStringLiteral("--no-coords"),
                                 QStringLiteral("--no-passport"),
                                 QStringLiteral("--no-card"),
                                 QStringLiteral("--save-passports"),
                                 QStringLiteral("--allow-sleep"),
                                 QStringLiteral("--resume"),
                                 QStringLiteral("--repair"),
                                 QStringLiteral("--help"),
                                 QStringLiteral("-h"),
                                 QStringLiteral("--version")};
// Options that only a harvest takes.
const QSet<QString> kHarvestOptions{
    QStringLiteral("--street"),    QStringLiteral("--all-streets"),
    QStringLiteral("--interval"),  QStringLiteral("--page-size"),
    QStringLiteral("--no-coords"), QStringLiteral("--no-passport"),
    QStringLiteral("--no-card"),   QStringLiteral("--save-passports"),
    QStringLiteral("--out"),       QStringLiteral("--allow-sleep")};

CliParse Failure(const QString& text) {
    CliParse parse;
    parse.error = text;
    return parse;
}

// Options that go with --resume and --repair: the job comes from the run's record.
const QSet<QString> kContinueOptions{QStringLiteral("--out"), QStringLiteral("--interval"),
                                     QStringLiteral("--resume"), QStringLiteral("--repair"),
                                     QStringLiteral("--run"), QStringLiteral("--allow-sleep")};

// Every check that needs all options at once.
QString CheckCombination(const CliOptions& options, const QSet<QString>& seen) {
    if (options.mode == CliOptions::Mode::Compare) {
        for (const QString& name : seen)
            if (name != QLatin1String("--compare") && name != QLatin1String("--out"))
                return QStringLiteral("%1 не сочетается с --compare").arg(name);
        return {};
    }
    if (options.mode == CliOptions::Mode::Resume || options.mode == CliOptions::Mode::Repair) {
        const QString mode = options.mode == CliOptions::Mode::Resume ? QStringLiteral("--resume")
                                                                      : QStringLiteral("--repair");
        if (seen.contains(QStringLiteral("--resume")) && seen.contains(QStringLiteral("--repair")))
            return QStringLiteral("--resume не сочетается с --repair");
        for (const QString& name : seen)
            if (!kContinueOptions.contains(name))
                return QStringLiteral("%1 не сочетается с %2: задание берётся из записи выгрузки")
                    .arg(name, mode);
        return {};
    }
    if (seen.contains(QStringLiteral("--run")))
        return QStringLiteral("--run сочетается только с --resume и --repair");
    if (options.mode == CliOptions::Mode::List) {
        for (const QString& name : seen)
            if (kHarvestOptions.contains(name))
                return QStringLiteral("%1 не сочетается с --list").arg(name);
        const bool needsRegion = options.listKind != CliOptions::ListKind::Regions;
        if (needsRegion && options.region.isEmpty())
            return QStringLiteral("--list areas, cities и streets требуют --region");
        if (!needsRegion && !options.region.isEmpty())
            return QStringLiteral("--list regions не принимает --region");
        if (!options.cities.isEmpty() && options.listKind != CliOptions::ListKind::Streets)
            return QStringLiteral("--city сочетается только с --list streets");
        if (options.cities.size() > 1)
            return QStringLiteral("--list streets принимает не больше одного --city");
        return {};
    }
    if (options.region.isEmpty())
        return QStringLiteral("не задан регион (--region)");
    if (options.allStreets && !options.streets.isEmpty())
        return QStringLiteral("--all-streets не сочетается с --street");
    if (!options.allStreets && options.streets.isEmpty())
        return QStringLiteral("не заданы улицы: укажите --street или --all-streets");
    return {};
}

} // namespace

CliParse ParseCliArguments(const QStringList& arguments) {
    CliParse parse;
    CliOptions& options = parse.options;
    QSet<QString> seen;
    bool listGiven = false;
    std::optional<CliOptions::Mode> continueMode;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString name = arguments[i];
        if (name == QLatin1String("--compare")) {
            if (seen.contains(name))
                return Failure(QStringLiteral("--compare задан дважды"));
            if (i + 2 >= arguments.size())
                return Failure(QStringLiteral("после --compare нужны две таблицы: старая и новая"));
            seen.insert(name);
            options.compareOld = arguments[++i];
            options.compareNew = arguments[++i];
            continue;
        }
        std::optional<QString> value;
        if (const qsizetype equals = name.indexOf(QLatin1Char('='));
            name.startsWith(QLatin1String("--")) && equals > 0) {
            value = name.mid(equals + 1);
            name.truncate(equals);
        }
        if (kFlagOptions.contains(name)) {
            if (value)
                return Failure(QStringLiteral("%1 не принимает значения").arg(name));
        } else if (kValueOptions.contains(name)) {
            if (!value) {
                if (i + 1 >= arguments.size())
                    return Failure(QStringLiteral("после %1 нужно значение").arg(name));
                value = arguments[++i];
            }
        } else if (name.startsWith(QLatin1Char('-'))) {
            return Failure(QStringLiteral("неизвестный параметр %1").arg(name));
        } else {
            return Failure(QStringLiteral("лишний аргумент \"%1\"").arg(name));
        }

        const bool repeatable =
            name == QLatin1String("--city") || name == QLatin1String("--street");
        if (seen.contains(name) && !repeatable)
            return Failure(QStringLiteral("%1 задан дважды").arg(name));
        seen.insert(name);

        if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
            options.mode = CliOptions::Mode::Help;
        } else if (name == QLatin1String("--version")) {
            if (options.mode != CliOptions::Mode::Help)
                options.mode = CliOptions::Mode::Version;
        } else if (name == QLatin1String("--list")) {
            const std::optional<CliOptions::ListKind> kind = ListKindOf(*value);
            if (!kind)
                return Failure(
                    QStringLiteral(
                        "--list принимает regions, areas, cities или streets, а не \"%1\"")
                        .arg(*value));
            listGiven = true;
            options.listKind = *kind;
        } else if (name == QLatin1String("--interval") || name == QLatin1String("--page-size")) {
            const std::optional<int> number = WholeNumber(*value);
            const bool page = name == QLatin1String("--page-size");
            if (!number || (page && *number == 0))
                return Failure(
                    QStringLiteral("%1 ждёт целое число %2, а не \"%3\"")
                        .arg(name, page ? QStringLiteral("от 1") : QStringLiteral("от 0"), *value));
            (page ? options.pageSize : options.intervalSeconds) = *number;
        } else if (value && value->trimmed().isEmpty()) {
            return Failure(QStringLiteral("пустое значение у %1").arg(name));
        } else if (name == QLatin1String("--region")) {
            options.region = value->trimmed();
        } else if (name == QLatin1String("--city")) {
            options.cities.append(value->trimmed());
        } else if (name == QLatin1String("--street")) {
            options.streets.append(value->trimmed());
        } else if (name == QLatin1String("--out")) {
            options.outDirectory = *value;
            options.compareWorkbook = *value;
        } else if (name == QLatin1String("--run")) {
            options.runName = value->trimmed();
        } else if (name == QLatin1String("--all-streets")) {
            options.allStreets = true;
        } else if (name == QLatin1String("--no-coords")) {
            options.coordinates = false;
        } else if (name == QLatin1String("--no-passport")) {
            options.passports = false;
        } else if (name == QLatin1String("--no-card")) {
            options.cards = false;
        } else if (name == QLatin1String("--save-passports")) {
            options.savePassports = true;
        } else if (name == QLatin1String("--allow-sleep")) {
            options.allowSleep = true;
        } else if (name == QLatin1String("--resume")) {
            continueMode = CliOptions::Mode::Resume;
        } else if (name == QLatin1String("--repair")) {
            continueMode = CliOptions::Mode::Repair;
        }
    }
    if (options.mode == CliOptions::Mode::Help || options.mode == CliOptions::Mode::Version)
        return parse;
    if (listGiven)
        options.mode = CliOptions::Mode::List;
    if (continueMode)
        options.mode = *continueMode;
    if (seen.contains(QStringLiteral("--compare")))
        options.mode = CliOptions::Mode::Compare;
    parse.error = CheckCombination(options, seen);
    return parse;
}

QString CliHelpText() {
    return QStringLiteral(
        "house-export-cli: выгрузка домов из реестра без окна, для серверов и запусков по "
        "расписанию.\n"
        "\n"
        "Выгрузка:\n"
        "  house-export-cli --region РЕГИОН [--city ГОРОД ...] (--street УЛИЦА ... | "
        "--all-streets) [параметры]\n"
        "\n"
        "  --region РЕГИОН     код (aoGuid) или название региона\n"
        "  --city ГОРОД        город региона, код или название; можно несколько раз;\n"
        "                      без --city: весь регион (\"Не задан\")\n"
        "  --street УЛИЦА      улица, код или название; можно несколько раз; ищется среди улиц\n"
        "                      заданных городов (без --city: среди улиц региона)\n"
        "  --all-streets       все улицы (\"Не задана\")\n"
        "  --interval СЕКУНДЫ  пауза между запросами, по умолчанию 2\n"
        "  --page-size N       домов на страницу поиска, по умолчанию 100\n"
        "  --no-coords         не загружать координаты\n"
        "  --no-passport       не загружать паспорт\n"
        "  --no-card           не загружать карточку\n"
        "  --save-passports    сохранять паспорта в json-файлы (папка json в папке --out)\n"
        "  --out ПАПКА         куда писать таблицу, книгу .xlsx, лог и паспорта;\n"
        "                      по умолчанию текущая папка\n"
        "  --allow-sleep       не запрещать компьютеру спящий режим во время выгрузки\n"
        "                      (без него выгрузка держит запрет через logind)\n"
        "\n"
        "Продолжение и догрузка (задание берётся из записи выгрузки data<число>.run):\n"
        "  house-export-cli --resume --out ПАПКА [--run data<число>] [--interval СЕКУНДЫ]\n"
        "                      продолжает последнюю незавершённую выгрузку в папке: дописывает\n"
        "                      ту же таблицу, готовые пары и дома не запрашиваются снова,\n"
        "                      прерванная пара идёт со страницы остановки, если список\n"
        "                      домов на портале не изменился; у выгрузки, прерванной при\n"
        "                      создании книги .xlsx, создаёт книгу\n"
        "  house-export-cli --repair --out ПАПКА [--run data<число>] [--interval СЕКУНДЫ]\n"
        "                      для последней завершённой выгрузки в папке запрашивает заново\n"
        "                      недостающие данные домов из списка data<число>-incomplete.txt\n"
        "                      и заменяет их строки в таблице\n"
        "  --run data<число>   какую выгрузку папки взять (по умолчанию последнюю подходящую)\n"
        "\n"
        "Сравнение двух таблиц выгрузки (дом за домом, по guid дома в ссылке):\n"
        "  house-export-cli --compare СТАРАЯ.tab НОВАЯ.tab [--out КНИГА.xlsx]\n"
        "                      пишет книгу .xlsx с листами \"Сводка\", \"Новые дома\",\n"
        "                      \"Исчезнувшие дома\" и \"Изменения\" (изменённые ячейки\n"
        "                      выделены и записаны как \"старое → новое\"); по умолчанию\n"
        "                      сравнение-СТАРАЯ-НОВАЯ.xlsx рядом с новой таблицей\n"
        "\n"
        "Справочник адресов (код, табуляция, название):\n"
        "  house-export-cli --list regions\n"
        "  house-export-cli --list areas --region РЕГИОН\n"
        "  house-export-cli --list cities --region РЕГИОН\n"
        "  house-export-cli --list streets --region РЕГИОН [--city ГОРОД]\n"
        "\n"
        "Название задаётся как в списках окна (\"formalName shortName\", например \"Подольск "
        "г\")\n"
        "или одним formalName (\"Подольск\"); если название подходит к нескольким записям,\n"
        "программа перечисляет их с кодами и ничего не выгружает.\n"
        "\n"
        "Строки лога выводятся по мере работы, в том же виде, что и в окне; в конце лог\n"
        "записывается в файл log-<число>.txt. На терминале внизу видна строка хода работы.\n"
        "После ошибки запроса программа ждёт 15 секунд и продолжает сама.\n"
        "Ctrl-C (SIGINT или SIGTERM) останавливает выгрузку, как кнопка остановки в окне:\n"
        "запрос, который идёт сейчас, доводится до конца, таблица остаётся целой, лог и книга\n"
        "записываются как обычно. Второй Ctrl-C прерывает и этот запрос; книга .xlsx тогда\n"
        "не создаётся (её создаст --resume). Если таблица и книга к концу записаны целиком,\n"
        "код выхода тот же, что без Ctrl-C.\n"
        "\n"
        "Адрес портала: переменная PORTAL_ORIGIN (https://host[:port]). PORTAL_READ_TIMEOUT_MS\n"
        "сокращает время ожидания ответа (для проверок на поддельном портале).\n"
        "\n"
        "Код выхода: 0 выгрузка завершена, 1 ошибка, 3 выгрузка завершена, но есть дома\n"
        "с неполными данными или страницы поиска, не загруженные за все попытки (их догружает\n"
        "--repair), 130 прервано (Ctrl-C).\n"
        "  --help, -h          эта справка\n"
        "  --version           версия программы\n");
}

QString CliVersionText() {
    return QStringLiteral("house-export-cli " HX_VERSION);
}

std::optional<int> ReadTimeoutSetting(const QByteArray& value) {
    if (value.isEmpty())
        return 0;
    const std::optional<int> number = WholeNumber(QString::fromLatin1(value));
    if (!number || *number == 0)
        return std::nullopt;
    return number;
}
