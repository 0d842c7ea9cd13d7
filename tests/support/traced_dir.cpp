#include "support/traced_dir.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "base/profile.h"

traced_dir::traced_dir(log_observer observer)
{
    EXPECT_TRUE(getcwd(previous_, sizeof previous_));
    EXPECT_EQ(chdir(dir_.path().c_str()), 0);
    log_reset();
    dir_.write("vireo.ini", "[debug]\ntrace=1\n");
    profile_init(dir_.path().c_str(), "/vireo.ini");
    log_init(profile_int);
    log_set_observer(observer);
}

traced_dir::~traced_dir()
{
    log_set_observer(nullptr);
    log_reset();
    EXPECT_EQ(chdir(previous_), 0);
}
