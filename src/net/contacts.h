#pragma once

// The contact list.
void contacts_update();
