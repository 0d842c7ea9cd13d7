// The focus label as the 3D view shows it: a light-yellow box with the
// description word-wrapped and centred in black.
#include "presence/focus_window.h"

#include <QPainter>
#include <QPaintDevice>

#include <algorithm>

#include "app/font.h"
#include "presence/focus.h"

namespace {

constexpr int text_width = 80;   // the text wraps within this
constexpr int text_height = 60;  // and is measured within this
constexpr int margin_left = 4;   // the box reaches this far left of the text
constexpr int margin_right = 3;  // and this far right
const QColor label_fill(255, 255, 180);

}  // namespace

void focus_window_paint(QPainter* painter)
{
    const char* text = focus_text();
    if (!text)
        return;
    const QString s = QString::fromUtf8(text);
    const int flags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;
    painter->save();
    painter->setFont(font_normal());
    QRect measured = painter->fontMetrics().boundingRect(QRect(0, 0, text_width, text_height),
                                                         flags, s);
    int x, y;
    focus_label_position(&x, &y);
    QRect body(x, y, measured.width(), measured.height());
    // The whole box stays inside the view, moved left and up as needed.
    QRect box = body.adjusted(-margin_left, 0, margin_right, 0);
    int width = painter->device()->width();
    int height = painter->device()->height();
    int dx = std::min(0, width - 1 - box.right());
    int dy = std::min(0, height - 1 - box.bottom());
    body.translate(dx, dy);
    box.translate(dx, dy);
    painter->setPen(Qt::black);
    painter->setBrush(label_fill);
    // A stroked rectangle covers one pixel more than its size each way.
    painter->drawRect(box.adjusted(0, 0, -1, -1));
    painter->drawText(body, flags, s);
    painter->restore();
}
