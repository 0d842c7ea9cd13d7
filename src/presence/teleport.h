#pragma once

// Teleports and remembered places.
int teleport_init();
