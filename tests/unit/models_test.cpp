// The model table: names and recording slots by system ID.
#include <gtest/gtest.h>

#include <string>

#include "common/models.h"

TEST(Models, NameAndSlotsBySystemId) {
    struct Case {
        long system_id;
        const char* name;
        int slots;
    } cases[] = {
        {22010, "SRP 2100", 2},
        {22120, "SRP 2401 CI+", 4},
        {22570, "SRP 2401 CI+ Eco", 4},
        {32028, "TRF 53x0", 4},
        {33021, "TRF 7160", 4},
        {42561, "CRP 2401 CI+ Conax", 4},
        {0, "", 4},
        {22011, "", 4},
        {-1, "", 4},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(std::string(model_name(c.system_id)), c.name) << c.system_id;
        EXPECT_EQ(model_recording_slots(c.system_id), c.slots) << c.system_id;
    }
}
