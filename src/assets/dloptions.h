#pragma once

// The download options for pictures and sounds named by absolute URLs.
// Each is 0 (download none), 1 (download all) or a size limit N in
// kilobytes (download only files smaller than N K).

// Reads [downloads] pictures and audio. A missing key defaults to 100
// (pictures) and 150 (audio), or to 0 when [performance] urls is 0.
void dloptions_init();
int dloptions_pictures();
int dloptions_audio();
// Applies the Downloads page: keeps both and writes them to the settings.
void dloptions_apply(int pictures, int audio);
