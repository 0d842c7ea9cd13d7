#include "ui/viewport_window.h"

#include <QCursor>
#include <QMainWindow>
#include <QMouseEvent>
#include <QOpenGLFunctions>
#include <QOpenGLTextureBlitter>
#include <QOpenGLWidget>
#include <QPainter>
#include <QPointer>

#include <vector>

#include "app/key.h"
#include "app/key_map.h"
#include "app/main_window.h"
#include "presence/camera.h"
#include "render/camera.h"
#include "ui/layout.h"
#include "ui/viewport.h"

namespace {

// Shows the camera's image (a texture of the renderer's context group) at
// its size, inside the two-pixel border the camera leaves, then lets the
// overlays paint.
class viewport_widget : public QOpenGLWidget {
public:
    viewport_widget()
    {
        setObjectName("viewport");
        setWindowTitle("Vireo Viewport");
        setFocusPolicy(Qt::NoFocus);
    }

    ~viewport_widget() override
    {
        makeCurrent();
        blitter.destroy();
        doneCurrent();
    }

    std::vector<void (*)(QPainter*)> overlays;

protected:
    void initializeGL() override { blitter.create(); }

    // Clicks in the view pick, walk or open; the keys stay with the main
    // window.
    void mousePressEvent(QMouseEvent* event) override
    {
        main_window_focus();
        QPoint at = event->position().toPoint();
        if (event->button() == Qt::LeftButton)
            viewport_left_click(at.x(), at.y());
        else if (event->button() == Qt::RightButton) {
            // Held, the right button walks a mover forward.
            key_down(vk_rbutton);
            viewport_right_click(at.x(), at.y());
        }
    }

    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::RightButton)
            key_up(vk_rbutton);
    }

    void paintGL() override
    {
        QOpenGLFunctions* gl = context()->functions();
        gl->glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        gl->glClear(GL_COLOR_BUFFER_BIT);
        rw_camera* camera = camera_get();
        if (camera && blitter.isCreated()) {
            QRect target(camera_border, camera_border, rw_camera_width(camera), rw_camera_height(camera));
            qreal ratio = devicePixelRatioF();
            QRect device(QPoint(target.x() * ratio, target.y() * ratio), target.size() * ratio);
            QRect viewport(QPoint(0, 0), size() * ratio);
            blitter.bind();
            blitter.blit(rw_camera_texture(camera_shown()),
                         QOpenGLTextureBlitter::targetTransform(device, viewport),
                         QOpenGLTextureBlitter::OriginBottomLeft);
            blitter.release();
        }
        if (!overlays.empty()) {
            QPainter painter(this);
            for (auto paint : overlays)
                paint(&painter);
        }
    }

private:
    QOpenGLTextureBlitter blitter;
};

QPointer<viewport_widget> widget;

}  // namespace

int viewport_window_create()
{
    QMainWindow* window = main_window();
    if (!window)
        return 0;
    widget = new viewport_widget;
    layout_attach(layout_part_view, widget);
    return 1;
}

void viewport_window_repaint()
{
    if (widget)
        widget->update();
}

void viewport_window_add_overlay(void (*paint)(QPainter* painter))
{
    if (widget)
        widget->overlays.push_back(paint);
}

void viewport_window_cursor(int* x, int* y)
{
    QPoint at = widget ? widget->mapFromGlobal(QCursor::pos()) : QPoint();
    *x = at.x();
    *y = at.y();
}

void viewport_window_move_cursor(int x, int y)
{
    if (widget)
        QCursor::setPos(widget->mapToGlobal(QPoint(x, y)));
}

void viewport_window_show_cursor(int shown)
{
    if (!widget)
        return;
    if (shown)
        widget->unsetCursor();
    else
        widget->setCursor(Qt::BlankCursor);
}

void viewport_window_size(int* width, int* height)
{
    *width = widget ? widget->width() : 0;
    *height = widget ? widget->height() : 0;
}
