#pragma once
// How the library's modules raise the change count of render.h.

// Raises the count: something a camera would draw has changed.
void rw_note_change();

// Stores the value and raises the count when it differs from the field's.
template <class T>
void rw_assign(T& field, const T& value)
{
    if (field != value) {
        field = value;
        rw_note_change();
    }
}
