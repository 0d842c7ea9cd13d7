#pragma once

class QWidget;

// The help index, the last page of the tab window.
void help_init(QWidget* page);
void help_show();
void help_hide();
// Opens a help page by its file name.
void help_open(const char* page);
