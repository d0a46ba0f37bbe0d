// TAP key + Stop in the receiver's normal state: as the settings say, only a message, or the
// other TAPs stopped and then this TAP ended, or the other TAPs stopped and the receiver
// switched off (this TAP then keeps running until the firmware stops it).
#pragma once

// Runs the TAP+Stop action of the settings.
void power_off(void);
