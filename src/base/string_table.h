#pragma once
// Text of string-table entry `id`, or nullptr when there is none.
const char* string_table_get(int id);
