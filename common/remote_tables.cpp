#include "remote_tables.h"

void ir_slots_assign(const bool accepted[IR_SETS], ir_slot_fn set, void* context) {
    for (int slot = 0; slot < IR_SLOTS; ++slot)
        set(context, slot, 0, 0);
    int slot = 0;
    for (int position = 0; position < IR_SETS && slot < IR_SLOTS; ++position)
        if (accepted[position]) set(context, slot++, 1, position);
}
