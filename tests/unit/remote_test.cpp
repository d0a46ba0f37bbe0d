// Remote-control models: key translations and the infrared code sets.
#include <gtest/gtest.h>

#include <vector>

#include "common/settings.h"
#include "core/remote.h"

namespace {

struct Models {
    Models(unsigned tf, unsigned rc, uint32_t flags = 0) {
        saved = settings;
        settings = settings_record{};
        settings.tf_model = static_cast<uint8_t>(tf);
        settings.rc_model = static_cast<uint8_t>(rc);
        settings.flags = flags;
    }
    ~Models() { settings = saved; }
    settings_record saved;
};

struct IrCall {
    int slot, enable, b1, b2, mode;
    bool operator==(const IrCall&) const = default;
};
std::vector<IrCall> ir_calls;
int record_ir(int slot, int enable, int b1, int b2, int mode) {
    ir_calls.push_back({slot, enable, b1, b2, mode});
    return 0;
}

} // namespace

TEST(Remote, Translations) {
    struct Case {
        unsigned tf, rc;
        uint32_t key, cursor, device, window;
    } cases[] = {
        // TF "2100, 2410 [M.5]": ^ becomes P+ for the receiver, windows keep the cursor key.
        {1, 1, 0x10012, 0x10045, 0, 0},
        // RC "5000, CRP [M.4]", TF "2401 Eco [M.6]": the remote's red key is F1.
        {3, 0, 0x1003F, 0, 0x10023, 0x10023},
        // RC model 0 sends 0x1000D for Fav.
        {1, 0, 0x1000D, 0, 0x10020, 0x10020},
        // RC "2401 CI+ [M.1]" sends 0x10047 for F1; TF "2100" expects its own red code.
        {1, 2, 0x10047, 0, 0x1003F, 0x10023},
        // A key no table holds, and key 0.
        {1, 1, 0x10001, 0, 0, 0},
        {1, 1, 0, 0, 0, 0},
        // Models out of range translate nothing.
        {9, 9, 0x10012, 0, 0, 0},
    };
    for (const Case& c : cases) {
        Models m(c.tf, c.rc);
        SCOPED_TRACE(testing::Message()
                     << "TF " << c.tf << " RC " << c.rc << " key 0x" << std::hex << c.key);
        EXPECT_EQ(cursor_translation(c.key), c.cursor);
        EXPECT_EQ(device_translation(c.key), c.device);
        EXPECT_EQ(window_key_translation(c.key), c.window);
    }
}

TEST(Remote, ModelNames) {
    EXPECT_STREQ(remote_model_name(0), "5000, CRP [M.4]");
    EXPECT_STREQ(remote_model_name(4), "6000 [M.15]");
    EXPECT_EQ(remote_model_name(5), nullptr);
}

TEST(Remote, InfraredCodeSets) {
    const std::vector<IrCall> all_off = {
        {0, 0, 2, 52, 10}, {1, 0, 2, 52, 10}, {2, 0, 2, 52, 10}, {3, 0, 2, 52, 10}};
    struct Case {
        unsigned tf, rc;
        uint32_t flags;
        std::vector<IrCall> enabled;
        bool any_call;
    } cases[] = {
        // TF "2401 CI+", RC "2401 Eco": slot 0 takes set 0, slot 1 set 5.
        {2, 3, SET_IR_FILTER, {{0, 1, 2, 52, 10}, {1, 1, 4, 255, 10}}, true},
        // Both "6000 [M.15]": one set only.
        {4, 4, SET_IR_FILTER, {{0, 1, 2, 52, 10}}, true},
        // The receiver's own remote refused: only the remote model's set.
        {2, 3, SET_IR_FILTER | SET_ORIG_RC_REFUSED, {{0, 1, 4, 255, 10}}, true},
        // Filter off: the firmware is not asked at all.
        {2, 3, 0, {}, false},
    };
    for (const Case& c : cases) {
        Models m(c.tf, c.rc, c.flags);
        ir_calls.clear();
        ir_setup(record_ir);
        std::vector<IrCall> want;
        if (c.any_call) want = all_off;
        want.insert(want.end(), c.enabled.begin(), c.enabled.end());
        EXPECT_EQ(ir_calls, want) << "TF " << c.tf << " RC " << c.rc;
    }
}
