#include "app/file.h"

void file_term()
{
}
