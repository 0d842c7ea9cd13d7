#pragma once

// The picture and sound download options.
void dloptions_init();
