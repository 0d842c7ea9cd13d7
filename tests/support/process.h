#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

// Runs the program under test and collects what it did.
struct process_result {
    int exit_code = -1;
    bool timed_out = false;
    bool crashed = false;
    std::string output;  // standard output and standard error
};

class QProcess;

// A program started in `directory` with the current environment plus
// `env`; waited for (and killed after a time-out) by wait().
class process {
public:
    process(const std::string& program, const std::vector<std::string>& args,
            const std::string& directory, const std::map<std::string, std::string>& env);
    ~process();
    process_result wait(int timeout_ms);

private:
    std::unique_ptr<QProcess> p_;
};

process_result process_run(const std::string& program, const std::vector<std::string>& args,
                           const std::string& directory,
                           const std::map<std::string, std::string>& env, int timeout_ms);
