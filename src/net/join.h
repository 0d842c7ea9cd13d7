#pragma once

// Join requests.
void join_update();
