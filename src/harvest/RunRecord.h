#pragma once

#include "base/FileDescriptor.h"
#include "base/MessageError.h"

#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

// The job of a run as its record keeps it: everything that decides which rows the table gets.
// The interval is not part of it; a continued run may go at another pace.
struct RunJob {
    QString regionCode;
    QString regionName;
    QStringList cityNames;
    QStringList cityCodes;
    QStringList streetNames;
    QStringList streetCodes;
    int pageSize = 0;
    bool coordinates = true;
    bool passports = true;
    bool cards = true;
    bool savePassports = false;

    bool operator==(const RunJob&) const = default;
    qint64 Pairs() const { return qint64(cityCodes.size()) * streetCodes.size(); }
};

// The requests of a house whose twenty attempts were all used up.
enum HousePart : int { kCoordinatesPart = 1, kPassportPart = 2, kCardPart = 4 };

// "координаты, карточка": the parts in their order of request.
QString HousePartsText(int parts);

// A search page given up after its attempts: its pair (i, j of the walk) and its number.
struct LostPage {
    qint64 i = 0;
    qint64 j = 0;
    int page = 0;

    auto operator<=>(const LostPage&) const = default;
};

// What a record says about its run: the job, the pairs finished (in walk order, as i * number
// of streets + j), the table as it stood when the latest of them was finished (or as a repair
// rewrote it), the houses left incomplete with their missing parts, and the search pages lost
// with the table's row count when each was lost: where their houses belong.
struct RunHistory {
    QString tableName;
    RunJob job;
    QSet<qint64> pairsDone;
    qint64 rowsAtPairEnd = 0;
    qint64 bytesAtPairEnd = 0; // 0: no pair finished yet
    QMap<QString, int> incomplete;
    QMap<LostPage, qint64> lostPages;
    // Whether the workbook was made from the table as it stands (no event since); none when the
    // record was kept by a version that did not say.
    std::optional<bool> workbookMade;

    bool PairDone(qint64 i, qint64 j) const {
        return pairsDone.contains(i * job.streetCodes.size() + j);
    }
    bool Finished() const { return pairsDone.size() == job.Pairs(); }
    // Whether nothing is missing: no incomplete house and no lost page.
    bool Complete() const { return incomplete.isEmpty() && lostPages.isEmpty(); }
    // Every pair is done but the workbook is not made: the run still has its last step to take.
    // A record that does not say is judged by the workbook beside the table in `directory`.
    bool AwaitsWorkbook(const QString& directory) const;
    // Whether the run is worth taking up again: unfinished, its workbook not made, or finished
    // with incomplete houses or lost search pages.
    bool NeedsAttention(const QString& directory) const {
        return !Finished() || AwaitsWorkbook(directory) || !Complete();
    }
};

// "data123.run" beside "data123.tab".
QString RunRecordName(const QString& tableName);

// Reads a record without taking it. Fails with a MessageError that names the file and says why
// when it is damaged or from another version; a last line without its line end is ignored, and
// so is a CR before a line end (a record saved by an editor with CR LF line ends).
RunHistory ReadRunRecord(const QString& path);

// A refusal to take up a run whose message already says what the user can do next (the run is
// under way in another process, say).
struct RunRefusal : MessageError {
    using MessageError::MessageError;
};

// A line of the record could not be written (the disk is full, say).
struct RecordWriteFailed : MessageError {
    using MessageError::MessageError;
};

// The run record of one run: a text file beside the table, a tag line with the format's
// version, the job as one JSON line, then one line per event, each written with one write()
// including its line end and flushed to the disk (fdatasync) before the run goes on, so that a
// kill leaves whole lines and a power cut none that the table has not caught up with. The record
// is locked (flock) for as long as this object lives: a second process cannot continue or
// repair the same run.
class RunRecord {
public:
    // A new run's record: the tag and the job. Fails when another process holds the file.
    static std::unique_ptr<RunRecord> Create(const QString& path, const QString& tableName,
                                             const RunJob& job);
    // The record of an earlier run, taken for continuing or repairing it: read back, its
    // cut-off tail removed.
    static std::unique_ptr<RunRecord> Take(const QString& path);

    const QString& Path() const { return path_; }
    const RunHistory& History() const { return history_; }

    void PairDone(qint64 i, qint64 j, qint64 rows, qint64 bytes);
    // Adds parts to those the house already misses: a house listed on two pairs may miss one
    // part on each.
    void Incomplete(const QString& guid, int parts);
    // Exactly these parts are still missing after a repair (none: use Repaired).
    void StillMissing(const QString& guid, int parts);
    // The house is no longer incomplete: repaired, or its row never reached the table.
    void Repaired(const QString& guid);
    // A search page was lost when the table had `rows` rows; a page lost again moves there.
    void PageLost(const LostPage& page, qint64 rows);
    // A lost page's houses are in the table now.
    void PageFound(const LostPage& page);
    // A repair rewrote the table: its rows and bytes now.
    void TableRewritten(qint64 rows, qint64 bytes);
    // Lets another process take the record while this run makes its workbook.
    void Unlock();
    // The workbook is made from the table: recorded unless another process took the record
    // meanwhile (it is then that run's to say). Fails with a MessageError when the line cannot
    // be written.
    void WorkbookMade();

private:
    RunRecord(QString path, FileDescriptor file);
    void Append(const QByteArray& line);

    QString path_;
    FileDescriptor file_;
    RunHistory history_;
    qint64 size_ = 0; // the bytes this object has seen written
};

// A record found in a folder with its history.
struct FoundRecord {
    QString path;
    RunHistory history;
};

// Every readable "data*.run" of the folder (with its trailing "/"), the newest (last written)
// first. A record that cannot be read (a start that failed half-way, an edited file) is passed
// over; `skipped` gets one line for each, naming it and saying why.
QList<FoundRecord> RunRecordsIn(const QString& directory,
                                const std::function<void(const QString&)>& skipped = {});
