#pragma once
#include "base/log.h"
#include "support/temp_dir.h"

// A program folder of its own, the working directory while the object
// lives, whose settings turn the trace log on; every line written goes to
// `observer`.
class traced_dir {
public:
    explicit traced_dir(log_observer observer);
    ~traced_dir();
    traced_dir(const traced_dir&) = delete;
    traced_dir& operator=(const traced_dir&) = delete;

    const temp_dir& dir() const { return dir_; }

private:
    temp_dir dir_;
    char previous_[4096] = {};
};
