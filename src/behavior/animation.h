#pragma once

// Object frame animation.
void animation_update();
