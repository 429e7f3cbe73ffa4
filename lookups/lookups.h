// The worker routines, one per kind of query. Each runs on a worker thread of
// its own, reads the input box and writes its results through `view`.
#pragma once

#include "lookups/lookup_view.h"

namespace chaxun {

void lookup_area_code(LookupView& view);
void lookup_mobile(LookupView& view);
void lookup_own_address(LookupView& view);
void lookup_ip(LookupView& view);
void lookup_id_card(LookupView& view);
void lookup_postal_get(LookupView& view);
void lookup_postal_place(LookupView& view);

}  // namespace chaxun
