#include "lookups/lookups.h"

namespace chaxun {

// The lookups are not wired to their sites yet: each routine returns at once
// without writing anything.
void lookup_area_code(LookupView&) {}
void lookup_mobile(LookupView&) {}
void lookup_own_address(LookupView&) {}
void lookup_ip(LookupView&) {}
void lookup_id_card(LookupView&) {}
void lookup_postal_get(LookupView&) {}
void lookup_postal_place(LookupView&) {}

}  // namespace chaxun
