#pragma once

// Chat: what the user types and what others say.
void chat_update();
