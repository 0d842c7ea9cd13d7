#include "people/sound_page.h"

#include <QCheckBox>
#include <QVBoxLayout>
#include <QWidget>

#include "people/sndoptions.h"

namespace {

class sound_page : public QWidget {
public:
    sound_page()
    {
        setObjectName("612");
        setWindowTitle("Sound");
        auto* column = new QVBoxLayout(this);
        music = new QCheckBox("Play background &music (MIDI files)");
        music->setObjectName("1101");
        sounds = new QCheckBox("Play &sound effects (WAV files)");
        sounds->setObjectName("1102");
        column->addWidget(music);
        column->addWidget(sounds);
        column->addStretch(1);

        music->setChecked(sndoptions_music());
        sounds->setChecked(sndoptions_sounds());
    }

    void apply() { sndoptions_apply(sounds->isChecked(), music->isChecked()); }

private:
    QCheckBox* music;
    QCheckBox* sounds;
};

}  // namespace

QWidget* sound_page_create()
{
    return new sound_page;
}

void sound_page_apply(QWidget* page)
{
    if (auto* p = dynamic_cast<sound_page*>(page))
        p->apply();
}
