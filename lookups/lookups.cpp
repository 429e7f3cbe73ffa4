#include "lookups/lookups.h"

#include "lookups/globals.h"

namespace chaxun {

// The lookups are not wired to their sites yet: each routine returns at once
// without writing anything.
void lookup_area_code(LookupView&) {}
void lookup_mobile(LookupView&) {}
// Its first step: the IP kind becomes the current lookup kind.
void lookup_own_address(LookupView&) { LookupMode.store(2); }
void lookup_ip(LookupView&) {}
void lookup_id_card(LookupView&) {}
void lookup_postal_get(LookupView&) {}
void lookup_postal_place(LookupView&) {}

}  // namespace chaxun
