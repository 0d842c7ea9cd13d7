#include "app/instance.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

#include <cstdlib>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "app/main_window.h"
#include "base/log.h"
#include "ui/cgi.h"

namespace {

constexpr int timeout_ms = 1000;

struct instance_state {
    std::string path;
    std::unique_ptr<QLocalServer> server;
};

instance_state state;

// A directory only this user can use: $XDG_RUNTIME_DIR, else one under /tmp.
std::string user_directory()
{
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        if (access(runtime, W_OK) == 0)
            return runtime;
    }
    std::string dir = "/tmp/vireo-" + std::to_string(getuid());
    mkdir(dir.c_str(), 0700);
    return dir;
}

// The socket is named "vireo"; a program run from another home
// ($VIREO_HOME) keeps its own settings and cache, so it gets a socket of
// its own and runs beside the others.
std::string socket_path()
{
    std::string name = "vireo";
    if (const char* home = std::getenv("VIREO_HOME"); home && *home) {
        QByteArray digest = QCryptographicHash::hash(QDir(home).absolutePath().toUtf8(),
                                                     QCryptographicHash::Sha1);
        name += "-" + digest.toHex().left(16).toStdString();
    }
    return user_directory() + "/" + name;
}

void handle_connection(QLocalSocket* socket)
{
    QObject::connect(socket, &QLocalSocket::disconnected, socket, [socket] {
        QByteArray line = socket->readAll();
        int end = line.indexOf('\n');
        if (end >= 0)
            line.truncate(end);
        main_window_raise();
        if (!line.isEmpty())
            cgi_receive(line.constData());
        socket->deleteLater();
    });
}

}  // namespace

int instance_find(const char* command_line)
{
    state.path = socket_path();
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(state.path));
    if (!socket.waitForConnected(timeout_ms))
        return 0;
    QByteArray line(command_line);
    line.append('\n');
    socket.write(line);
    socket.waitForBytesWritten(timeout_ms);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(timeout_ms);
    return 1;
}

void instance_listen()
{
    QString name = QString::fromStdString(state.path);
    // Nobody answered at start-up, so a socket file left behind is stale.
    QLocalServer::removeServer(name);
    state.server = std::make_unique<QLocalServer>();
    state.server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!state.server->listen(name)) {
        if (log_trace())
            log_write("instance_listen: %s", state.server->errorString().toUtf8().constData());
        state.server.reset();
        return;
    }
    QObject::connect(state.server.get(), &QLocalServer::newConnection, [] {
        while (QLocalSocket* socket = state.server->nextPendingConnection())
            handle_connection(socket);
    });
}

void instance_term()
{
    state.server.reset();
}
