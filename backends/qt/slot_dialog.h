#pragma once
// The save slot dialog: every slot with its thumbnail, date and the page's first line, and the
// buttons to save into, load from or delete the slot picked.

#include "shell/save_slots.h"
#include "shell/window_port.h"

class QWidget;

SlotDialogChoice runSlotDialog(QWidget* parent, const SlotListing* listings, int32_t count,
                               bool canSave);
