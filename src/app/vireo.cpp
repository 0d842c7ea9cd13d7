#include "app/main.h"
#include "base/heap.h"

int main(int argc, char** argv)
{
    heap_init();
    return main_run(argc, argv);
}
