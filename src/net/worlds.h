#pragma once

// The list of running worlds.
void worlds_update();
