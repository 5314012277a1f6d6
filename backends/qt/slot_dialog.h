#pragma once
// The save slot screen: pages of six tiles, each slot with its thumbnail, date and the page's
// first line, the newest marked, and the buttons to save into, load from or delete the slot
// picked. Enter only ever loads.

#include "shell/save_slots.h"
#include "shell/window_port.h"

class QWidget;

// `lit` is the slot picked as the screen opens; 0 or out of range: the newest save, else slot 1.
// The tiles read in the language of `port`'s texts.
SlotDialogChoice runSlotDialog(QWidget* parent, WindowPort& port, const SlotListing* listings,
                               int32_t count, bool canSave, int32_t lit);
