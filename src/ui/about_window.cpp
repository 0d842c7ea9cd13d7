#include "ui/about_window.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/main_window.h"
#include "base/msg.h"
#include "base/version.h"
#include "ui/about.h"

namespace {

class about_box : public QDialog {
public:
    about_box() : QDialog(main_window())
    {
        setObjectName("602");
        setWindowTitle(QString::fromUtf8(msg(44, msg(msg_product))));
        auto* layout = new QVBoxLayout(this);
        auto* name = new QLabel(QString::fromUtf8(msg(msg_product)));
        QFont big = name->font();
        big.setPointSize(big.pointSize() * 2);
        big.setBold(true);
        name->setFont(big);
        layout->addWidget(name);
        auto* version = new QLabel(QString::fromUtf8(msg(43, msg(msg_product), version_number())));
        version->setObjectName("701");
        layout->addWidget(version);
        auto* build = new QLabel(QString::fromUtf8(msg(56, version_build())));
        build->setObjectName("703");
        layout->addWidget(build);
        message = new QLabel;
        message->setObjectName("702");
        message->setWordWrap(true);
        message->setMinimumWidth(360);
        layout->addWidget(message);
        layout->addWidget(new QLabel(
            "Portions of this software are based in part on the work of the Independent JPEG Group"));
        auto* row = new QHBoxLayout;
        ok = new QPushButton("OK");
        skip = new QPushButton("Skip");
        cancel = new QPushButton("Cancel");
        for (QPushButton* b : {ok, skip, cancel})
            row->addWidget(b);
        layout->addLayout(row);
        skip->hide();
        cancel->hide();
        connect(ok, &QPushButton::clicked, [] { about_answered(about_ok); });
        connect(skip, &QPushButton::clicked, [] { about_answered(about_skip); });
        connect(cancel, &QPushButton::clicked, [] { about_answered(about_cancel); });
    }

    QLabel* message;
    QPushButton* ok;
    QPushButton* skip;
    QPushButton* cancel;

protected:
    // Closing the window is the Cancel of its uses.
    void reject() override { about_answered(cancel->isVisible() ? about_cancel : about_ok); }
};

QPointer<about_box> box;

}  // namespace

void about_window_create()
{
    if (!box)
        box = new about_box;
}

void about_window_show()
{
    if (box) {
        box->show();
        box->raise();
    }
}

void about_window_hide()
{
    if (box)
        box->hide();
}

void about_window_destroy()
{
    delete box.data();
}

void about_window_message(const char* text)
{
    if (box) {
        box->message->setText(QString::fromUtf8(text));
        // A longer message takes more lines: the box grows to show them all.
        box->adjustSize();
        box->show();
    }
}

void about_window_buttons(int ok, int skip, int cancel)
{
    if (!box)
        return;
    box->ok->setVisible(ok);
    box->skip->setVisible(skip);
    box->cancel->setVisible(cancel);
}

void about_window_hide_button(int answer)
{
    if (!box)
        return;
    if (answer == about_skip)
        box->skip->hide();
    else if (answer == about_cancel)
        box->cancel->hide();
}
