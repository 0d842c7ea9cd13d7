#pragma once

// The texture registry.
void texture_reset();
