#include "people/sound_page.h"

#include <QCheckBox>
#include <QVBoxLayout>

#include "people/sndoptions.h"
#include "ui/sheet_page.h"

namespace {

class sound_page : public sheet_page {
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

    void apply() override { sndoptions_apply(sounds->isChecked(), music->isChecked()); }

private:
    QCheckBox* music;
    QCheckBox* sounds;
};

}  // namespace

sheet_page* sound_page_create()
{
    return new sound_page;
}
