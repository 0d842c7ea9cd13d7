#include "app/main.h"

int main(int argc, char** argv)
{
    return main_run(argc, argv);
}
