#include "app/font.h"

#include <QFont>

#include <memory>

namespace {

std::unique_ptr<QFont> normal;
std::unique_ptr<QFont> bold;

}  // namespace

int font_init()
{
    normal = std::make_unique<QFont>("Arial");
    normal->setPixelSize(11);
    bold = std::make_unique<QFont>(*normal);
    bold->setWeight(QFont::Bold);
    return 1;
}

const QFont& font_normal()
{
    return *normal;
}

const QFont& font_bold()
{
    return *bold;
}
