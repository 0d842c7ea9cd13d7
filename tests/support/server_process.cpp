#include "support/server_process.h"

#include <QProcess>
#include <QStringList>

#include <chrono>
#include <regex>

server_process::server_process(const std::string& worlds)
    : process_(std::make_unique<QProcess>())
{
    if (!worlds.empty())
        data_.write("worlds.conf", worlds);
    process_->start(VIREO_SERVER, {"--data", QString::fromStdString(data_.path()), "--universe-port",
                                   "0", "--world-port", "0", "--http-port", "0"});
    std::string out;
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < end && out.find("vireo-server ready") == std::string::npos) {
        process_->waitForReadyRead(200);
        out += process_->readAllStandardOutput().toStdString();
        log_ += process_->readAllStandardError().toStdString();
    }
    std::smatch m;
    if (out.find("vireo-server ready") != std::string::npos &&
        std::regex_search(log_, m, std::regex("universe port ([0-9]+)")))
        universe_port_ = std::stoi(m[1]);
}

server_process::~server_process()
{
    stop();
}

void server_process::stop()
{
    if (process_->state() != QProcess::NotRunning) {
        process_->terminate();
        if (!process_->waitForFinished(5000))
            process_->kill();
        process_->waitForFinished(5000);
    }
}

int server_process::world_port(const std::string& world)
{
    std::smatch m;
    std::string text = log();
    if (std::regex_search(text, m, std::regex("world " + world + " \\([^)]*\\) on port ([0-9]+)")))
        return std::stoi(m[1]);
    return 0;
}

std::string server_process::log()
{
    log_ += process_->readAllStandardError().toStdString();
    return log_;
}
