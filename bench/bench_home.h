#pragma once
#include <string>

// A program folder of a benchmark's own, /tmp/vireo-bench-XXXXXX: the
// settings file and the program directory point into it from creation, and
// it goes with everything in it when the object does (declared first among
// members, after the stores in it are closed).
class bench_home {
public:
    bench_home();
    ~bench_home();
    bench_home(const bench_home&) = delete;
    bench_home& operator=(const bench_home&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
};
