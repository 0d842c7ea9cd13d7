#include "assets/driver.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QSurfaceFormat>

#include <dlfcn.h>
#include <link.h>

#include <cstring>
#include <memory>

#include "base/log.h"
#include "base/profile.h"

namespace {

struct driver_state {
    bool tried_directdraw = false;
    std::unique_ptr<QOffscreenSurface> surface;
    std::unique_ptr<QOpenGLContext> context;
};

driver_state state;

}  // namespace

void driver_set_default_format()
{
    QSurfaceFormat format;
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setDepthBufferSize(24);
    QSurfaceFormat::setDefaultFormat(format);
}

void driver_keep_modules()
{
    dl_iterate_phdr([](dl_phdr_info* info, size_t, void*) {
        const char* name = info->dlpi_name;
        if (name && (std::strstr(name, "_dri.so") || std::strstr(name, "_mesa.so")))
            dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
        return 0;
    }, nullptr);
}

int driver_init()
{
    // A trial of the option is cleared at once, so that a trial that ends
    // in a crash is not repeated; a normal shutdown makes it the setting.
    state.tried_directdraw = profile_int("performance", "try_directdraw") == 1;
    profile_set_int("performance", "try_directdraw", 0);

    state.surface = std::make_unique<QOffscreenSurface>();
    state.surface->setFormat(QSurfaceFormat::defaultFormat());
    state.surface->create();
    state.context = std::make_unique<QOpenGLContext>();
    state.context->setFormat(QSurfaceFormat::defaultFormat());
    state.context->setShareContext(QOpenGLContext::globalShareContext());
    bool made = state.surface->isValid() && state.context->create() &&
                state.context->makeCurrent(state.surface.get());
    driver_keep_modules();
    if (!made) {
        if (log_trace())
            log_write("driver_init: no OpenGL context");
        state.context.reset();
        return 0;
    }
    QSurfaceFormat format = state.context->format();
    if (log_trace())
        log_write("driver_init: OpenGL %d.%d", format.majorVersion(), format.minorVersion());
    if (format.majorVersion() * 10 + format.minorVersion() < 33) {
        state.context.reset();
        return 0;
    }
    return 1;
}

int driver_make_current()
{
    if (!state.context)
        return 0;
    if (QOpenGLContext::currentContext() == state.context.get())
        return 1;
    return state.context->makeCurrent(state.surface.get()) ? 1 : 0;
}

void driver_term()
{
    if (state.context)
        state.context->doneCurrent();
    state.context.reset();
    state.surface.reset();
}

int driver_tried_directdraw()
{
    return state.tried_directdraw ? 1 : 0;
}
