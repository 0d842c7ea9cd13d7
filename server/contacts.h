#pragma once
// Each citizen's contact list as the server knows it: what the citizen's
// program last sent, with the additions and removals since.
#include <cstdint>
#include <vector>

struct us_store;

constexpr int us_contact_limit = 50;

// Replaces the list (the first us_contact_limit numbers count).
void us_contacts_set(const us_store* store, uint32_t owner, const std::vector<uint32_t>& contacts);
// Returns 0, or 1 when the list is full (a number already listed is 0).
int us_contacts_add(const us_store* store, uint32_t owner, uint32_t contact);
void us_contacts_delete(const us_store* store, uint32_t owner, uint32_t contact);
// The owner's list in increasing order.
std::vector<uint32_t> us_contacts_of(const us_store* store, uint32_t owner);
// The citizens who list `contact`, in increasing order.
std::vector<uint32_t> us_contacts_watchers(const us_store* store, uint32_t contact);
