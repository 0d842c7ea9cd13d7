#include "assets/downloads_page.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "assets/dloptions.h"
#include "ui/sheet_page.h"

namespace {

// The button texts of one group; each group has mnemonics of its own.
struct choice_texts {
    const char* none;
    const char* smaller;
    const char* all;
};

// One group of three choices: none (0), all (1) or smaller than N K (N).
class option_group : public QGroupBox {
public:
    option_group(const char* title, const char* name, const choice_texts& texts, int suggested,
                 int value)
        : QGroupBox(title)
    {
        setObjectName(name);
        auto* grid = new QGridLayout(this);
        none = new QRadioButton(texts.none);
        none->setObjectName(QString(name) + "_none");
        smaller = new QRadioButton(texts.smaller);
        smaller->setObjectName(QString(name) + "_smaller");
        all = new QRadioButton(texts.all);
        all->setObjectName(QString(name) + "_all");
        limit = new QSpinBox;
        limit->setObjectName(QString(name) + "_limit");
        limit->setRange(10, 999);
        auto* unit = new QLabel("K");
        unit->setBuddy(limit);
        grid->addWidget(none, 0, 0, 1, 3);
        grid->addWidget(smaller, 1, 0);
        grid->addWidget(limit, 1, 1);
        grid->addWidget(unit, 1, 2);
        grid->addWidget(all, 2, 0, 1, 3);
        grid->setColumnStretch(2, 1);

        (value == 0 ? none : value == 1 ? all : smaller)->setChecked(true);
        limit->setValue(value == 0 || value == 1 ? suggested : value);
        limit->setEnabled(smaller->isChecked());
        connect(smaller, &QRadioButton::toggled, limit, &QSpinBox::setEnabled);
    }

    int value() const { return none->isChecked() ? 0 : all->isChecked() ? 1 : limit->value(); }

private:
    QRadioButton* none;
    QRadioButton* smaller;
    QRadioButton* all;
    QSpinBox* limit;
};

class downloads_page : public sheet_page {
public:
    downloads_page()
    {
        setObjectName("613");
        setWindowTitle("Downloads");
        auto* column = new QVBoxLayout(this);
        pictures = new option_group(
            "Pictures (Absolute URLs to JPEG files)", "pictures",
            {"Do&n't download any", "Download those &smaller than", "Download &all"}, 100,
            dloptions_pictures());
        audio = new option_group(
            "Audio (Absolute URLs to WAV and MIDI files)", "audio",
            {"Don'&t download any", "Download those s&maller than", "Download a&ll"}, 150,
            dloptions_audio());
        column->addWidget(pictures);
        column->addWidget(audio);
        column->addStretch(1);
    }

    void apply() override { dloptions_apply(pictures->value(), audio->value()); }

private:
    option_group* pictures;
    option_group* audio;
};

}  // namespace

sheet_page* downloads_page_create()
{
    return new downloads_page;
}
