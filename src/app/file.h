#pragma once

// File helpers for the cache tree.
void file_term();
