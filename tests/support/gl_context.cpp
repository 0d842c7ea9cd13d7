#include "support/gl_context.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>

#include "assets/driver.h"
#include "render/render.h"

namespace {

QOffscreenSurface* surface = nullptr;
QOpenGLContext* context = nullptr;
int opened = -1;

}  // namespace

int gl_context_open()
{
    if (opened >= 0) {
        if (opened)
            context->makeCurrent(surface);
        return opened;
    }
    driver_set_default_format();
    surface = new QOffscreenSurface;
    surface->create();
    context = new QOpenGLContext;
    opened = surface->isValid() && context->create() && context->makeCurrent(surface) &&
                     rw_open("test: ") == 0
                 ? 1
                 : 0;
    driver_keep_modules();
    return opened;
}

void gl_context_close()
{
    // Freeing the context ends the driver's threads before the leak check
    // (which cannot stop threads that are exiting); the driver's modules
    // stay loaded, so what it allocated is still named.
    if (opened == 1) {
        context->makeCurrent(surface);
        rw_close();
        context->doneCurrent();
    }
    delete context;
    delete surface;
    context = nullptr;
    surface = nullptr;
    opened = -1;
}
