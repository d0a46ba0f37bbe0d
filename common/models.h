// The receiver models this TAP knows by their system ID (TAP_GetSystemId): the model's name
// and how many recordings it makes at once.
#pragma once

// The model name of a system ID ("" when unknown).
const char* model_name(long system_id);
// Recording slots of the model: 2 for the SRP 2100 (system ID 22010), else 4.
int model_recording_slots(long system_id);
