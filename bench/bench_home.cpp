#include "bench_home.h"

#include <cstdlib>
#include <filesystem>

#include "base/main.h"
#include "base/profile.h"

bench_home::bench_home()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "vireo-bench-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
    profile_init(path_.c_str(), "/vireo.ini");
    main_set_directory(path_.c_str());
}

bench_home::~bench_home()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}
