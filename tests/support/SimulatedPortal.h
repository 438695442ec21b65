#pragma once

#include "PortalSimProcess.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <vector>

// The fake portal for one test, with PORTAL_ORIGIN pointing at it while the object lives.
class SimulatedPortal {
public:
    explicit SimulatedPortal(const QString& scenario = {}, const QStringList& arguments = {})
        : process_(QStringLiteral(HX_PORTAL_SIM), {scenario, arguments}) {
        hadOrigin_ = qEnvironmentVariableIsSet("PORTAL_ORIGIN");
        savedOrigin_ = qgetenv("PORTAL_ORIGIN");
        qputenv("PORTAL_ORIGIN", process_.Origin().toUtf8());
    }
    ~SimulatedPortal() {
        if (hadOrigin_)
            qputenv("PORTAL_ORIGIN", savedOrigin_);
        else
            qunsetenv("PORTAL_ORIGIN");
    }
    SimulatedPortal(const SimulatedPortal&) = delete;
    SimulatedPortal& operator=(const SimulatedPortal&) = delete;

    std::vector<QJsonObject> Log() const { return process_.LogEntries(); }
    // Requests of one endpoint kind ("search", "map", "passport", "card", ...) so far.
    int Count(const QString& endpoint) const {
        int count = 0;
        for (const QJsonObject& entry : Log())
            count += entry.value(QStringLiteral("endpoint")).toString() == endpoint;
        return count;
    }

    // The data set of the default seed as --describe prints it; the region of the given kind.
    static QJsonObject DescribeRegion(const QString& kind) {
        QProcess describe;
        describe.start(PythonCommand(),
                       {QStringLiteral(HX_PORTAL_SIM), QStringLiteral("--describe")});
        describe.waitForFinished(60000);
        const QJsonObject all = QJsonDocument::fromJson(describe.readAllStandardOutput()).object();
        for (const QJsonValue& region : all.value(QStringLiteral("regions")).toArray())
            if (region.toObject().value(QStringLiteral("kind")).toString() == kind)
                return region.toObject();
        return {};
    }
    QString HostLine() const { return process_.Origin().mid(8); }

private:
    PortalSimProcess process_;
    bool hadOrigin_ = false;
    QByteArray savedOrigin_;
};
