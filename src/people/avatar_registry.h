#pragma once

// The world's avatar definitions.
void avatar_definitions_fetch();
