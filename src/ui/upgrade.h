#pragma once

// Installing an upgrade left behind by the upgrader.
void check_for_new_upgrade();
