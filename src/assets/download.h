#pragma once
#include <cstddef>

// The download queue: the one place where a world's art (models, textures,
// masks, backdrops, sounds, avatar sets) and files named by absolute URLs
// are requested. At most three transfers run at a time, chosen by priority
// and by how many objects wait for each file; a file checked within the
// world's refresh interval is not asked for again; a dated copy is asked
// for conditionally.

struct download_request;

enum download_result { download_failed = 0, download_received = 1, download_current = 2 };

// Runs once per request with its outcome: download_received with the bytes
// (the queue's, valid during the call only), download_current (the cached
// copy is up to date) or download_failed, both without data.
using download_callback = void (*)(void* user, int result, const unsigned char* data, size_t size);

void download_init();
void download_update();
// Discards every request without calling back.
void download_reset();
void download_term();

// A file of the world: `folder`/`name` under the object path. Priority 0
// is the most urgent. None when that file is queued already or no object
// path is set.
download_request* download_file(const char* folder, const char* name, int priority,
                                download_callback callback, void* user);
// A file named by an absolute URL without its scheme ("host[:port]/path"),
// smaller than `limit_kb` kilobytes unless that is 0. None when queued
// already or the URL has no "/".
download_request* download_url(const char* url, int limit_kb, download_callback callback,
                               void* user);
// One more, or one less, object waiting for the file.
void download_reference(download_request* request);
void download_dereference(download_request* request);
// Fetches the file whatever its date (the requester has no copy).
download_request* download_force(download_request* request);
// Skips the refresh-interval short cut, keeping the conditional request.
void download_ignore_refresh(download_request* request);
// The refresh interval of the world's files.
void download_set_refresh(int minutes);

// The object path of the world being entered (an empty one stands for the
// default object path): makes its cache folder and type folders, and opens
// its date store. 1 when the world differs from the previous call's.
int download_set_path(const char* object_path, int length);
// The object path's cache folder, or "" before the first path is set.
const char* download_cache_path();
// The art cache's root folder.
const char* download_art_root();
// Called at the end of every download_update (the Downloads window shows
// the transfers); nullptr removes it.
using download_listener = void (*)();
void download_set_listener(download_listener listener);

// The file names and state texts of the three transfer slots ("" for an
// empty slot), for the Downloads window.
const char* download_slot_name(int slot);
const char* download_slot_state(int slot);
// The number of requests queued or running.
int download_count();
