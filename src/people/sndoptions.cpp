#include "people/sndoptions.h"

void sndoptions_init()
{
}
