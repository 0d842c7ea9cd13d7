#pragma once

// Join-request and privacy settings.
void privacy_init();
