#pragma once

// The local keyed stores.
int database_init();
