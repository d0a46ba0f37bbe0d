#include "models.h"

namespace {

struct model_row {
    long system_id;
    const char* name;
};

constexpr model_row models[] = {
    {22010, "SRP 2100"},           {22120, "SRP 2401 CI+"},     {22121, "SRP 2410"},
    {22130, "SRP 2401 CI+ Conax"}, {22570, "SRP 2401 CI+ Eco"}, {32020, "TRF 2400"},
    {32026, "TRF 2460"},           {32028, "TRF 53x0"},         {32044, "TRF 7170"},
    {32340, "TRP 5000"},           {32341, "TRF 2470"},         {32501, "TRF 7260"},
    {33021, "TRF 7160"},           {42031, "CRP 2401 CI+"},     {42561, "CRP 2401 CI+ Conax"},
};

constexpr long two_slot_model = 22010;

} // namespace

const char* model_name(long system_id) {
    for (const model_row& m : models)
        if (m.system_id == system_id) return m.name;
    return "";
}

int model_recording_slots(long system_id) {
    return system_id == two_slot_model ? 2 : 4;
}
