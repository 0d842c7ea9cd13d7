#include "net/local_server.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "base/clock.h"
#include "base/log.h"
#include "base/profile.h"
#include "base/settings.h"

namespace {

constexpr int ready_wait_ms = 20000;
constexpr int probe_wait_ms = 500;
constexpr int stop_wait_ms = 5000;
// The server's own defaults put the worlds one above the universe port and
// the object server ten above it; a universe on another port keeps that
// spacing so two of them never share ports.
constexpr int world_port_offset = 1;
constexpr int http_port_offset = 10;

struct local_server_state {
    std::unique_ptr<QProcess> process;
};

local_server_state state;

void note(const char* format, const std::string& text)
{
    if (log_universe())
        log_write(format, text.c_str());
}

// Whether something accepts connections on 127.0.0.1 at `port`.
bool answers(int port)
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool open = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (!open && errno == EINPROGRESS) {
        pollfd p{fd, POLLOUT, 0};
        int error = 0;
        socklen_t size = sizeof error;
        open = poll(&p, 1, probe_wait_ms) == 1 &&
               getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
    }
    close(fd);
    return open;
}

// The user's folder for the server: its data folder (which the server
// seeds itself when it is new) and its log beside it.
QString user_folder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

// Waits for the server's ready line while the program stays responsive.
bool wait_until_ready(QProcess* process)
{
    uint32_t end = clock_ms() + ready_wait_ms;
    QByteArray out;
    while (static_cast<int32_t>(end - clock_ms()) > 0) {
        if (process->state() == QProcess::NotRunning)
            return false;
        process->waitForReadyRead(50);
        out += process->readAllStandardOutput();
        if (out.contains("vireo-server ready"))
            return true;
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    return false;
}

}  // namespace

bool local_server_is_loopback(const char* host)
{
    if (!host)
        return false;
    if (std::strcmp(host, "localhost") == 0)
        return true;
    in_addr address{};
    return inet_pton(AF_INET, host, &address) == 1 && (ntohl(address.s_addr) >> 24) == 127;
}

int local_server_start()
{
    std::string host = profile_string("universe", "host");
    if (host.empty())
        host = "localhost";
    int port = settings_int("universe", "port");
    if (!local_server_is_loopback(host.c_str()) || port <= 0 || port > 65535 - http_port_offset ||
        answers(port))
        return 0;

    // VIREO_SERVER names another server program; set but empty, it keeps
    // the program from starting one.
    QString program = QCoreApplication::applicationDirPath() + "/vireo-server";
    if (const char* chosen = std::getenv("VIREO_SERVER")) {
        if (!*chosen)
            return 0;
        program = QString::fromLocal8Bit(chosen);
    }
    if (!QFileInfo(program).isExecutable()) {
        note("local server: %s not found", program.toStdString());
        return 1;
    }
    QString folder = user_folder();
    if (!QDir().mkpath(folder)) {
        note("local server: cannot create %s", folder.toStdString());
        return 1;
    }
    QString data = folder + "/server-data";
    QString log = folder + "/server.log";
    auto process = std::make_unique<QProcess>();
    process->setProgram(program);
    process->setArguments({"--data", data, "--listen", "127.0.0.1", "--universe-port",
                           QString::number(port), "--world-port",
                           QString::number(port + world_port_offset), "--http-port",
                           QString::number(port + http_port_offset)});
    process->setStandardErrorFile(log);
    // The server ends with this program even when it is killed.
    process->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    note("local server: starting %s", program.toStdString());
    process->start();
    if (!process->waitForStarted(stop_wait_ms) || !wait_until_ready(process.get())) {
        note("local server: not ready; its log is %s", log.toStdString());
        process->kill();
        process->waitForFinished(stop_wait_ms);
        return 1;
    }
    // Only the ready line comes on standard output.
    process->closeReadChannel(QProcess::StandardOutput);
    note("local server: ready on port %s", std::to_string(port));
    state.process = std::move(process);
    return 0;
}

void local_server_term()
{
    if (!state.process)
        return;
    QProcess* process = state.process.get();
    if (process->state() != QProcess::NotRunning) {
        process->terminate();
        if (!process->waitForFinished(stop_wait_ms)) {
            process->kill();
            process->waitForFinished(stop_wait_ms);
        }
    }
    state.process.reset();
}
