#include "base/version.h"

namespace {

float number = 0.0f;
int build = 0;

}  // namespace

void version_init()
{
    number = VIREO_VERSION_NUMBER * 0.01f;
    build = VIREO_BUILD_NUMBER;
}

float version_number()
{
    return number;
}

int version_build()
{
    return build;
}
