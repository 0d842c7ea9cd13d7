#pragma once

// Chat balloons over avatars.
void balloon_init();
void balloon_update();
