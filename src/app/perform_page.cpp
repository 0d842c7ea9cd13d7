#include "app/perform_page.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/perform.h"
#include "ui/sheet_page.h"

namespace {

QSpinBox* make_spin(const char* name, int low, int high, int value)
{
    auto* spin = new QSpinBox;
    spin->setObjectName(name);
    spin->setRange(low, high);
    spin->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    spin->setValue(value);
    return spin;
}

QCheckBox* make_box(int id, const char* text, int checked)
{
    auto* box = new QCheckBox(QString::fromUtf8(text));
    box->setObjectName(QString::number(id));
    box->setChecked(checked != 0);
    return box;
}

class perform_page : public sheet_page {
public:
    perform_page() : shown(perform_current())
    {
        setObjectName("performance");
        setWindowTitle("Performance");
        framerate = make_spin("framerate", 3, 30, perform_clamp_framerate(shown.framerate));
        visibility = make_spin("visibility", 25, 120, perform_clamp_visibility(shown.visibility));
        avatars = make_box(801, "Show &Multiple Avatar Types (uses more memory)", shown.avatars);
        lifeforms = make_box(802, "Show A&vatar Animations (can reduce frame rate)", shown.lifeforms);
        panning = make_box(803, "Enable &high speed panning", shown.panning);
        directdraw = make_box(808, "Use &DirectDraw (may cause problems on some systems)",
                              shown.directdraw);
        mmx = make_box(809, "Use MM&X optimizations (requires a Pentium with MMX)", shown.mmx);
        // The MMX path needs more than a palette display; high-speed
        // panning is always available, the renderer being OpenGL.
        if (QScreen* screen = QGuiApplication::primaryScreen(); screen && screen->depth() <= 8)
            mmx->setEnabled(false);

        auto* grid = new QGridLayout;
        auto* near = new QLabel("Attempt to keep the frame rate at or &near");
        near->setBuddy(framerate);
        auto* below = new QLabel("but don't let the visibility drop &below");
        below->setBuddy(visibility);
        grid->addWidget(near, 0, 0);
        grid->addWidget(framerate, 0, 1);
        grid->addWidget(new QLabel("frames/sec"), 0, 2);
        grid->addWidget(below, 1, 0);
        grid->addWidget(visibility, 1, 1);
        grid->addWidget(new QLabel("meters."), 1, 2);
        grid->setColumnStretch(3, 1);
        auto* column = new QVBoxLayout(this);
        column->addLayout(grid);
        for (QCheckBox* box : {avatars, lifeforms, panning, directdraw, mmx})
            column->addWidget(box);
        column->addStretch(1);
    }

    void apply() override
    {
        perform_choice now{};
        now.avatars = avatars->isChecked();
        now.lifeforms = lifeforms->isChecked();
        now.panning = panning->isChecked();
        now.framerate = framerate->cleanText().toInt();
        now.visibility = visibility->cleanText().toInt();
        now.directdraw = directdraw->isChecked();
        now.mmx = mmx->isChecked();
        perform_apply(shown, now);
        shown = perform_current();
    }

private:
    perform_choice shown;
    QSpinBox* framerate;
    QSpinBox* visibility;
    QCheckBox* avatars;
    QCheckBox* lifeforms;
    QCheckBox* panning;
    QCheckBox* directdraw;
    QCheckBox* mmx;
};

}  // namespace

sheet_page* perform_page_create()
{
    return new perform_page;
}
