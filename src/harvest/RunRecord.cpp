#include "harvest/RunRecord.h"

#include "base/MessageError.h"
#include "base/WriteAll.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray kTag = "house-export-run 1";
constexpr QByteArrayView kTagStart = "house-export-run ";

struct PartName {
    int part;
    QByteArrayView word;  // in the record
    const char16_t* text; // in the list for the user
};
constexpr PartName kParts[] = {{kCoordinatesPart, "coordinates", u"координаты"},
                               {kPassportPart, "passport", u"паспорт"},
                               {kCardPart, "card", u"карточка"}};

const QByteArray kWorkbookLine = "workbook";

[[noreturn]] void Refuse(const QString& path, const QString& reason) {
    throw MessageError(QStringLiteral("Файл \"%1\" не подходит: %2").arg(path, reason));
}

QJsonArray Entries(const QStringList& names, const QStringList& codes) {
    QJsonArray entries;
    for (qsizetype k = 0; k < codes.size(); ++k)
        entries.append(QJsonObject{{QStringLiteral("name"), names.value(k)},
                                   {QStringLiteral("code"), codes[k]}});
    return entries;
}

QByteArray JobLine(const QString& tableName, const RunJob& job) {
    const QJsonObject object{{QStringLiteral("table"), tableName},
                             {QStringLiteral("regionCode"), job.regionCode},
                             {QStringLiteral("regionName"), job.regionName},
                             {QStringLiteral("cities"), Entries(job.cityNames, job.cityCodes)},
                             {QStringLiteral("streets"), Entries(job.streetNames, job.streetCodes)},
                             {QStringLiteral("pageSize"), job.pageSize},
                             {QStringLiteral("coordinates"), job.coordinates},
                             {QStringLiteral("passports"), job.passports},
                             {QStringLiteral("cards"), job.cards},
                             {QStringLiteral("savePassports"), job.savePassports}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

bool ReadEntries(const QJsonValue& value, QStringList& names, QStringList& codes) {
    if (!value.isArray())
        return false;
    for (const QJsonValue& entry : value.toArray()) {
        const QJsonValue name = entry.toObject().value(QStringLiteral("name"));
        const QJsonValue code = entry.toObject().value(QStringLiteral("code"));
        if (!name.isString() || !code.isString())
            return false;
        names.append(name.toString());
        codes.append(code.toString());
    }
    return true;
}

// The job line, or no value when it is not one.
std::optional<RunHistory> ReadJob(QByteArrayView line) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    RunHistory history;
    RunJob& job = history.job;
    const auto text = [&](const char* key, QString& into) {
        const QJsonValue value = object.value(QLatin1String(key));
        into = value.toString();
        return value.isString();
    };
    const auto flag = [&](const char* key, bool& into) {
        const QJsonValue value = object.value(QLatin1String(key));
        into = value.toBool();
        return value.isBool();
    };
    const QJsonValue pageSize = object.value(QStringLiteral("pageSize"));
    job.pageSize = pageSize.toInt();
    const bool whole =
        text("table", history.tableName) && text("regionCode", job.regionCode) &&
        text("regionName", job.regionName) &&
        ReadEntries(object.value(QStringLiteral("cities")), job.cityNames, job.cityCodes) &&
        ReadEntries(object.value(QStringLiteral("streets")), job.streetNames, job.streetCodes) &&
        pageSize.isDouble() && job.pageSize > 0 && flag("coordinates", job.coordinates) &&
        flag("passports", job.passports) && flag("cards", job.cards) &&
        flag("savePassports", job.savePassports);
    if (!whole || history.tableName.isEmpty() || history.tableName.contains(QLatin1Char('/')))
        return std::nullopt;
    return history;
}

std::optional<qint64> Number(QByteArrayView text) {
    bool ok = false;
    const qint64 value = text.toByteArray().toLongLong(&ok);
    if (!ok || value < 0)
        return std::nullopt;
    return value;
}

int PartsOf(QByteArrayView words) {
    int parts = 0;
    for (const QByteArray& word : words.toByteArray().split(',')) {
        const auto* found = std::find_if(std::begin(kParts), std::end(kParts),
                                         [&](const PartName& name) { return name.word == word; });
        if (found == std::end(kParts))
            return 0;
        parts |= found->part;
    }
    return parts;
}

// Applies one event line; false when it is not one.
bool ApplyEvent(QByteArrayView line, RunHistory& history) {
    if (line == kWorkbookLine) {
        history.workbookMade = true;
        return true;
    }
    // Any other event changes the table or the run after the workbook was made from it.
    if (history.workbookMade)
        history.workbookMade = false;
    if (line.startsWith("pair ")) {
        const QList<QByteArray> words = line.toByteArray().split(' ');
        if (words.size() != 5)
            return false;
        const auto i = Number(words[1]), j = Number(words[2]), rows = Number(words[3]),
                   bytes = Number(words[4]);
        if (!i || !j || !rows || !bytes || *i >= history.job.cityCodes.size() ||
            *j >= history.job.streetCodes.size() || *rows < history.rowsAtPairEnd ||
            *bytes < history.bytesAtPairEnd)
            return false;
        history.pairsDone.insert(*i * history.job.streetCodes.size() + *j);
        history.rowsAtPairEnd = *rows;
        history.bytesAtPairEnd = *bytes;
        return true;
    }
    if (line.startsWith("incomplete ")) {
        const QByteArrayView rest = line.sliced(11);
        const qsizetype space = rest.indexOf(' ');
        if (space <= 0 || space + 1 >= rest.size())
            return false;
        const int parts = PartsOf(rest.first(space));
        if (parts == 0)
            return false;
        history.incomplete.insert(QString::fromUtf8(rest.sliced(space + 1)), parts);
        return true;
    }
    if (line.startsWith("repaired ") && line.size() > 9) {
        history.incomplete.remove(QString::fromUtf8(line.sliced(9)));
        return true;
    }
    return false;
}

// The history of a record's bytes and the end of its last whole line.
RunHistory ParseRecord(const QString& path, const QByteArray& bytes, qint64& wholeLinesEnd) {
    QList<QByteArray> lines = bytes.split('\n');
    lines.removeLast(); // after the last line end: a line cut short, or nothing
    for (QByteArray& line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    if (lines.isEmpty() || !lines[0].startsWith(kTagStart))
        Refuse(path, QStringLiteral("это не запись выгрузки"));
    if (lines[0] != kTag)
        Refuse(path, QStringLiteral("запись сделана другой версией программы (%1)")
                         .arg(QString::fromUtf8(lines[0])));
    if (lines.size() < 2)
        Refuse(path, QStringLiteral("в записи нет задания"));
    std::optional<RunHistory> history = ReadJob(lines[1]);
    if (!history)
        Refuse(path, QStringLiteral("задание в записи повреждено"));
    if (RunRecordName(history->tableName) != QFileInfo(path).fileName())
        Refuse(path, QStringLiteral("запись называет чужую таблицу %1").arg(history->tableName));
    for (qsizetype k = 2; k < lines.size(); ++k)
        if (!ApplyEvent(lines[k], *history))
            Refuse(path, QStringLiteral("строка %1 повреждена").arg(k + 1));
    wholeLinesEnd = bytes.lastIndexOf('\n') + 1;
    return *history;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        Refuse(path, QStringLiteral("файл не открывается (%1)").arg(file.errorString()));
    return file.readAll();
}

FileDescriptor Locked(const QString& path, int flags) {
    FileDescriptor file(::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC, 0644));
    if (!file.IsOpen())
        Refuse(path, SystemReason(errno));
    if (::flock(file.Get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK)
            throw RunRefusal(QStringLiteral("Выгрузку \"%1\" сейчас ведёт другой запуск программы: "
                                            "дождитесь, пока он закончит")
                                 .arg(path));
        Refuse(path, SystemReason(errno));
    }
    return file;
}

} // namespace

QString HousePartsText(int parts) {
    QStringList texts;
    for (const PartName& name : kParts)
        if (parts & name.part)
            texts.append(QString::fromUtf16(name.text));
    return texts.join(QStringLiteral(", "));
}

QString RunRecordName(const QString& tableName) {
    QString name = tableName;
    if (name.endsWith(QLatin1String(".tab")))
        name.chop(4);
    return name + QStringLiteral(".run");
}

bool RunHistory::AwaitsWorkbook(const QString& directory) const {
    if (!Finished())
        return false;
    if (workbookMade)
        return !*workbookMade;
    QString workbook = tableName;
    if (workbook.endsWith(QLatin1String(".tab")))
        workbook.chop(4);
    return !QFileInfo::exists(directory + workbook + QStringLiteral(".xlsx"));
}

RunHistory ReadRunRecord(const QString& path) {
    qint64 end = 0;
    return ParseRecord(path, ReadAll(path), end);
}

RunRecord::RunRecord(QString path, FileDescriptor file)
    : path_(std::move(path)), file_(std::move(file)) {}

std::unique_ptr<RunRecord> RunRecord::Create(const QString& path, const QString& tableName,
                                             const RunJob& job) {
    // Emptied only once it is ours: a run that holds a record of this name keeps it.
    FileDescriptor file = Locked(path, O_RDWR | O_CREAT);
    try {
        if (::ftruncate(file.Get(), 0) != 0)
            Refuse(path, SystemReason(errno));
        std::unique_ptr<RunRecord> record(new RunRecord(path, std::move(file)));
        record->history_.tableName = tableName;
        record->history_.job = job;
        record->Append(kTag + '\n' + JobLine(tableName, job));
        return record;
    } catch (const MessageError&) {
        // A record without its job would stand in the way of every later resume in the folder.
        ::unlink(QFile::encodeName(path).constData());
        throw;
    }
}

std::unique_ptr<RunRecord> RunRecord::Take(const QString& path) {
    FileDescriptor file = Locked(path, O_RDWR);
    qint64 end = 0;
    RunHistory history = ParseRecord(path, ReadAll(path), end);
    if (::ftruncate(file.Get(), end) != 0 || ::lseek(file.Get(), end, SEEK_SET) != end)
        Refuse(path, SystemReason(errno));
    std::unique_ptr<RunRecord> record(new RunRecord(path, std::move(file)));
    record->history_ = std::move(history);
    record->size_ = end;
    return record;
}

void RunRecord::PairDone(qint64 i, qint64 j, qint64 rows, qint64 bytes) {
    Append(QByteArray("pair ") + QByteArray::number(i) + ' ' + QByteArray::number(j) + ' ' +
           QByteArray::number(rows) + ' ' + QByteArray::number(bytes) + '\n');
    history_.pairsDone.insert(i * history_.job.streetCodes.size() + j);
    history_.rowsAtPairEnd = rows;
    history_.bytesAtPairEnd = bytes;
}

void RunRecord::Incomplete(const QString& guid, int parts) {
    QByteArrayList words;
    for (const PartName& name : kParts)
        if (parts & name.part)
            words.append(name.word.toByteArray());
    Append("incomplete " + words.join(',') + ' ' + guid.toUtf8() + '\n');
    history_.incomplete.insert(guid, parts);
}

void RunRecord::Repaired(const QString& guid) {
    Append("repaired " + guid.toUtf8() + '\n');
    history_.incomplete.remove(guid);
}

void RunRecord::Unlock() {
    ::flock(file_.Get(), LOCK_UN);
}

void RunRecord::WorkbookMade() {
    struct stat status {};
    if (::flock(file_.Get(), LOCK_EX | LOCK_NB) != 0 || ::fstat(file_.Get(), &status) != 0 ||
        status.st_size != size_)
        return;
    Append(kWorkbookLine + '\n');
    history_.workbookMade = true;
}

void RunRecord::Append(const QByteArray& line) {
    // One write for the whole line: a kill leaves it whole or leaves a tail the reader drops.
    // On the disk before the run goes on, so that a power cut cannot undo what followed it.
    int error = WriteAll(&::write, file_.Get(), line.constData(), std::size_t(line.size()));
    if (error == 0 && ::fdatasync(file_.Get()) != 0)
        error = errno;
    if (error != 0)
        throw RecordWriteFailed(
            QStringLiteral("Cannot write file \"%1\". %2").arg(path_, SystemReason(error)));
    size_ += line.size();
    if (history_.workbookMade)
        history_.workbookMade = false;
}

QList<FoundRecord> RunRecordsIn(const QString& directory,
                                const std::function<void(const QString&)>& skipped) {
    QList<FoundRecord> found;
    const QFileInfoList files =
        QDir(directory).entryInfoList({QStringLiteral("data*.run")}, QDir::Files, QDir::Time);
    for (const QFileInfo& file : files) {
        try {
            found.append({file.absoluteFilePath(), ReadRunRecord(file.absoluteFilePath())});
        } catch (const MessageError& failure) {
            if (skipped)
                skipped(failure.message() + QStringLiteral(", пропускаем его"));
        }
    }
    return found;
}
