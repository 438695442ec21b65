#include "harvest/Scraper.h"

#include "harvest/HarvestRun.h"
#include "http/PortalClient.h"

Scraper::Scraper(RunWindow& window, QString directory, Clock& clock)
    : window_(window), directory_(std::move(directory)), clock_(clock) {
    connect(this, &QThread::finished, this, &QObject::deleteLater);
}

Scraper::~Scraper() {
    StopNow();
    wait();
}

void Scraper::run() {
    Execute();
}

void Scraper::Execute() {
    HarvestRun(*this, window_, clock_, directory_).Execute();
}

void Scraper::Hold() {
    const std::lock_guard lock(gateMutex_);
    held_ = true;
}

void Scraper::Release() {
    {
        const std::lock_guard lock(gateMutex_);
        held_ = false;
    }
    gateOpened_.notify_all();
}

bool Scraper::IsHeld() const {
    return held_.load();
}

void Scraper::RequestStop() {
    {
        const std::lock_guard lock(gateMutex_);
        if (held_)
            stoppedWhileHeld_ = true;
        stop_ = true;
        held_ = false;
    }
    gateOpened_.notify_all();
}

void Scraper::WaitWhileHeld() {
    std::unique_lock lock(gateMutex_);
    gateOpened_.wait(lock, [this] { return !held_ || stop_.load(); });
}

void Scraper::StopNow() {
    stoppingNow_ = true;
    RequestStop();
    const std::lock_guard lock(clientMutex_);
    if (client_)
        client_->Abort();
}

void Scraper::SetClient(PortalClient* client) {
    const std::lock_guard lock(clientMutex_);
    client_ = client;
}
