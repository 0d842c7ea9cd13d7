#pragma once

// The object properties window.
void pdialog_init();
