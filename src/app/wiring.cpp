#include "app/wiring.h"

#include <QCoreApplication>

#include "app/fps.h"
#include "app/loop.h"
#include "app/main.h"
#include "app/msgbox_dialog.h"
#include "assets/backdrop.h"
#include "assets/chunk.h"
#include "assets/download.h"
#include "assets/image.h"
#include "assets/model.h"
#include "assets/texture.h"
#include "base/log.h"
#include "base/main.h"
#include "base/msgbox.h"
#include "behavior/pick.h"
#include "behavior/picture.h"
#include "people/avatar.h"
#include "people/avatar_registry.h"
#include "people/gesture.h"
#include "people/sound.h"
#include "presence/camera.h"
#include "presence/self.h"
#include "world/cell.h"
#include "world/visible.h"

namespace {

void quit()
{
    loop_stop();
    QCoreApplication::quit();
}

// Every module that keeps state of the world, in the order their resets
// must run.
void reset()
{
    if (log_trace())
        log_write("main_reset");
    visible_reset();
    fps_reset();
    pick_reset();
    gesture_reset();
    avatar_reset();
    self_figure_reset();
    model_reset();
    download_reset();
    picture_reset();
    image_reset();
    texture_reset();
    avatar_definitions_fetch();
    chunk_reset();
    self_figure_rebuild();
    backdrop_clear();
    sound_reset();
    camera_reset();
    cell_reset();
}

}  // namespace

void wiring_init()
{
    main_set_hooks({quit, main_exit, reset});
    msgbox_set_presenter(msgbox_dialog_show);
}
