// Rule and action flags by name: the lookups of one flag's name and the dumps
// that name every flag set in a bitmap.
#include <cstdint>
#include <cstdio>

#include "core/bits.h"
#include "core/stdout.h"
#include "ss_fp_appmng.h"
#include "ss_fp_debug.h"

namespace fpss {
namespace {

// The rule lookup answers for the count marker SS_FP_RULE_MAX too; the action
// lookup answers for neither SS_FP_ACTION_NONE nor its marker.
const char *rule_name(uint32_t flag) { return flag <= SS_FP_RULE_MAX ? fp_rule_flag_strings[flag] : nullptr; }

const char *action_name(int32_t flag) {
    return flag >= 1 && flag < SS_FP_ACTION_MAX ? fp_action_flag_strings[flag] : nullptr;
}

// Prints 'heading', then "<name> | " for every set flag below 'count' (the
// kind's count marker, whose bit is never read), then the closing line.
int dump_flags(const uint32_t *bitmap, const char *heading, const char *const *names, uint32_t count) {
    if (bitmap == nullptr) {
        say("\nError para, return\n");
        return -1;
    }
    say("%s\n", heading);
    for (uint32_t f = 0; f < count; ++f)
        if (bit_test(bitmap, f)) std::printf("%s | ", names[f]);
    say("\r\n");
    return 0;
}

}  // namespace
}  // namespace fpss

extern "C" {

const char *ss_fp_get_rule_name(uint32_t flag) { return fpss::rule_name(flag); }

const char *ss_fp_get_action_name(int32_t flag) { return fpss::action_name(flag); }

int ss_fp_dump_rule_flag(const uint32_t *rule_flags) {
    return fpss::dump_flags(rule_flags, "\nRULE_FLAG:\r", fp_rule_flag_strings, SS_FP_RULE_MAX);
}

int ss_fp_dump_action_flag(const uint32_t *action_flags) {
    return fpss::dump_flags(action_flags, "\r\nACTION FLAG:\r", fp_action_flag_strings, SS_FP_ACTION_MAX);
}

}  // extern "C"
