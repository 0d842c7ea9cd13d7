#pragma once

// The ground under the world.
void ground_update();
