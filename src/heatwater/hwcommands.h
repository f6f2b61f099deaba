#pragma once
// The record commands of the heat and water metering tab that other windows
// run, or that go their own way. Errors are raised; a refused post has
// cancelled its row first.

// The device class whose channels the metering units take.
inline constexpr int HWDevClass = 1;

// Adds a metering object as the tab's add button does: a new row, the object
// dialog, posted on OK. True when the object was stored; it is then the
// current row of qryHWObjects.
bool AddHWObject();

// Adds a channel to the current metering unit: the channel is chosen first
// (nothing happens when that is cancelled), then a new row with it is shown
// in the channel dialog and posted on OK. True when the row was stored.
bool AddHWUnitDev();
