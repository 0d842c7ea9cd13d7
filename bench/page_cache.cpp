#include "page_cache.h"

#include <fcntl.h>
#include <unistd.h>

int page_cache_drop(const char* path)
{
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    // Dirty pages are not dropped: write them out first.
    bool dropped = fsync(fd) == 0 && posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) == 0;
    close(fd);
    return dropped ? 1 : 0;
}
