#pragma once
// Names below the content directory, looked up without regard to case:
// builders and the client write model and texture names in any case, and
// the art on disk has one spelling of its own.
#include <string>
#include <string_view>

// Finds `relative` ("qo/models/TREE.zip", segments separated by "/", no
// "." or ".." among them) below `root`. Each segment is taken as written
// when an entry of that name exists, else the entry whose name equals it
// in ASCII letters of either case (the first in byte order when several
// do). Returns 0 with the path on disk in `found`, or 1 when a segment has
// no entry.
int content_names_find(const std::string& root, std::string_view relative, std::string* found);
