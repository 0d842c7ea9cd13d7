// A foundation header that reaches up into the views: the layer check
// must refuse it.
#include "ui/menu.h"
