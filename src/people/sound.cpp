#include "people/sound.h"

void sound_init()
{
}

void sound_update()
{
}

void sound_reset()
{
}

void sound_term()
{
}
