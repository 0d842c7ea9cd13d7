#include "support/process.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

process::process(const std::string& program, const std::vector<std::string>& args,
                 const std::string& directory, const std::map<std::string, std::string>& env)
    : p_(std::make_unique<QProcess>())
{
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    // The program under test runs on the real display.
    e.remove("QT_QPA_PLATFORM");
    for (const auto& [key, value] : env)
        e.insert(QString::fromStdString(key), QString::fromStdString(value));
    p_->setProcessEnvironment(e);
    p_->setWorkingDirectory(QString::fromStdString(directory));
    p_->setProcessChannelMode(QProcess::MergedChannels);
    QStringList list;
    for (const std::string& a : args)
        list << QString::fromStdString(a);
    p_->start(QString::fromStdString(program), list);
}

process::~process()
{
    if (p_->state() != QProcess::NotRunning) {
        p_->kill();
        p_->waitForFinished(5000);
    }
}

process_result process::wait(int timeout_ms)
{
    process_result r;
    if (!p_->waitForStarted(10000)) {
        r.output = "failed to start";
        return r;
    }
    if (!p_->waitForFinished(timeout_ms)) {
        r.timed_out = true;
        p_->kill();
        p_->waitForFinished(5000);
    }
    r.output = p_->readAll().toStdString();
    r.crashed = p_->exitStatus() == QProcess::CrashExit;
    r.exit_code = p_->exitCode();
    return r;
}

process_result process_run(const std::string& program, const std::vector<std::string>& args,
                           const std::string& directory,
                           const std::map<std::string, std::string>& env, int timeout_ms)
{
    return process(program, args, directory, env).wait(timeout_ms);
}
