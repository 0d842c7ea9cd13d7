#pragma once
// A page of the settings sheet: it shows the settings it covers when it is
// made, and applies what it shows when the sheet's OK or Apply is pressed.
#include <QWidget>

class sheet_page : public QWidget {
public:
    virtual void apply() = 0;
};
