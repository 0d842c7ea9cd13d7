#pragma once

struct element;

// Pictures fetched and shown on objects.
void picture_init();
void picture_update();
void picture_reset();
// Starts fetching the picture at the address.
void picture_request(const char* address);
// Shows the picture at the address on the element, fetched again every
// `update` seconds (0: never).
void picture_show(element* e, const char* address, int update);
