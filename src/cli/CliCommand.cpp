#include "cli/CliCommand.h"

#include "base/MessageError.h"
#include "cli/AddressChoice.h"
#include "cli/CliOptions.h"
#include "cli/CompareCommand.h"
#include "cli/StopSignals.h"
#include "cli/TerminalWindow.h"
#include "desktop/DesktopBuses.h"
#include "desktop/SleepInhibitor.h"
#include "directory/DirectoryClient.h"
#include "harvest/HarvestRun.h"
#include "harvest/RunRecord.h"
#include "harvest/Scraper.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <thread>

namespace {

// How often the waiting command looks for the end of the run and for Ctrl-C.
constexpr std::chrono::milliseconds kSignalLookMs{10};

// The window's placeholders: no city and no street narrow the search.
const QString kNoCity = QStringLiteral("Не задан");
const QString kNoStreet = QStringLiteral("Не задана");

// What the region, cities and streets of the arguments stand for.
struct AddressJob {
    DirectoryEntry region;
    std::vector<DirectoryEntry> cities;
    std::vector<DirectoryEntry> streets;
};

void Print(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

// One directory operation with a client of its own; an answer that is not a list is a failure.
std::vector<DirectoryEntry> Fetch(const std::function<DirectoryAnswer(DirectoryClient&)>& request,
                                  const QString& what) {
    DirectoryClient client;
    DirectoryAnswer answer = request(client);
    if (!answer.isArray)
        throw MessageError(QStringLiteral("портал ответил не списком (%1)").arg(what));
    return std::move(answer.entries);
}

DirectoryEntry Choose(const std::vector<DirectoryEntry>& entries, const QString& given,
                      const QString& kind) {
    AddressChoice choice = ChooseEntry(entries, given, kind);
    if (!choice.Ok())
        throw MessageError(choice.error);
    return choice.entry;
}

DirectoryEntry ChooseRegion(const QString& given) {
    const auto regions =
        Fetch([](DirectoryClient& c) { return c.Regions(); }, QStringLiteral("регионы"));
    return Choose(regions, given, QStringLiteral("регион"));
}

std::vector<DirectoryEntry> CitiesOf(const DirectoryEntry& region) {
    return Fetch([&](DirectoryClient& c) { return c.CitiesOfRegion(region.code); },
                 QStringLiteral("города"));
}

std::vector<DirectoryEntry> StreetsOf(const DirectoryEntry& region, const QString& cityCode) {
    return Fetch([&](DirectoryClient& c) { return c.Streets(region.code, {}, cityCode); },
                 QStringLiteral("улицы"));
}

AddressJob ResolveAddresses(const CliOptions& options) {
    AddressJob job;
    job.region = ChooseRegion(options.region);
    if (options.cities.isEmpty()) {
        job.cities.push_back({kNoCity, {}});
    } else {
        const std::vector<DirectoryEntry> cities = CitiesOf(job.region);
        for (const QString& city : options.cities)
            job.cities.push_back(Choose(cities, city, QStringLiteral("город")));
    }
    if (options.allStreets) {
        job.streets.push_back({kNoStreet, {}});
        return job;
    }
    // A street is looked for among the streets of the cities given (of the region without them).
    std::vector<DirectoryEntry> streets;
    for (const DirectoryEntry& city : job.cities) {
        const std::vector<DirectoryEntry> ofCity = StreetsOf(job.region, city.code);
        streets.insert(streets.end(), ofCity.begin(), ofCity.end());
    }
    for (const QString& street : options.streets)
        job.streets.push_back(Choose(streets, street, QStringLiteral("улица")));
    return job;
}

int List(const CliOptions& options, const CliContext& context) {
    std::vector<DirectoryEntry> entries;
    switch (options.listKind) {
    case CliOptions::ListKind::Regions:
        entries = Fetch([](DirectoryClient& c) { return c.Regions(); }, QStringLiteral("регионы"));
        break;
    case CliOptions::ListKind::Areas: {
        const DirectoryEntry region = ChooseRegion(options.region);
        entries = Fetch([&](DirectoryClient& c) { return c.Areas(region.code); },
                        QStringLiteral("районы"));
        break;
    }
    case CliOptions::ListKind::Cities:
        entries = CitiesOf(ChooseRegion(options.region));
        break;
    case CliOptions::ListKind::Streets: {
        const DirectoryEntry region = ChooseRegion(options.region);
        QString cityCode;
        if (!options.cities.isEmpty())
            cityCode =
                Choose(CitiesOf(region), options.cities.first(), QStringLiteral("город")).code;
        entries = StreetsOf(region, cityCode);
        break;
    }
    }
    for (const DirectoryEntry& entry : entries)
        Print(context.out, ListingLine(entry));
    return kExitFinished;
}

// The folder of the run's files, made when missing, with its trailing "/".
QString OutputFolder(const QString& given) {
    if (!QDir().mkpath(given))
        throw MessageError(QStringLiteral("не удалось создать папку \"%1\"").arg(given));
    return QDir(given).absolutePath() + QLatin1Char('/');
}

// Which earlier run the worker takes up instead of starting a new one.
struct TakenRun {
    QString continuedRecord;
    QString repairedRecord;
};

int RunWorker(const CliOptions& options, const AddressJob& job, const QString& folder,
              const TakenRun& taken, const CliContext& context) {
    TerminalWindow window(options, folder, context.clock, context.out, context.terminal);
    std::optional<SleepInhibitor> inhibitor;
    if (context.desktop && !options.allowSleep) {
        inhibitor.emplace(context.desktop(), QStringLiteral("house-export-cli"), false);
        window.inhibitor = &*inhibitor;
    }
    // The run goes on a thread of this function's own, joined below, rather than on the worker's
    // QThread: a join orders everything the run did before what follows, also for
    // ThreadSanitizer, which cannot see Qt's own synchronisation.
    Scraper worker(window, folder, context.clock);
    worker.RegionCode = job.region.code;
    worker.RegionName = job.region.text;
    for (const DirectoryEntry& city : job.cities) {
        worker.CitiesNamesList.append(city.text);
        worker.CitiesCodesList.append(city.code);
    }
    for (const DirectoryEntry& street : job.streets) {
        worker.StreetsNamesList.append(street.text);
        worker.StreetsCodesList.append(street.code);
    }
    worker.ReadTimeoutMs = context.readTimeoutMs;
    worker.ContinuedRecord = taken.continuedRecord;
    worker.RepairedRecord = taken.repairedRecord;

    std::optional<StopSignals> stopSignals;
    if (context.catchStopSignals)
        stopSignals.emplace();
    std::atomic<bool> done{false};
    std::thread run([&] {
        worker.Execute();
        done = true;
    });

    int interruptions = 0;
    // Polled rather than waited for: a timed wait on a condition variable goes through a call
    // that ThreadSanitizer does not follow, which then reports the flag as a race.
    while (!done) {
        std::this_thread::sleep_for(kSignalLookMs);
        for (int count = stopSignals ? stopSignals->Take() : 0; count > 0; --count) {
            // The first as the stop button: the run ends at its next stop point and runs its
            // end steps, a request under way runs to its answer or its time-out. Any later one
            // also cuts that request and the pause after a failed one, as leaving the window
            // does.
            if (++interruptions == 1)
                worker.RequestStop();
            else
                worker.StopNow();
            window.LogStop();
        }
    }
    run.join();
    stopSignals.reset();

    // A stop that came after the last pair, while the workbook was made, took nothing away.
    if (interruptions > 0 && !worker.Completed())
        return kExitInterrupted;
    if (worker.Failed() || window.LogFileFailed())
        return kExitFailed;
    return worker.LeftIncomplete() ? kExitIncomplete : kExitFinished;
}

int Harvest(const CliOptions& options, const CliContext& context) {
    const QString folder = OutputFolder(options.outDirectory);
    return RunWorker(options, ResolveAddresses(options), folder, {}, context);
}

// The record file that --run names: "data123", "data123.run" or the run's table or workbook.
QString NamedRecord(const QString& given) {
    QString name = given;
    for (const QLatin1String suffix :
         {QLatin1String(".run"), QLatin1String(".tab"), QLatin1String(".xlsx")})
        if (name.endsWith(suffix))
            name.chop(suffix.size());
    return name + QStringLiteral(".run");
}

// Whether --resume (true) or --repair (false) has work to do in the run.
bool Fits(const RunHistory& history, const QString& folder, bool resume) {
    if (resume)
        return !history.Finished() || history.AwaitsWorkbook(folder);
    return history.Finished() && !history.Complete();
}

// --resume and --repair: the run named, or the newest of the folder that can be taken up, with
// its own job.
int TakeUp(const CliOptions& given, const CliContext& context) {
    const bool resume = given.mode == CliOptions::Mode::Resume;
    const QString folder = QDir(given.outDirectory).absolutePath() + QLatin1Char('/');
    const QList<FoundRecord> found = RunRecordsIn(folder, [&](const QString& line) {
        Print(context.err, QStringLiteral("house-export-cli: ") + line);
    });
    const FoundRecord* taken = nullptr;
    QStringList fitting;
    for (const FoundRecord& record : found) {
        if (!given.runName.isEmpty()) {
            if (QFileInfo(record.path).fileName() == NamedRecord(given.runName))
                taken = &record;
            continue;
        }
        if (Fits(record.history, folder, resume)) {
            fitting.append(record.history.tableName);
            if (taken == nullptr)
                taken = &record;
        }
    }
    if (!resume && taken != nullptr && taken->history.Finished() && taken->history.Complete()) {
        Print(context.out, QStringLiteral("В выгрузке %1 нет домов с неполными данными")
                               .arg(taken->history.tableName));
        return kExitFinished;
    }
    if (taken == nullptr) {
        if (!given.runName.isEmpty())
            throw MessageError(QStringLiteral("в папке \"%1\" нет выгрузки %2: проверьте имя "
                                              "после --run")
                                   .arg(folder, given.runName));
        const auto finished = std::find_if(
            found.begin(), found.end(), [](const FoundRecord& r) { return r.history.Finished(); });
        if (!resume && finished != found.end()) {
            Print(context.out, QStringLiteral("В последней завершённой выгрузке (%1) нет домов "
                                              "с неполными данными")
                                   .arg(finished->history.tableName));
            return kExitFinished;
        }
        Print(context.err,
              QStringLiteral("house-export-cli: в папке \"%1\" нет %2 выгрузки; начните новую "
                             "выгрузку")
                  .arg(folder,
                       resume ? QStringLiteral("незавершённой") : QStringLiteral("завершённой")));
        return kExitFailed;
    }
    if (!resume && fitting.size() > 1)
        Print(context.out, QStringLiteral("Догрузка нужна выгрузкам %1; догружаем %2, другую "
                                          "можно назвать через --run")
                               .arg(fitting.join(QStringLiteral(", ")), taken->history.tableName));
    const RunJob& job = taken->history.job;
    CliOptions options = given;
    options.pageSize = job.pageSize;
    options.coordinates = job.coordinates;
    options.passports = job.passports;
    options.cards = job.cards;
    options.savePassports = job.savePassports;
    AddressJob addresses;
    addresses.region = {job.regionName, job.regionCode};
    for (qsizetype k = 0; k < job.cityCodes.size(); ++k)
        addresses.cities.push_back({job.cityNames.value(k), job.cityCodes[k]});
    for (qsizetype k = 0; k < job.streetCodes.size(); ++k)
        addresses.streets.push_back({job.streetNames.value(k), job.streetCodes[k]});
    TakenRun run;
    (resume ? run.continuedRecord : run.repairedRecord) = taken->path;
    return RunWorker(options, addresses, folder, run, context);
}

} // namespace

int RunCli(const QStringList& arguments, const CliContext& context) {
    const CliParse parse = ParseCliArguments(arguments);
    if (!parse.Ok()) {
        Print(context.err, QStringLiteral("house-export-cli: ") + parse.error +
                               QStringLiteral("\nСправка: house-export-cli --help"));
        return kExitFailed;
    }
    try {
        switch (parse.options.mode) {
        case CliOptions::Mode::Help:
            Print(context.out, CliHelpText());
            return kExitFinished;
        case CliOptions::Mode::Version:
            Print(context.out, CliVersionText());
            return kExitFinished;
        case CliOptions::Mode::List:
            return List(parse.options, context);
        case CliOptions::Mode::Harvest:
            return Harvest(parse.options, context);
        case CliOptions::Mode::Resume:
        case CliOptions::Mode::Repair:
            return TakeUp(parse.options, context);
        case CliOptions::Mode::Compare:
            return CompareCommand(parse.options, context);
        }
    } catch (const std::exception& failure) {
        Print(context.err, QStringLiteral("house-export-cli: Ошибка: ") + FailureMessage(failure));
    }
    return kExitFailed;
}
