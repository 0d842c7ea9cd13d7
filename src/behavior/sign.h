#pragma once

// Signs drawn onto objects.
void sign_init();
void sign_update();
