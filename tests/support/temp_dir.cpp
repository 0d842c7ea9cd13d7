#include "support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

temp_dir::temp_dir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "vireo-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

temp_dir::~temp_dir()
{
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string temp_dir::file(const std::string& name) const
{
    return path_ + "/" + name;
}

void temp_dir::write(const std::string& name, const std::string& text) const
{
    std::ofstream out(file(name), std::ios::binary | std::ios::trunc);
    out << text;
}

std::string temp_dir::read(const std::string& name) const
{
    std::ifstream in(file(name), std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}
