#pragma once

// The World Options dialog: the world's attributes as its server tells
// them, editable for those who may change them and sent back on OK.
void world_options_dialog_open();
